' How many records a personnel file holds, and the text of the first one.
'   cscript //nologo first.vbs C:\Lohn\personal.13
' Exits with 1 when something failed, 0 otherwise.
Option Explicit
Dim o, path, count

path = WScript.Arguments(0)
On Error Resume Next
Set o = CreateObject("Nelvo_data.getuser_data")
If Err.Number <> 0 Then
    WScript.Echo "Nelvo_data.getuser_data: " & Err.Description & " (error " & Err.Number & ")." & _
        " Is the DLL of this script host's bitness registered (register.cmd)?"
    WScript.Quit 1
End If

count = o.getusersatzanzahl(path)
If Err.Number = 0 Then
    WScript.Echo path & " holds " & count & " records."
    If count > 0 Then WScript.Echo o.userdatensatz_holen(path, 1)
End If
If Err.Number <> 0 Then
    WScript.Echo path & ": " & Err.Description & " (error " & Err.Number & ")"
    WScript.Quit 1
End If
