<#
.SYNOPSIS
Shows tariff records From to To of a tariff table file (all by default),
then the 27 values of record From one by one.
.EXAMPLE
.\tariff.ps1 -Path C:\Lohn\tarif.dat -From 3 -To 5
#>
param(
    [Parameter(Mandatory)] [string] $Path,
    [int] $From = 1,
    [int] $To = [int]::MaxValue
)
$ErrorActionPreference = 'Stop'

$o = New-Object -ComObject Nelvo_data.getuser_data
$bis = $To
# [ref]: tarife_holen lowers $bis to the record count when the file holds fewer.
$text = $o.tarife_holen($Path, $From, [ref]$bis)
"Records $From to $bis of ${Path}:"
$text
$values = $o.tarifsatz_holen($Path, $From).Split(';')
for ($k = 0; $k -lt $values.Count; $k++) {
    "Feld($k) = $($values[$k])"
}
