// Reads Nelvo data files late-bound: the object comes from its ProgID and
// its members are looked up by name when called (dynamic).
//   LateBound export KIND FILE OUTFILE    every record's text, as UTF-8
//   LateBound tariff FILE FROM TO         tariff records FROM to TO, then the values of FROM
// KIND: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif.
using System;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using System.Text;

static class Program
{
    static readonly string[] Kinds = { "user", "bda", "jda", "zuschlag", "sozvers", "urlaub", "kalender", "tarif" };

    [STAThread] // the apartment the class lives in: calls go straight to it
    static int Main(string[] args)
    {
        bool export = args.Length == 4 && args[0] == "export" && Kinds.Contains(args[1].ToLowerInvariant());
        bool tariff = args.Length == 4 && args[0] == "tariff";
        if (!export && !tariff)
        {
            Console.Error.WriteLine("usage: LateBound export KIND FILE OUTFILE | LateBound tariff FILE FROM TO");
            return 2;
        }
        dynamic o = Activator.CreateInstance(Type.GetTypeFromProgID("Nelvo_data.getuser_data", throwOnError: true));
        try
        {
            if (export)
                File.WriteAllText(args[3], Export(o, args[1].ToLowerInvariant(), args[2])); // UTF-8, no BOM
            else
                Tariff(o, args[1], int.Parse(args[2]), int.Parse(args[3]));
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

    static string Export(dynamic o, string kind, string path)
    {
        if (kind == "tarif")
        {
            int bis = int.MaxValue; // all records: tarife_holen lowers bis to the count
            return o.tarife_holen(path, 1, ref bis);
        }
        int count = kind switch
        {
            "user" => o.getusersatzanzahl(path),
            "bda" => o.getBDAsatzanzahl(path),
            "jda" => o.getJDAsatzanzahl(path),
            "zuschlag" => o.getZUSCHLAGsatzanzahl(path),
            "sozvers" => o.getSOZVERSsatzanzahl(path),
            "urlaub" => o.getURLAUBsatzanzahl(path),
            _ => o.getKALENDERsatzanzahl(path),
        };
        var text = new StringBuilder();
        for (int n = 1; n <= count; n++)
        {
            string record = kind switch
            {
                "user" => o.userdatensatz_holen(path, n),
                "bda" => o.BDAdatensatz_holen(path, n),
                "jda" => o.JDAdatensatz_holen(path, n),
                "zuschlag" => o.Zuschlägedatensatz_holen(path, n),
                "sozvers" => o.SOZVERSdatensatz_holen(path, n),
                "urlaub" => o.URLAUBdatensatz_holen(path, n),
                _ => o.KALENDERdatensatz_holen(path, n),
            };
            text.Append(record);
        }
        return text.ToString();
    }

    static void Tariff(dynamic o, string path, int von, int bis)
    {
        string text = o.tarife_holen(path, von, ref bis); // lowers bis to the record count
        Console.WriteLine($"Records {von} to {bis} of {path}:");
        Console.WriteLine(text);
        string values = o.tarifsatz_holen(path, von);
        int k = 0;
        foreach (string value in values.Split(';'))
            Console.WriteLine($"Feld({k++}) = {value}");
    }
}
