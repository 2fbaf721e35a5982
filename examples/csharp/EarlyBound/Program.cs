// Reads Nelvo data files early-bound, through the interop types made from the
// type library Nelvo_data (namespace Nelvo_data): the compiler knows every
// member and its parameters.
//   EarlyBound export KIND FILE OUTFILE    every record's text, as UTF-8
//   EarlyBound tariff FILE FROM TO         tariff records FROM to TO, then the values of FROM
// KIND: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif.
using System;
using System.Collections.Generic;
using System.IO;
using System.Runtime.InteropServices;
using System.Text;
using Nelvo_data;

static class Program
{
    [STAThread] // the apartment the class lives in: calls go straight to it
    static int Main(string[] args)
    {
        getuser_data o = null;
        // The count member and the reader of each kind. The parameters are
        // "ref" in the type library; C# lets COM callers leave "ref" out, and
        // then passes a copy.
        var kinds = new Dictionary<string, (Func<string, object> Count, Func<string, int, object> Read)>
        {
            ["user"] = (p => o.getusersatzanzahl(p), (p, n) => o.userdatensatz_holen(p, n)),
            ["bda"] = (p => o.getBDAsatzanzahl(p), (p, n) => o.BDAdatensatz_holen(p, n)),
            ["jda"] = (p => o.getJDAsatzanzahl(p), (p, n) => o.JDAdatensatz_holen(p, n)),
            ["zuschlag"] = (p => o.getZUSCHLAGsatzanzahl(p), (p, n) => o.Zuschlägedatensatz_holen(p, n)),
            ["sozvers"] = (p => o.getSOZVERSsatzanzahl(p), (p, n) => o.SOZVERSdatensatz_holen(p, n)),
            ["urlaub"] = (p => o.getURLAUBsatzanzahl(p), (p, n) => o.URLAUBdatensatz_holen(p, n)),
            ["kalender"] = (p => o.getKALENDERsatzanzahl(p), (p, n) => o.KALENDERdatensatz_holen(p, n)),
            ["tarif"] = (p => o.getsatzanzahl(p), null),
        };
        bool export = args.Length == 4 && args[0] == "export" && kinds.ContainsKey(args[1].ToLowerInvariant());
        bool tariff = args.Length == 4 && args[0] == "tariff";
        if (!export && !tariff)
        {
            Console.Error.WriteLine("usage: EarlyBound export KIND FILE OUTFILE | EarlyBound tariff FILE FROM TO");
            return 2;
        }
        o = new getuser_data();
        try
        {
            if (export)
            {
                var (count, read) = kinds[args[1].ToLowerInvariant()];
                string path = args[2];
                var text = new StringBuilder();
                if (read == null)
                {
                    int von = 1, bis = int.MaxValue; // all records: bis comes back as the count
                    text.Append((string)o.tarife_holen(ref path, ref von, ref bis));
                }
                else
                {
                    int records = (int)count(path);
                    for (int n = 1; n <= records; n++) text.Append((string)read(path, n));
                }
                File.WriteAllText(args[3], text.ToString()); // UTF-8, no BOM
            }
            else
            {
                string path = args[1];
                int von = int.Parse(args[2]), bis = int.Parse(args[3]);
                // Lowers bis to the record count when the file holds fewer.
                var text = (string)o.tarife_holen(ref path, ref von, ref bis);
                Console.WriteLine($"Records {von} to {bis} of {path}:");
                Console.WriteLine(text);
                int k = 0;
                foreach (string value in ((string)o.tarifsatz_holen(ref path, ref von)).Split(';'))
                    Console.WriteLine($"Feld({k++}) = {value}");
            }
            return 0;
        }
        catch (COMException e)
        {
            // HResult is 0x800A0000 + the run-time error number; eigdat holds
            // the path of the call that failed.
            Console.Error.WriteLine($"{o.eigdat}: {e.Message} (error {e.HResult & 0xFFFF})");
            return 1;
        }
    }
}
