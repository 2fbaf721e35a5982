Attribute VB_Name = "NelvoRecords"
' Fills a worksheet with the records of a data file. Record text goes one
' line per row, split at ";" into cells: record number, type letter,
' record.field, index range, then the values. Tariff files go one record per
' row with its 27 values.
'
' Late-bound by default: the object is created by its ProgID, no reference
' needed. For early binding set Tools > References > Nelvo_data and
' EarlyBound to True: the editor then knows the members, and the compiler
' checks names and argument types (a String for the path, a Long for the
' record number). The code is the same for 32- and 64-bit Office; register
' the DLL of Office's bitness.
Option Explicit

#Const EarlyBound = False

#If EarlyBound Then
Private o As Nelvo_data.getuser_data
#Else
Private o As Object
#End If

' Asks for a file and its kind, then fills a new sheet.
Public Sub RecordsToNewSheet()
    Dim path As Variant, kind As String
    path = Application.GetOpenFilename(Title:="Nelvo data file")
    If VarType(path) = vbBoolean Then Exit Sub    ' cancelled
    kind = InputBox("Kind of file: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif", _
                    "Nelvo_data", "user")
    If kind <> "" Then FillSheet Worksheets.Add, CStr(path), LCase$(kind)
End Sub

Public Sub FillSheet(ByVal sheet As Worksheet, ByVal path As String, ByVal kind As String)
    Dim count As Long, n As Long, row As Long, textLine As Variant
#If EarlyBound Then
    Set o = New Nelvo_data.getuser_data
#Else
    Set o = CreateObject("Nelvo_data.getuser_data")
#End If
    On Error GoTo Failed
    Application.ScreenUpdating = False
    row = 1
    If kind = "tarif" Then
        count = o.getsatzanzahl(path)
        For n = 1 To count
            PutRow sheet, row, Split(o.tarifsatz_holen(path, n), ";")
            row = row + 1
        Next
    Else
        ' As text, so that "0,5" or the range "1-3" stay what they are.
        sheet.Cells.NumberFormat = "@"
        count = CountOf(kind, path)
        For n = 1 To count
            For Each textLine In Split(RecordOf(kind, path, n), vbCrLf)
                If textLine <> "" Then
                    PutRow sheet, row, Split(textLine, ";")
                    row = row + 1
                End If
            Next
        Next
    End If
Done:
    Application.ScreenUpdating = True
    Exit Sub
Failed:
    ' eigdat holds the path of the call that failed.
    MsgBox o.eigdat & ": " & Err.Description & " (error " & Err.Number & ")", vbExclamation, "Nelvo_data"
    Resume Done
End Sub

Private Sub PutRow(ByVal sheet As Worksheet, ByVal row As Long, ByVal values As Variant)
    sheet.Cells(row, 1).Resize(1, UBound(values) + 1).Value = values
End Sub

Private Function CountOf(ByVal kind As String, ByVal path As String) As Long
    Select Case kind
    Case "user": CountOf = o.getusersatzanzahl(path)
    Case "bda": CountOf = o.getBDAsatzanzahl(path)
    Case "jda": CountOf = o.getJDAsatzanzahl(path)
    Case "zuschlag": CountOf = o.getZUSCHLAGsatzanzahl(path)
    Case "sozvers": CountOf = o.getSOZVERSsatzanzahl(path)
    Case "urlaub": CountOf = o.getURLAUBsatzanzahl(path)
    Case "kalender": CountOf = o.getKALENDERsatzanzahl(path)
    Case Else: Err.Raise 5, "NelvoRecords", "Unknown kind of file: " & kind
    End Select
End Function

Private Function RecordOf(ByVal kind As String, ByVal path As String, ByVal n As Long) As String
    Select Case kind
    Case "user": RecordOf = o.userdatensatz_holen(path, n)
    Case "bda": RecordOf = o.BDAdatensatz_holen(path, n)
    Case "jda": RecordOf = o.JDAdatensatz_holen(path, n)
    Case "zuschlag": RecordOf = o.Zuschlägedatensatz_holen(path, n)
    Case "sozvers": RecordOf = o.SOZVERSdatensatz_holen(path, n)
    Case "urlaub": RecordOf = o.URLAUBdatensatz_holen(path, n)
    Case "kalender": RecordOf = o.KALENDERdatensatz_holen(path, n)
    End Select
End Function
