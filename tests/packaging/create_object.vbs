' Creates the class by its ProgID, as a caller's script does, and prints the
' record count of the BDA file named by the first argument.
Option Explicit
Dim o
Set o = CreateObject("Nelvo_data.getuser_data")
WScript.Echo o.getBDAsatzanzahl(WScript.Arguments(0))
