' The late-bound side of bench/automation-latebound.sh: ROUNDS calls of
' userdatensatz_holen by name, cycling through the file's records. Prints
' the seconds per call (Timer counts in steps of a few milliseconds, so
' ROUNDS should make the loop last a second or so).
'   cscript latebound.vbs FILE ROUNDS
Option Explicit
Dim o, p, rounds, count, i, n, text, start
p = WScript.Arguments(0)
rounds = CLng(WScript.Arguments(1))
Set o = CreateObject("Nelvo_data.getuser_data")
count = o.getusersatzanzahl(p)
n = 1
start = Timer
For i = 1 To rounds
    text = o.userdatensatz_holen(p, n)
    n = n + 1
    If n > count Then n = 1
Next
' Plain CStr: the text may carry a decimal comma and an exponent.
WScript.Echo CStr((Timer - start) / rounds)
