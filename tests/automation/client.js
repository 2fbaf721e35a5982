// JScript client of Nelvo_data.getuser_data: every member by name, answers
// compared with the portable library's text for the same files. JScript
// passes arguments by value, so nothing is written back here.
//   cscript client.js DATA-DIR EXPECTED-DIR
var fso = new ActiveXObject("Scripting.FileSystemObject");
var dataDir = WScript.Arguments(0);
var expDir = WScript.Arguments(1);
var passed = 0, failed = 0;

function check(ok, what) {
    if (ok) {
        passed++;
    } else {
        failed++;
        WScript.Echo("FAILED: " + what);
    }
}

function expected(name) {
    var path = expDir + "\\" + name;
    if (fso.GetFile(path).Size <= 2) return "";
    return fso.OpenTextFile(path, 1, false, -1).ReadAll();
}

var files = [
    ["personal.13", "getusersatzanzahl", "userdatensatz_holen"],
    ["personal.14", "getusersatzanzahl", "userdatensatz_holen"],
    ["jda.dat", "getJDAsatzanzahl", "JDAdatensatz_holen"],
    ["bda.dat", "getBDAsatzanzahl", "BDAdatensatz_holen"],
    ["zuschlag.dat", "getZUSCHLAGsatzanzahl", "Zuschlägedatensatz_holen"],
    ["sozvers.dat", "getSOZVERSsatzanzahl", "SOZVERSdatensatz_holen"],
    ["urlaub.dat", "getURLAUBsatzanzahl", "URLAUBdatensatz_holen"],
    ["kalender.dat", "getKALENDERsatzanzahl", "KALENDERdatensatz_holen"],
    ["tarif.dat", "getsatzanzahl", "tarifsatz_holen"]
];

// The bitness of this script host, for the caller to check.
WScript.Echo("process: " + new ActiveXObject("WScript.Shell").Environment("Process")("PROCESSOR_ARCHITECTURE"));
var o = new ActiveXObject("Nelvo_data.getuser_data");
for (var i = 0; i < files.length; i++) {
    var file = files[i][0], p = dataDir + "\\" + file;
    var c = o[files[i][1]](p);
    check(c === parseInt(expected(file + ".count"), 10), file + ": count " + c);
    for (var n = 1; n <= c + 1; n++)
        check(o[files[i][2]](p, n) === expected(file + "." + n + ".txt"), file + " record " + n);
    check(o.eigdat === p, file + ": eigdat");
}

check(o.zuschlägedatensatz_holen(dataDir + "\\zuschlag.dat", 1) === expected("zuschlag.dat.1.txt"), "lower case");
check(o.ZUSCHLÄGEDATENSATZ_HOLEN(dataDir + "\\zuschlag.dat", 1) === expected("zuschlag.dat.1.txt"), "upper case");
check(o.tarife_holen(dataDir + "\\tarif.dat", 2, 10) === expected("tarife-2-10.txt"), "tarife_holen");

o.eigdat = "C:\\daten\\personal.13";
check(o.eigdat === "C:\\daten\\personal.13", "eigdat put and get");

try {
    o.BDAdatensatz_holen(dataDir + "\\bda.dat", 0);
    check(false, "record 0 must fail");
} catch (e) {
    check((e.number & 0xFFFF) === 63 && (e.number >>> 16) === 0x800A, "record 0: number " + e.number);
    check(e.description === "Bad record number", "record 0: description " + e.description);
}

WScript.Echo(passed + " passed, " + failed + " failed");
WScript.Quit(failed);
