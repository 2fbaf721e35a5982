#!/usr/bin/env python3
"""nelvo-data as a careful user meets it: the command line's refusals and
failures (exit code, a message naming the cause, nothing written), the
personnel layout control, standard input, an export interrupted or failing
part-way, the progress line in a narrow terminal, CSV read back by a strict
parser, and JSON validated against the tool's own schema.

    cli_behaviour_test.py NELVO-DATA MAKE-SAMPLES SAMPLES-DIR
"""
import csv
import io
import json
import math
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

from terminal_session import run_in_terminal

TOOL, MAKE_SAMPLES, SAMPLES = (os.path.abspath(a) for a in sys.argv[1:4])
KINDS = ["user", "bda", "jda", "zuschlag", "sozvers", "urlaub", "kalender", "tarif"]


def run(args, stdin=None, cwd=None):
    extra = {"input": stdin} if stdin is not None else {"stdin": subprocess.DEVNULL}
    p = subprocess.run([TOOL] + args, cwd=cwd, capture_output=True, timeout=60, **extra)
    return p.returncode, p.stdout, p.stderr.decode("utf-8", "replace")


def sample(name):
    return os.path.join(SAMPLES, name)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Scratch(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="nelvo-cli-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def make(self, kind, records, name):
        subprocess.run([MAKE_SAMPLES, "--kind", kind, "--records", str(records), self.path(name)], check=True)
        return self.path(name)


class Refusals(Scratch):
    """Usage errors exit 2 and name the option; failures exit 1 and say why;
    in both cases the output named by -o is not created, or left as it was."""

    def test_every_case(self):
        missing = self.path("nosuch.dat")
        bda = sample("bda.dat")
        os.mkdir(self.path("a-dir"))
        F = "File not found (error 53)"
        cases = [
            # 3. input: a missing file in every subcommand; "-" where it is not read
            (["export", "user", missing, "--format", "csv"], 1, F),
            (["count", "bda", missing], 1, F),
            (["show", "bda", missing, "1"], 1, F),
            (["tarife", missing, "1", "2"], 1, F),
            (["tarifsatz", missing, "1"], 1, F),
            (["dump", "bda", missing, "1"], 1, F),
            (["check", "bda", missing], 1, F),
            (["identify", missing], 1, F),
            (["show", "bda", "-", "1"], 2, "'-' (standard input) is read by export, check and identify only"),
            (["export", "user", "-"], 2, "--layout"),
            # 4. ranges, checked before anything is written
            (["export", "bda", bda, "--to", "2147483647"], 2, "--to 2147483647 is past the last record: " + bda + " has 4 records"),
            (["export", "bda", bda, "--to", "5"], 2, "has 4 records"),
            (["export", "bda", bda, "--from", "0"], 2, "--from"),
            (["export", "bda", bda, "--from", "-3"], 2, "--from"),
            (["export", "bda", bda, "--from", "5", "--to", "2"], 2, "--from: 5 is past --to 2"),
            (["export", "bda", bda, "--from", "5"], 2, "--from 5 is past the last record"),
            # 5. separators
            (["--decimal-separator", "", "export", "urlaub", sample("urlaub.dat")], 2, "--decimal-separator"),
            (["--decimal-separator", ";", "count", "bda", bda], 2, "--decimal-separator"),
            (["--decimal-separator", '"', "count", "bda", bda], 2, "--decimal-separator"),
            (["--decimal-separator", "xxxx", "count", "bda", bda], 2, "one to three characters"),
            (["--decimal-separator", "1", "count", "bda", bda], 2, "--decimal-separator"),
            (["--decimal-separator", "xx", "count", "bda", bda], 2, "a letter"),
            (["--decimal-separator", "-", "count", "bda", bda], 2, "--decimal-separator"),
            (["--decimal-separator", "\n", "count", "bda", bda], 2, "--decimal-separator"),
            (["--decimal-separator", ".", "export", "urlaub", sample("urlaub.dat"), "-f", "csv", "--delimiter", "."], 2,
             "the CSV delimiter '.'"),
            # 8. messages and conventions
            (["cuont", "bda", bda], 2, "unknown subcommand 'cuont'; did you mean count?"),
            (["export", "bdaa", bda], 2, "did you mean bda? Kinds: user, bda, jda, zuschlag, sozvers, urlaub, kalender or tarif"),
            (["export", "bda", bda, "--format", "xml"], 2, "--format"),
            (["export", "bda", bda, "--format", "json", "--delimiter", ";"], 2, "--delimiter: does not apply to --format json"),
            (["export", "bda", bda, "--guard-formulas"], 2, "--guard-formulas: does not apply to --format text"),
            (["export", "bda", bda, "--fields", "datum"], 2, "--fields: does not apply to --format text"),
            (["--decimal-separator", ",", "export", "bda", bda, "--format", "jsonl"], 2, "--decimal-separator: does not apply"),
            (["count", "bda", bda, "--layout", "1920"], 2, "--layout: applies to kind user only"),
            (["count", "user", bda, "--layout", "1900"], 2, "--layout"),
            (["export", "bda", bda, "-o", self.path("a-dir")], 1, "-o " + self.path("a-dir") + ": Is a directory"),
            (["export", "bda", bda, "-o", self.path("no-dir/out.txt")], 1, "No such file or directory"),
            (["export", "bda", bda, "-o", bda], 2, "is the data file itself"),
            # 10. fields
            (["export", "user", sample("personal.13"), "-f", "csv", "--fields", "ztext0,ztxt0"], 2,
             "--fields: wnw has no field 'ztxt0'; closest: ztext0"),
            (["export", "user", sample("personal.13"), "-f", "json", "--fields", "ztext0,Luckkv,ztext0"], 2,
             "--fields: 'ztext0' is named twice"),
        ]
        for args, code, says in cases:
            with self.subTest(args=args):
                for out, before in (("new.out", None), ("old.out", b"old")):
                    target = self.path(out)
                    if before is not None:
                        with open(target, "wb") as f:
                            f.write(before)
                    full = args + (["-o", target] if args[0] == "export" and "-o" not in args else [])
                    got, stdout, stderr = run(full)
                    self.assertEqual(got, code, stderr)
                    self.assertIn(says, stderr)
                    self.assertTrue(stderr.startswith("nelvo-data: "), stderr)
                    self.assertEqual(read(target) if before is not None else os.path.exists(target),
                                     before if before is not None else False)
                self.assertEqual(sorted(os.listdir(self.dir)), ["a-dir", "old.out"])
                os.remove(self.path("old.out"))

    def test_what_is_accepted(self):
        bda = sample("bda.dat")
        code, out, err = run(["--help"])
        self.assertEqual(code, 0)
        self.assertIn(b"kalender", out)
        code, out, err = run(["export", "bda", bda, "--format", "JSON"])
        self.assertEqual((code, json.loads(out)[3]["record"]), (0, 4))
        code, out, err = run(["export", "bda", bda, "--to", "6", "--pad", "-f", "csv"])
        self.assertEqual((code, out.count(b"\r\n")), (0, 7))
        code, out, err = run(["--decimal-separator", ",", "export", "urlaub", sample("urlaub.dat"), "-f", "csv"])
        self.assertEqual(code, 0, err)
        self.assertTrue(out.startswith(b"record;"))
        code, out, err = run(["--version"])
        self.assertEqual(code, 0)
        self.assertTrue(out.startswith(b"nelvo-data "))


class LayoutControl(Scratch):
    """f.13, ./f.13 and dir.d/f.13: the rule as the members apply it, a note
    when it reads a directory's ".", and --layout to choose outright."""

    def test_paths_and_layout(self):
        os.mkdir(self.path("dir.d"))
        shutil.copy(sample("personal.13"), self.path("f.13"))
        shutil.copy(sample("personal.13"), self.path("dir.d/f.13"))
        at = lambda *a: run(list(a), cwd=self.dir)
        self.assertEqual(at("count", "user", "f.13")[1:], (b"3\n", ""))
        for path in ("./f.13", "dir.d/f.13"):
            with self.subTest(path=path):
                code, out, err = at("count", "user", path)
                self.assertEqual((code, out), (0, b"4\n"))  # the members' count, unchanged
                self.assertEqual(err.count("\n"), 1, err)
                self.assertIn("read as 1513-byte personnel records", err)
                self.assertIn("--layout 1920 reads the other layout", err)
                self.assertEqual(at("count", "user", path, "--layout", "1920")[1:], (b"3\n", ""))
                self.assertEqual(at("show", "user", path, "2", "--layout", "1920")[1], at("show", "user", "f.13", "2")[1])
                self.assertEqual(at("export", "user", path, "--layout", "1920", "-f", "jsonl")[1],
                                 at("export", "user", "f.13", "-f", "jsonl")[1])
                # Read in the wrong layout, the export says which kind fits.
                code, out, err = at("export", "user", path, "-f", "jsonl")
                self.assertEqual(code, 0)
                self.assertIn("fits user --layout 1920, not user --layout 1513", err)
                self.assertEqual(at("export", "user", path, "-f", "jsonl", "--strict")[0], 1)
        self.assertEqual(at("count", "user", "f.13", "--layout", "1513")[1], b"4\n")


class WrongKind(Scratch):
    """A calendar file read as a tariff file, a BDA file as a calendar file:
    check and export name the kind that fits; --strict makes it an error."""

    def test_check_and_export_name_the_better_kind(self):
        for given, name, better in (("tarif", "kalender.dat", "kalender"), ("kalender", "bda.dat", "bda"),
                                    ("bda", "kalender.dat", "kalender")):
            with self.subTest(given=given, name=name):
                code, out, err = run(["check", given, sample(name)])
                self.assertEqual(code, 0)
                self.assertIn("warning: " + sample(name) + " fits " + better + ", not " + given, err)
                self.assertIn(b"fits " + better.encode() + b" better", out)
                self.assertEqual(run(["check", given, sample(name), "--strict"])[0], 1)
                target = self.path("out.txt")
                code, _, err = run(["export", given, sample(name), "--strict", "-o", target])
                self.assertEqual(code, 1)
                self.assertIn("--strict: nothing exported", err)
                self.assertFalse(os.path.exists(target))
                code, _, err = run(["export", given, sample(name), "-o", target])
                self.assertEqual(code, 0)
                self.assertIn("fits " + better, err)
                os.remove(target)
        # The right kind: not a word.
        self.assertEqual(run(["check", "kalender", sample("kalender.dat"), "--strict"])[0], 0)


class StandardInput(Scratch):
    def test_export_check_identify_read_standard_input(self):
        for kind, name in (("bda", "bda.dat"), ("tarif", "tarif.dat"), ("user", "personal.dat")):
            extra = ["--layout", "1513"] if kind == "user" else []
            data = read(sample(name))
            for fmt in ("text", "json", "csv"):
                with self.subTest(kind=kind, fmt=fmt):
                    code, piped, err = run(["export", kind, "-", "-f", fmt] + extra, stdin=data)
                    self.assertEqual((code, err), (0, ""))
                    self.assertEqual(piped, run(["export", kind, sample(name), "-f", fmt] + extra)[1])
            code, out, _ = run(["export", kind, "-", "--from", "2", "--to", "3", "-f", "jsonl"] + extra, stdin=data)
            self.assertEqual(out, run(["export", kind, sample(name), "--from", "2", "--to", "3", "-f", "jsonl"] + extra)[1])
            code, out, _ = run(["check", kind, "-"] + extra, stdin=data)
            self.assertEqual(out.replace(b"standard input", sample(name).encode()),
                             run(["check", kind, sample(name)] + extra)[1])
            code, out, _ = run(["identify", "-"], stdin=data)
            self.assertEqual(out.replace(b"standard input", sample(name).encode()), run(["identify", sample(name)])[1])
        # A partial last record of more than half a record is counted and zero-filled, as in a file.
        cut = read(sample("bda.dat"))[: 730 * 2 + 400]
        with open(self.path("cut.dat"), "wb") as f:
            f.write(cut)
        self.assertEqual(run(["export", "bda", "-"], stdin=cut)[1], run(["export", "bda", self.path("cut.dat")])[1])
        # A range past its end fails when it ends; the output is left as it was.
        with open(self.path("out.csv"), "wb") as f:
            f.write(b"old")
        code, out, err = run(["export", "bda", "-", "--to", "9", "-o", self.path("out.csv")], stdin=read(sample("bda.dat")))
        self.assertEqual(code, 2)
        self.assertIn("--to 9 is past the last record: standard input has 4 records", err)
        self.assertIn("was not written", err)
        self.assertEqual(read(self.path("out.csv")), b"old")
        self.assertEqual(sorted(os.listdir(self.dir)), ["cut.dat", "out.csv"])


class WholeOrAbsent(Scratch):
    """SIGINT or SIGTERM after the first chunk: no output file, the old one
    intact, 130 or 143; a full disk: 1 in words; a closed pipe: quiet."""

    def interrupt(self, sig, exit_code):
        big = self.make("bda", 3000, "big.dat")  # 2.2 MB
        data = read(big)
        target = self.path("out.json")
        with open(target, "wb") as f:
            f.write(b"old")
        p = subprocess.Popen([TOOL, "export", "bda", "-", "-f", "json", "-o", target, "--jobs", "2"],
                             stdin=subprocess.PIPE, stderr=subprocess.PIPE)
        p.stdin.write(data[:400 * 730])  # more than the first bytes it looks at, and a chunk
        p.stdin.flush()
        deadline = time.time() + 20
        part = None
        while time.time() < deadline and part is None:
            parts = [n for n in os.listdir(self.dir) if n.endswith(".part")]
            if parts and os.path.getsize(self.path(parts[0])) > 730:
                part = parts[0]
            time.sleep(0.02)
        self.assertIsNotNone(part, "no chunk was written")
        p.send_signal(sig)
        _, err = p.communicate(timeout=20)
        self.assertEqual(p.returncode, exit_code, err)
        self.assertIn(("nelvo-data: interrupted; " + target + " was not written").encode(), err)
        self.assertEqual(read(target), b"old")
        self.assertEqual(sorted(os.listdir(self.dir)), ["big.dat", "out.json"])

    def test_sigint(self):
        self.interrupt(signal.SIGINT, 130)

    def test_sigterm(self):
        self.interrupt(signal.SIGTERM, 143)

    def test_full_disk_and_directory(self):
        code, _, err = run(["export", "bda", sample("bda.dat"), "-o", "/dev/full"])
        self.assertEqual(code, 1)
        self.assertEqual(err, "nelvo-data: -o /dev/full: No space left on device\n")

    def test_closed_pipe_is_quiet(self):
        # Not ended by SIGPIPE (the default a shell hands down): the write
        # fails, and the tool ends quietly with 1, whatever the format.
        big = self.make("bda", 3000, "big.dat")
        for args in (["export", "bda", big], ["export", "bda", big, "-f", "jsonl", "--jobs", "3"],
                     ["export", "bda", big, "-f", "csv", "--jobs", "1"]):
            with self.subTest(args=args):
                p = subprocess.Popen([TOOL] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                p.stdout.read(100)
                p.stdout.close()
                err = p.stderr.read()
                p.stderr.close()
                self.assertEqual(p.wait(timeout=20), 1, err)
                self.assertEqual(err, b"")


class Progress(Scratch):
    def test_progress_fits_40_columns(self):
        records = 4400
        feeder = ("i=0; while [ $i -lt 20 ]; do head -c %d /dev/zero; sleep 0.1; i=$((i+1)); done" % (220 * 730))
        command = "(%s) | %s export bda - --to %d -f csv -o %s" % (feeder, TOOL, records, self.path("out.csv"))
        code, out = run_in_terminal(command, 40)
        self.assertEqual(code, 0, out)
        lines = re.split(rb"\r\n|\r|\n", out)
        self.assertTrue(any(b"%" in l and b"records" in l or b"%" in l and b"/4400" in l for l in lines), out)
        for l in lines:
            self.assertLessEqual(len(l), 40, l)
        # Cleared, then the summary.
        self.assertIn(b"nelvo-data: 4400 records", out)
        self.assertTrue(re.search(rb"\r +\rnelvo-data: 4400", out), out[-300:])
        self.assertEqual(read(self.path("out.csv")).count(b"\r\n"), records + 1)


class Formats(Scratch):
    def test_csv_floats_read_back_by_a_strict_parser(self):
        data = bytearray(read(sample("urlaub.dat")))
        for offset, value in ((10, float("nan")), (49, float("inf")), (53, float("-inf")), (57, 1.5)):
            data[offset:offset + 4] = struct.pack("<f", value)
        with open(self.path("u.dat"), "wb") as f:
            f.write(data)
        code, out, err = run(["--decimal-separator", ".", "export", "urlaub", self.path("u.dat"), "-f", "csv"])
        self.assertEqual(code, 0, err)
        rows = list(csv.reader(io.StringIO(out.decode("utf-8"), newline=""), strict=True))
        header = rows[0]
        self.assertTrue(all(len(r) == len(header) for r in rows))
        # The float fields, as the layout table lists them.
        layout = run(["layout", "urlaub"])[1].decode("utf-8").splitlines()[2:]
        fields = [re.search(r"\.([^;.]+);", l).group(1) for l in layout if l.split()[2] == "single"]
        singles = [i for i, n in enumerate(header) if n.split("_")[0] in fields]
        self.assertEqual(len(singles), 14 + 2 * 6)
        for r in rows[1:]:
            for i in singles:
                float(r[i])  # every float column reads as floats
        first = rows[1]
        self.assertTrue(math.isnan(float(first[header.index("dimanspruchnormal")])))
        self.assertEqual([first[header.index(n)] for n in ("dimanspruchnormal", "dimtagewoche", "dimzusatztage", "dimzusatzurlaub1")],
                         ["NaN", "Infinity", "-Infinity", "1.5"])

    def test_json_validates_against_the_schema(self):
        import jsonschema
        files = [("user", "personal.13"), ("user", "personal.dat"), ("bda", "bda.dat"), ("jda", "jda.dat"),
                 ("zuschlag", "zuschlag.dat"), ("sozvers", "sozvers.dat"), ("urlaub", "urlaub.dat"),
                 ("kalender", "kalender.dat"), ("tarif", "tarif.dat")]
        data = bytearray(read(sample("urlaub.dat")))
        data[10:14] = struct.pack("<I", 0x7FC00001)  # a NaN with its bit pattern
        with open(self.path("nan.dat"), "wb") as f:
            f.write(data)
        for kind, name in files + [("urlaub", self.path("nan.dat"))]:
            with self.subTest(name=name):
                path = sample(name) if kind != "urlaub" or name == "urlaub.dat" else name
                document = json.loads(run(["export", kind, path, "-f", "json"])[1])
                schema = json.loads(run(["schema", kind, path])[1])
                jsonschema.Draft202012Validator.check_schema(schema)
                jsonschema.validate(document, schema, cls=jsonschema.Draft202012Validator)
                line_schema = json.loads(run(["schema", kind, path, "--format", "jsonl"])[1])
                for line in run(["export", kind, path, "-f", "jsonl"])[1].splitlines():
                    jsonschema.validate(json.loads(line), line_schema, cls=jsonschema.Draft202012Validator)
                # A record schema does not take the document, nor the other way round.
                self.assertFalse(jsonschema.Draft202012Validator(line_schema).is_valid(document))
        both = json.loads(run(["schema", "user"])[1])
        jsonschema.validate(json.loads(run(["export", "user", sample("personal.dat"), "-f", "json"])[1]), both,
                            cls=jsonschema.Draft202012Validator)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=1)
