// Writes every record of a data file as text into a Unicode text file.
//   cscript //nologo export.js KIND DATAFILE OUTFILE
//   KIND: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif
// Exits with the number of failures, 0 when every call succeeded.

// The count member and the reader of each kind of file.
var members = {
    user: ["getusersatzanzahl", "userdatensatz_holen"],
    bda: ["getBDAsatzanzahl", "BDAdatensatz_holen"],
    jda: ["getJDAsatzanzahl", "JDAdatensatz_holen"],
    zuschlag: ["getZUSCHLAGsatzanzahl", "Zuschlägedatensatz_holen"],
    sozvers: ["getSOZVERSsatzanzahl", "SOZVERSdatensatz_holen"],
    urlaub: ["getURLAUBsatzanzahl", "URLAUBdatensatz_holen"],
    kalender: ["getKALENDERsatzanzahl", "KALENDERdatensatz_holen"],
    tarif: ["getsatzanzahl", "tarife_holen"]
};

var args = WScript.Arguments;
if (args.length != 3 || !members.hasOwnProperty(args(0).toLowerCase())) {
    WScript.Echo("usage: cscript //nologo export.js KIND DATAFILE OUTFILE");
    WScript.Quit(1);
}
var kind = args(0).toLowerCase(), path = args(1), outFile = args(2);

var o = new ActiveXObject("Nelvo_data.getuser_data");
// Unicode (UTF-16), so that every character of the text is kept.
var out = new ActiveXObject("Scripting.FileSystemObject").CreateTextFile(outFile, true, true);
var failures = 0, count = 0;
try {
    count = o[members[kind][0]](path);
    if (kind == "tarif") {
        // All records in one call. JScript passes numbers by value, so ask
        // for exactly the records there are.
        out.Write(o.tarife_holen(path, 1, count));
    } else {
        for (var n = 1; n <= count; n++) out.Write(o[members[kind][1]](path, n));
    }
} catch (e) {
    // The HRESULT is 0x800A0000 + the run-time error number.
    failures++;
    WScript.Echo(o.eigdat + ": " + e.description + " (error " + (e.number & 0xFFFF) + ")");
}
out.Close();

if (failures == 0) WScript.Echo(count + " records of " + path + " written to " + outFile);
WScript.Quit(failures);
