// Shows tariff records FROM to TO of a tariff table file (all records when
// FROM and TO are left out), then the 27 values of record FROM one by one.
//   cscript //nologo tariff.js TARIFFILE [FROM TO]
// Exits with 1 when a call failed, 0 otherwise.
var args = WScript.Arguments;
var path = args(0);
var von = args.length == 3 ? parseInt(args(1), 10) : 1;
var bis = args.length == 3 ? parseInt(args(2), 10) : 2147483647;

var o = new ActiveXObject("Nelvo_data.getuser_data");
try {
    // JScript passes numbers by value: tarife_holen cannot lower bis in this
    // script, so take the record count from getsatzanzahl.
    bis = Math.min(bis, o.getsatzanzahl(path));
    var text = o.tarife_holen(path, von, bis);
    WScript.Echo("Records " + von + " to " + bis + " of " + path + ":");
    WScript.Echo(text);
    var values = o.tarifsatz_holen(path, von).split(";");
    for (var k = 0; k < values.length; k++) WScript.Echo("Feld(" + k + ") = " + values[k]);
} catch (e) {
    WScript.Echo(o.eigdat + ": " + e.description + " (error " + (e.number & 0xFFFF) + ")");
    WScript.Quit(1);
}
