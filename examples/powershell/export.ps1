<#
.SYNOPSIS
Writes every record of a Nelvo data file as text (UTF-8) into a file.
.EXAMPLE
.\export.ps1 -Kind user -Path C:\Lohn\personal.13 -OutFile personal.txt
#>
param(
    [Parameter(Mandatory)]
    [ValidateSet('user', 'bda', 'jda', 'zuschlag', 'sozvers', 'urlaub', 'kalender', 'tarif')]
    [string] $Kind,
    [Parameter(Mandatory)] [string] $Path,
    [Parameter(Mandatory)] [string] $OutFile
)
$ErrorActionPreference = 'Stop'

# The count member and the reader of each kind of file.
$members = @{
    user     = 'getusersatzanzahl', 'userdatensatz_holen'
    bda      = 'getBDAsatzanzahl', 'BDAdatensatz_holen'
    jda      = 'getJDAsatzanzahl', 'JDAdatensatz_holen'
    zuschlag = 'getZUSCHLAGsatzanzahl', 'Zuschlägedatensatz_holen'
    sozvers  = 'getSOZVERSsatzanzahl', 'SOZVERSdatensatz_holen'
    urlaub   = 'getURLAUBsatzanzahl', 'URLAUBdatensatz_holen'
    kalender = 'getKALENDERsatzanzahl', 'KALENDERdatensatz_holen'
}

$o = New-Object -ComObject Nelvo_data.getuser_data
try {
    if ($Kind -eq 'tarif') {
        # All records in one call: tarife_holen lowers $bis to the record count.
        $bis = [int]::MaxValue
        $text = $o.tarife_holen($Path, 1, [ref]$bis)
        $count = $bis
    } else {
        $countMember, $reader = $members[$Kind]
        $count = $o.$countMember($Path)
        $records = [System.Text.StringBuilder]::new()
        for ($n = 1; $n -le $count; $n++) {
            [void]$records.Append($o.$reader($Path, $n))
        }
        $text = $records.ToString()
    }
    Set-Content -LiteralPath $OutFile -Value $text -NoNewline -Encoding UTF8
    "$count records of $Path written to $OutFile"
} catch {
    # The COM error inside PowerShell's: HResult is 0x800A0000 + the run-time
    # error number, Message its description; eigdat holds the failed call's path.
    $e = $_.Exception
    while ($e.InnerException) { $e = $e.InnerException }
    [Console]::Error.WriteLine('{0}: {1} (error {2})' -f $o.eigdat, $e.Message, ($e.HResult -band 0xFFFF))
    exit 1
}
