' Writes every record of a data file as text into a Unicode text file.
'   cscript //nologo export.vbs KIND DATAFILE OUTFILE
'   KIND: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif
' Exits with the number of failures, 0 when every call succeeded.
Option Explicit
Dim o, kind, path, outFile, out, count, n, von, bis, failures
failures = 0

' Reports the failure of the last call, if any, and counts it. eigdat holds
' the path of that call.
Function Failed()
    Dim number, description
    number = Err.Number
    description = Err.Description
    Err.Clear
    Failed = (number <> 0)
    If Failed Then
        failures = failures + 1
        WScript.Echo o.eigdat & ": " & description & " (error " & number & ")"
    End If
End Function

Function CountOf(kind, path)
    Select Case kind
    Case "user": CountOf = o.getusersatzanzahl(path)
    Case "bda": CountOf = o.getBDAsatzanzahl(path)
    Case "jda": CountOf = o.getJDAsatzanzahl(path)
    Case "zuschlag": CountOf = o.getZUSCHLAGsatzanzahl(path)
    Case "sozvers": CountOf = o.getSOZVERSsatzanzahl(path)
    Case "urlaub": CountOf = o.getURLAUBsatzanzahl(path)
    Case "kalender": CountOf = o.getKALENDERsatzanzahl(path)
    End Select
End Function

Function RecordOf(kind, path, n)
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

If WScript.Arguments.Count <> 3 Then
    WScript.Echo "usage: cscript //nologo export.vbs KIND DATAFILE OUTFILE"
    WScript.Quit 1
End If
kind = LCase(WScript.Arguments(0))
path = WScript.Arguments(1)
outFile = WScript.Arguments(2)
If InStr(" user bda jda zuschlag sozvers urlaub kalender tarif ", " " & kind & " ") = 0 Then
    WScript.Echo "unknown kind of file: " & kind
    WScript.Quit 1
End If

Set o = CreateObject("Nelvo_data.getuser_data")
' Unicode (UTF-16), so that every character of the text is kept.
Set out = CreateObject("Scripting.FileSystemObject").CreateTextFile(outFile, True, True)

On Error Resume Next
If kind = "tarif" Then
    ' All records in one call: tarife_holen lowers bis to the record count.
    von = 1
    bis = 2147483647
    out.Write o.tarife_holen(path, von, bis)
    count = bis
    Failed
Else
    count = CountOf(kind, path)
    If Failed() Then count = 0
    For n = 1 To count
        out.Write RecordOf(kind, path, n)
        If Failed() Then Exit For
    Next
End If
out.Close

If failures = 0 Then WScript.Echo count & " records of " & path & " written to " & outFile
WScript.Quit failures
