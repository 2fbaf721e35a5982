' Shows tariff records FROM to TO of a tariff table file (all records when
' FROM and TO are left out), then the 27 values of record FROM one by one.
'   cscript //nologo tariff.vbs TARIFFILE [FROM TO]
' Exits with 1 when a call failed, 0 otherwise.
Option Explicit
Dim o, path, von, bis, text, values, k

path = WScript.Arguments(0)
von = 1
bis = 2147483647
If WScript.Arguments.Count = 3 Then
    von = CLng(WScript.Arguments(1))
    bis = CLng(WScript.Arguments(2))
End If

Set o = CreateObject("Nelvo_data.getuser_data")
On Error Resume Next
' tarife_holen lowers bis to the record count when the file holds fewer.
text = o.tarife_holen(path, von, bis)
If Err.Number = 0 Then
    WScript.Echo "Records " & von & " to " & bis & " of " & path & ":"
    WScript.Echo text
    values = Split(o.tarifsatz_holen(path, von), ";")
End If
If Err.Number <> 0 Then
    WScript.Echo o.eigdat & ": " & Err.Description & " (error " & Err.Number & ")"
    WScript.Quit 1
End If
For k = 0 To UBound(values)
    WScript.Echo "Feld(" & k & ") = " & values(k)
Next
