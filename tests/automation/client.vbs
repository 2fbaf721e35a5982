' VBScript client of Nelvo_data.getuser_data: calls every member by name,
' with plain script variables, and compares each answer with the text the
' portable library gave for the same file (UTF-16 files in the expected
' directory). Saved as UTF-8 in the repository, run as Windows-1252.
'   cscript client.vbs DATA-DIR EXPECTED-DIR
Option Explicit
Dim fso, o, dataDir, expDir, passed, failed
Set fso = CreateObject("Scripting.FileSystemObject")
dataDir = WScript.Arguments(0)
expDir = WScript.Arguments(1)
passed = 0
failed = 0

Sub Check(ok, what)
    If ok Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "FAILED: " & what
    End If
End Sub

Function Expected(name)
    If fso.GetFile(expDir & "\" & name).Size <= 2 Then
        Expected = ""
    Else
        Expected = fso.OpenTextFile(expDir & "\" & name, 1, False, -1).ReadAll()
    End If
End Function

Function CountOf(kind, p)
    Select Case kind
    Case "user": CountOf = o.getusersatzanzahl(p)
    Case "jda": CountOf = o.getJDAsatzanzahl(p)
    Case "bda": CountOf = o.getBDAsatzanzahl(p)
    Case "zuschlag": CountOf = o.getZUSCHLAGsatzanzahl(p)
    Case "sozvers": CountOf = o.getSOZVERSsatzanzahl(p)
    Case "urlaub": CountOf = o.getURLAUBsatzanzahl(p)
    Case "kalender": CountOf = o.getKALENDERsatzanzahl(p)
    Case "tarif": CountOf = o.getsatzanzahl(p)
    End Select
End Function

Function RecordOf(kind, p, n)
    Select Case kind
    Case "user": RecordOf = o.userdatensatz_holen(p, n)
    Case "jda": RecordOf = o.JDAdatensatz_holen(p, n)
    Case "bda": RecordOf = o.BDAdatensatz_holen(p, n)
    Case "zuschlag": RecordOf = o.Zuschlägedatensatz_holen(p, n)
    Case "sozvers": RecordOf = o.SOZVERSdatensatz_holen(p, n)
    Case "urlaub": RecordOf = o.URLAUBdatensatz_holen(p, n)
    Case "kalender": RecordOf = o.KALENDERdatensatz_holen(p, n)
    Case "tarif": RecordOf = o.tarifsatz_holen(p, n)
    End Select
End Function

Sub EveryFile()
    Dim files, i, kind, file, p, c, n, text
    files = Array("user", "personal.13", "user", "personal.14", "jda", "jda.dat", "bda", "bda.dat", _
                  "zuschlag", "zuschlag.dat", "sozvers", "sozvers.dat", "urlaub", "urlaub.dat", _
                  "kalender", "kalender.dat", "tarif", "tarif.dat")
    For i = 0 To UBound(files) Step 2
        kind = files(i)
        file = files(i + 1)
        p = dataDir & "\" & file
        c = CountOf(kind, p)
        Check TypeName(c) = "Long", file & ": count is a Long"
        Check c = CLng(Replace(Replace(Expected(file & ".count"), vbLf, ""), vbCr, "")), file & ": count"
        For n = 1 To c + 1
            text = RecordOf(kind, p, n)
            Check TypeName(text) = "String", file & " record " & n & ": a String"
            Check text = Expected(file & "." & n & ".txt"), file & " record " & n & ": text"
        Next
        Check o.eigdat = p, file & ": eigdat holds the path"
    Next
End Sub

Sub LetterCases()
    Dim p, n
    p = dataDir & "\zuschlag.dat"
    n = 1
    Check o.zuschlägedatensatz_holen(p, n) = Expected("zuschlag.dat.1.txt"), "lower case"
    Check o.ZUSCHLÄGEDATENSATZ_HOLEN(p, n) = Expected("zuschlag.dat.1.txt"), "upper case"
End Sub

Sub TariffRange()
    Dim p, von, bis, text
    p = dataDir & "\tarif.dat"
    von = 2
    bis = 10
    text = o.tarife_holen(p, von, bis)
    Check text = Expected("tarife-2-10.txt"), "tarife_holen text"
    Check bis = 4, "hssatzbis lowered to the count in the variable (" & bis & ")"
    Check von = 2, "hssatzvon unchanged"
    bis = CLng(99)
    text = o.tarife_holen(p, von, bis)
    Check bis = 4, "a Long variable is lowered too"
    bis = 10
    text = o.tarife_holen(p, von, (bis))
    Check bis = 10, "a parenthesised argument is not written back"
    Check o.tarife_holen(p, 2, 10) = Expected("tarife-2-10.txt"), "literal arguments"
    Check o.tarife_holen((p), (von), (bis)) = Expected("tarife-2-10.txt"), "parenthesised arguments"
End Sub

Sub Eigdat()
    o.eigdat = "C:\daten\personal.13"
    Check o.eigdat = "C:\daten\personal.13", "eigdat property put and get"
End Sub

Sub Errors()
    Dim p, n, text, missing
    p = dataDir & "\bda.dat"
    n = 0
    text = "unchanged"
    On Error Resume Next
    text = o.BDAdatensatz_holen(p, n)
    Check Err.Number = 63, "record 0: Err.Number " & Err.Number
    Check Err.Description = "Bad record number", "record 0: Err.Description " & Err.Description
    Check Err.Source = "Nelvo_data", "record 0: Err.Source " & Err.Source
    Check text = "unchanged", "record 0: no result"
    Err.Clear
    text = o.tarife_holen(dataDir & "\tarif.dat", 0, 3)
    Check Err.Number = 63, "range from 0: Err.Number " & Err.Number
    Err.Clear
    missing = dataDir & "\no-such-dir\bda.dat"
    text = o.getBDAsatzanzahl(missing)
    Check Err.Number = 76, "missing directory: Err.Number " & Err.Number
    Check Err.Description = "Path not found", "missing directory: Err.Description " & Err.Description
    Err.Clear
    On Error GoTo 0
    Check o.eigdat = missing, "eigdat keeps the path of a failed call"
End Sub

'' A failing call many times over, in the shape scripts write it: the path in
' a variable or as an expression, the record numbers as constants. Each
' answers error 63 from Nelvo_data (a string freed twice would be handed out
' again while in use, and read as another). Then a failure of a component
' that sets no error object of its own, a dictionary's duplicate key, is
' reported as its own, not as this server's last failure.
Sub ErrorObjects()
    Dim p, i, wrong, dict
    p = dataDir & "\tarif.dat"
    wrong = 0
    On Error Resume Next
    For i = 1 To 300
        Err.Clear
        o.tarife_holen p, 0, 3
        If Err.Number <> 63 Or Err.Source <> "Nelvo_data" Or Err.Description <> "Bad record number" Then wrong = wrong + 1
        Err.Clear
        o.tarife_holen dataDir & "\tarif.dat", 0, 3
        If Err.Number <> 63 Or Err.Source <> "Nelvo_data" Or Err.Description <> "Bad record number" Then wrong = wrong + 1
    Next
    Check wrong = 0, "600 failing calls, " & wrong & " with another error, source or description"
    Set dict = CreateObject("Scripting.Dictionary")
    dict.Add "k", 1
    Err.Clear
    o.tarife_holen p, 0, 3
    Check Err.Number = 63, "before the dictionary: Err.Number " & Err.Number
    Err.Clear
    dict.Add "k", 2
    Check Err.Number = 457, "duplicate key: Err.Number " & Err.Number
    Check Err.Source <> "Nelvo_data", "duplicate key: Err.Source " & Err.Source
    Check Err.Description <> "Bad record number", "duplicate key: Err.Description " & Err.Description
    Err.Clear
    On Error GoTo 0
End Sub

' The bitness of this script host, for the caller to check.
WScript.Echo "process: " & CreateObject("WScript.Shell").Environment("Process")("PROCESSOR_ARCHITECTURE")
Set o = CreateObject("Nelvo_data.getuser_data")
EveryFile
LetterCases
TariffRange
Eigdat
Errors
ErrorObjects
WScript.Echo passed & " passed, " & failed & " failed"
WScript.Quit failed
