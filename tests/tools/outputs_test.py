#!/usr/bin/env python3
"""The SQLite database and the Excel workbook of `nelvo-data export`, read
back by programs that are not ours: Python's sqlite3 module and the sqlite3
tool, openpyxl and LibreOffice. Every value is compared with the tool's JSON
export of the same file, which keeps every stored value, under the mapping
docs/outputs.md documents; column names with the CSV header; the `fields` table
with `nelvo-data layout`.

    outputs_test.py NELVO-DATA HOSTILE-FILES GROUP [SAMPLES-DIR]

GROUP is one of the test classes below (CommandLine needs SAMPLES-DIR). Exits 77 (skipped) when a program
the group needs is not installed, saying which.
"""
import csv
import hashlib
import io
import json
import math
import os
import re
import shutil
import signal
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from decimal import ROUND_HALF_UP, Decimal, localcontext

from terminal_session import run_in_terminal

TOOL = HOSTILE = SAMPLES = None
SKIP = 77

# (input word, file made by hostile_files, table or sheet, kind, path for `layout`)
INPUTS = [
    ("user1920", "personal.13", "personnel_1920", "user", "x.13"),
    ("user1513", "personal.dat", "personnel_1513", "user", "x.dat"),
    ("bda", "bda.dat", "bda", "bda", None),
    ("jda", "jda.dat", "jda", "jda", None),
    ("zuschlag", "zuschlag.dat", "zuschlag", "zuschlag", None),
    ("sozvers", "sozvers.dat", "sozvers", "sozvers", None),
    ("urlaub", "urlaub.dat", "urlaub", "urlaub", None),
    ("kalender", "kalender.dat", "kalender", "kalender", None),
    ("tarif", "tarif.dat", "tarif", "tarif", None),
]
CURRENCY_FORMAT = "#,##0.00##"


def tool(*args, check=True, env=None):
    return subprocess.run([TOOL, *args], capture_output=True, check=check, env=env)


def needs(program):
    if shutil.which(program) is None:
        print(f"skipped: {program} is not installed", file=sys.stderr)
        sys.exit(SKIP)


class Data:
    """The hostile files of every kind, and what the tool's JSON and CSV
    exports and its layout tables say about them (made once)."""

    dir = None
    cache = {}

    @classmethod
    def path(cls, name):
        if cls.dir is None:
            cls.dir = tempfile.mkdtemp(prefix="nelvo-outputs-")
            subprocess.run([HOSTILE, cls.dir, "40"], check=True)
        return os.path.join(cls.dir, name)

    @classmethod
    def word(cls, entry):
        return f"{entry[0]}={cls.path(entry[1])}"

    @classmethod
    def records(cls, entry):
        """The JSON export: per record its number and its values flattened
        in column order (tables row by row); amounts and floats as Decimal."""
        key = ("json", entry[0])
        if key not in cls.cache:
            out = tool("export", cls.word(entry), "--format", "jsonl").stdout.decode()
            rows = []
            for line in out.splitlines():
                obj = json.loads(line, parse_float=Decimal)
                values = []
                for name, v in obj.items():
                    if name == "record":
                        continue
                    if isinstance(v, list):
                        for item in v:
                            values.extend(item if isinstance(item, list) else [item])
                    else:
                        values.append(v)
                rows.append((obj["record"], values))
            cls.cache[key] = rows
        return cls.cache[key]

    @classmethod
    def header(cls, entry):
        key = ("header", entry[0])
        if key not in cls.cache:
            out = tool("export", cls.word(entry), "--format", "csv", "--to", "1").stdout.decode()
            cls.cache[key] = next(csv.reader(io.StringIO(out)))
        return cls.cache[key]

    @classmethod
    def layout(cls, entry):
        """`nelvo-data layout`: per field its stored type, rendering, offset,
        element width and descriptors."""
        key = ("layout", entry[0])
        if key not in cls.cache:
            args = ["layout", entry[3]] + ([entry[4]] if entry[4] else [])
            fields = {}
            last = None
            for line in tool(*args).stdout.decode().splitlines()[2:]:
                parts = re.split(r"\s{2,}", line.strip())
                if len(parts) == 1:  # another row's descriptor
                    last["descriptors"].append(parts[0])
                    continue
                offset, width, stored, shape, rendering, descriptor = parts
                m = re.fullmatch(r"(\w+)(?:\((\d+)\))?", stored)
                name = descriptor.split(";")[1].split(".", 1)[1]
                last = fields[name] = {
                    "stored": m.group(1), "rendering": rendering, "offset": int(offset), "width": int(width),
                    "element_width": int(m.group(2)) if m.group(2) else None, "descriptors": [descriptor]}
            cls.cache[key] = fields
        return cls.cache[key]


def column_types(entry, fields_rows):
    """Stored type and rendering of each value column, from the database's
    `fields` rows checked against `nelvo-data layout`."""
    layout = Data.layout(entry)
    types = []
    for column, field, row, element, offset, width, stored, value_types, descriptor in fields_rows:
        f = layout[field]
        assert stored == f["stored"], (column, stored, f)
        assert descriptor in f["descriptors"], (column, descriptor)
        assert f["offset"] <= offset < f["offset"] + f["width"], (column, offset)
        if f["element_width"]:
            assert width == f["element_width"], column
        assert value_types == {"text": "TEXT", "int16": "INTEGER", "int32": "INTEGER", "flag": "INTEGER"}.get(
            stored, "REAL or TEXT"), column
        types.append((stored, f["rendering"]))
    assert {r[1] for r in fields_rows} == set(layout), "every field described"
    return types


def float32(x):
    return struct.unpack("<f", struct.pack("<f", float(x)))[0]


def significant_digits(d):
    digits = str(abs(d)).replace(".", "").lstrip("0").rstrip("0")
    return len(digits)


def unescape_excel(s):
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), s)


def expect_db_value(stored, j, v, raw):
    """One database value `v` against the JSON export's `j`."""
    if stored == "text":
        assert type(v) is str and v == (j if raw else j.strip(" ")), (v, j)
    elif stored in ("int16", "int32"):
        assert type(v) is int and v == j, (v, j)
    elif stored == "flag":
        want = -1 if j is True else 0 if j is False else j
        assert type(v) is int and v == want, (v, j)
    elif stored == "currency":
        exact = Decimal(j)
        four = format(exact, ".4f")
        if type(v) is float:
            assert format(v, ".4f") == four, (v, j)
        else:  # TEXT only where no double gives the four places back
            assert type(v) is str and v == str(j) and format(float(exact), ".4f") != four, (v, j)
    elif stored == "single":
        if isinstance(j, str):
            assert v == j, (v, j)
        else:
            assert type(v) is float and v == float(j) and math.copysign(1, v) == math.copysign(1, float(j)), (v, j)
            assert float32(v) == float32(j)
    else:
        raise AssertionError(stored)


def export_all(fmt):
    """Every hostile file into one output of `fmt`, with trimmed and with
    raw texts: the directory and the two outputs."""
    d = tempfile.mkdtemp(prefix=f"nelvo-{fmt}-")
    words = [Data.word(e) for e in INPUTS]
    plain, raw = os.path.join(d, f"all.{fmt}"), os.path.join(d, f"raw.{fmt}")
    tool("export", "--format", fmt, "-o", plain, *words)
    tool("export", "--format", fmt, "-o", raw, "--raw-text", *words)
    return d, plain, raw


class SqliteValues(unittest.TestCase):
    """Every value of every kind, with Python's sqlite3 module and the
    sqlite3 tool; the fields table; sums and the join by record number."""

    @classmethod
    def setUpClass(cls):
        needs("sqlite3")
        cls.dir, cls.db, cls.raw = export_all("sqlite")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def check_database(self, db, raw):
        con = sqlite3.connect(db)
        files = con.execute("SELECT id, path, kind, layout, size, record_length, first_record, records, modified, "
                            "exported FROM files ORDER BY id").fetchall()
        self.assertEqual([(f[1], f[2], f[3]) for f in files],
                         [(Data.path(e[1]), e[3], e[2]) for e in INPUTS])
        for (id, path, kind, layout, size, length, first, count, modified, exported), entry in zip(files, INPUTS):
            with self.subTest(table=layout):
                self.assertEqual(size, os.path.getsize(path))
                self.assertEqual((first, count), (1, 40))
                self.assertEqual(size // length, 40)
                self.assertRegex(modified, r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
                self.assertRegex(exported, r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ$")
                columns = [r[1] for r in con.execute(f'PRAGMA table_info("{layout}")')]
                self.assertEqual(columns, ["file", "record"] + Data.header(entry)[1:])
                pk = [r[1] for r in sorted(con.execute(f'PRAGMA table_info("{layout}")'), key=lambda r: r[5]) if r[5]]
                self.assertEqual(pk, ["file", "record"])
                fields_rows = con.execute(
                    "SELECT column_name, field, row_number, element_number, byte_offset, byte_width, stored, "
                    "value_types, descriptor FROM fields WHERE table_name = ? ORDER BY byte_offset, column_name",
                    (layout,)).fetchall()
                by_column = {r[0]: r for r in fields_rows}
                types = column_types(entry, [by_column[c] for c in columns[2:]])
                rows = con.execute(f'SELECT * FROM "{layout}" ORDER BY record').fetchall()
                want = Data.records(entry)
                self.assertEqual(len(rows), len(want))
                for row, (number, values) in zip(rows, want):
                    self.assertEqual(row[:2], (id, number))
                    for v, j, (stored, _), column in zip(row[2:], values, types, columns[2:]):
                        try:
                            expect_db_value(stored, j, v, raw)
                        except AssertionError as e:
                            self.fail(f"{layout} record {number} {column}: {e}")
        con.close()

    def test_every_value_as_documented(self):
        self.check_database(self.db, raw=False)

    def test_raw_text_keeps_every_byte(self):
        self.check_database(self.raw, raw=True)

    def test_the_sqlite3_tool_reads_the_same_values(self):
        con = sqlite3.connect(self.db)
        for entry in INPUTS:
            table = entry[2]
            columns = [r[1] for r in con.execute(f'PRAGMA table_info("{table}")')]
            shown = ", ".join(
                f"typeof(\"{c}\") || ':' || CASE typeof(\"{c}\") WHEN 'text' THEN hex(\"{c}\") "
                f"WHEN 'real' THEN printf('%!.17g', \"{c}\") ELSE \"{c}\" END" for c in columns)
            out = subprocess.run(["sqlite3", "-batch", "-noheader", "-separator", "\x1e", "-newline", "\x1f",
                                  self.db, f'SELECT {shown} FROM "{table}" ORDER BY file, record'],
                                 capture_output=True, check=True).stdout.decode()
            got = [line.split("\x1e") for line in out.split("\x1f") if line]
            want = con.execute(f'SELECT * FROM "{table}" ORDER BY file, record').fetchall()
            self.assertEqual(len(got), len(want), table)
            for g_row, w_row in zip(got, want):
                for g, w in zip(g_row, w_row):
                    kind, _, value = g.partition(":")
                    if isinstance(w, str):
                        self.assertEqual((kind, bytes.fromhex(value).decode()), ("text", w), table)
                    elif isinstance(w, float):
                        self.assertEqual(kind, "real", table)
                        self.assertEqual(float(value), w, table)
                    else:
                        self.assertEqual((kind, int(value)), ("integer", w), table)
        con.close()

    def test_sums_and_the_join_by_record_number(self):
        con = sqlite3.connect(self.db)
        # Amounts sum as numbers; their texts (beyond a double) count as numbers too.
        reals = [v for (v,) in con.execute("SELECT HE FROM sozvers") if isinstance(v, float)]
        out = subprocess.run(["sqlite3", self.db, "SELECT sum(HE) FROM sozvers WHERE typeof(HE) = 'real'"],
                             capture_output=True, check=True).stdout.decode()
        self.assertAlmostEqual(float(out), math.fsum(reals), delta=abs(math.fsum(reals)) * 1e-12 + 1e-9)
        # The join in docs/outputs.md, of personnel with leave sheets by record number.
        query = ("SELECT p.record, p.ztext0, u.dimanspruchnormal FROM personnel_1920 p "
                 "JOIN urlaub u ON u.record = p.record "
                 "WHERE p.file = (SELECT id FROM files WHERE layout = 'personnel_1920') "
                 "AND u.file = (SELECT id FROM files WHERE layout = 'urlaub') ORDER BY p.record")
        joined = con.execute(query).fetchall()
        self.assertEqual(len(joined), 40)
        personnel = dict((r[0], r[1]) for r in con.execute("SELECT record, ztext0 FROM personnel_1920"))
        self.assertEqual([(r[0], r[1]) for r in joined], sorted(personnel.items()))
        con.close()


def table_dump(db, skip_exported=True):
    """Every table's rows, for comparing databases (the time of the export aside)."""
    con = sqlite3.connect(db)
    dump = {}
    for (name,) in con.execute("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"):
        rows = con.execute(f'SELECT * FROM "{name}" ORDER BY 1, 2').fetchall()
        if name == "files" and skip_exported:
            rows = [r[:-1] for r in rows]
        dump[name] = rows
    con.close()
    return dump


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def interrupt(test, output, fmt, sig):
    """An export of BDA records from standard input into `output`, sent
    `sig` while it waits for more than it was given: it says that `output`
    was not written and exits 128 + the signal."""
    with open(Data.path("bda.dat"), "rb") as f:
        record = f.read(730)
    p = subprocess.Popen([TOOL, "export", "--format", fmt, "-o", output, "bda=-", "--jobs", "2"],
                         stdin=subprocess.PIPE, stderr=subprocess.PIPE)
    # Several times what a pipe holds: once written, the tool has read
    # its first bytes and more than one chunk of 128 KiB.
    p.stdin.write(record * 800)
    p.stdin.flush()
    time.sleep(0.5)  # it writes what it read and waits for the rest
    p.send_signal(sig)
    p.wait(timeout=30)
    err = p.stderr.read()
    p.stdin.close()
    p.stderr.close()
    test.assertEqual(p.returncode, 128 + sig, err)
    test.assertIn(f"nelvo-data: interrupted; {output} was not written".encode(), err)


def child_of(pid):
    with open(f"/proc/{pid}/task/{pid}/children") as f:
        return int(f.read().split()[0])


class Durability(unittest.TestCase):
    """A staged output (-o, a new database, the workbook) reaches the disk
    before its name does, and its folder after the rename, as a trace of the
    system calls shows; a flush that fails (injected) writes nothing; a stop
    while the output is completed is honoured, one while an existing
    database commits is answered at once. Needs strace."""

    # (format, output, an older file there)
    OUTPUTS = [("csv", "out.csv", b"old"), ("jsonl", "out.jsonl", None), ("xlsx", "out.xlsx", b"an older workbook"),
               ("sqlite", "new.db", None)]
    TRACED = "trace=fsync,fdatasync,rename,renameat,renameat2"

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="nelvo-durable-")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def path(self, name):
        return os.path.join(self.dir, name)

    def strace(self, *options, fmt, output, wait=True):
        trace = self.path("trace")
        args = ["strace", "-f", "-qq", "-y", "-o", trace, *options, TOOL, "export", "--format", fmt, "-o",
                self.path(output), Data.word(INPUTS[2]), Data.word(INPUTS[3]) if fmt in ("xlsx", "sqlite") else "--jobs=2"]
        # LeakSanitizer cannot work under ptrace; the other checks can.
        env = dict(os.environ, ASAN_OPTIONS=(os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0").lstrip(":"))
        if not wait:
            return subprocess.Popen(args, stderr=subprocess.PIPE, env=env), trace
        r = subprocess.run(args, capture_output=True, timeout=60, env=env)
        with open(trace) as f:
            lines = f.read().splitlines()
        os.remove(trace)
        return r, lines

    def prepare(self, output, older):
        if older is not None:
            with open(self.path(output), "wb") as f:
                f.write(older)

    def test_the_file_reaches_the_disk_before_its_name_and_the_folder_after(self):
        for fmt, output, older in self.OUTPUTS:
            with self.subTest(fmt):
                self.prepare(output, older)
                r, lines = self.strace("-e", self.TRACED, fmt=fmt, output=output)
                self.assertEqual(r.returncode, 0, r.stderr)
                renames = [i for i, l in enumerate(lines) if "rename" in l and output + '"' in l]
                self.assertEqual(len(renames), 1, lines)
                staged = re.search(r'"([^"]*\.part)"', lines[renames[0]]).group(1)
                synced = [i for i, l in enumerate(lines) if re.search(r"f(data)?sync\(\d+<[^>]*" + re.escape(staged) + ">", l)]
                self.assertTrue(synced and synced[-1] < renames[0], lines)
                folder = [i for i, l in enumerate(lines) if re.search(r"fsync\(\d+<" + re.escape(self.dir) + ">", l)]
                self.assertTrue(folder and folder[-1] > renames[0], lines)
                os.remove(self.path(output))

    def test_a_failed_flush_writes_nothing(self):
        existing = ("sqlite", "payroll.db", None)
        tool("export", "--format", "sqlite", "-o", self.path("payroll.db"), Data.word(INPUTS[4]))
        for fmt, output, older in self.OUTPUTS + [existing]:
            with self.subTest(fmt=fmt, output=output):
                self.prepare(output, older)
                before = sorted(os.listdir(self.dir)), digest(self.path(output)) if os.path.exists(self.path(output)) else None
                r, _ = self.strace("-e", self.TRACED, "-e", "inject=fsync,fdatasync:error=EIO", fmt=fmt, output=output)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(f"; {self.path(output)} was not written".encode(), r.stderr)
                after = sorted(os.listdir(self.dir)), digest(self.path(output)) if os.path.exists(self.path(output)) else None
                self.assertEqual(after, before)
                if older is not None:
                    os.remove(self.path(output))

    def test_a_stop_while_the_output_is_completed_or_committed(self):
        tool("export", "--format", "sqlite", "-o", self.path("payroll.db"), Data.word(INPUTS[4]))
        # (format, output, older, exit code, what it says); the first flush
        # of each is held back while the signal comes, and answered at once.
        cases = [(fmt, output, older, 130, [b"stopping once " + self.path(output).encode() + b" is complete",
                                            b"interrupted; " + self.path(output).encode() + b" was not written"])
                 for fmt, output, older in self.OUTPUTS]
        cases.append(("sqlite", "payroll.db", None, 0,
                      [b"finishing: " + self.path("payroll.db").encode() + b" is being committed"]))
        for fmt, output, older, code, says in cases:
            with self.subTest(fmt=fmt, output=output):
                self.prepare(output, older)
                before = sorted(os.listdir(self.dir)), digest(self.path(output)) if os.path.exists(self.path(output)) else None
                p, trace = self.strace("-e", "trace=fsync,fdatasync", "-e", "inject=fsync,fdatasync:delay_enter=2000000",
                                       fmt=fmt, output=output, wait=False)
                deadline = time.time() + 30
                while time.time() < deadline and not (os.path.exists(trace) and "sync(" in open(trace).read()):
                    time.sleep(0.05)
                os.kill(child_of(p.pid), signal.SIGINT)
                err = p.stderr.read()
                p.stderr.close()
                self.assertEqual(p.wait(timeout=60), code, err)
                for said in says:
                    self.assertIn(said, err)
                os.remove(trace)
                if code == 0:
                    self.assertEqual([r[2] for r in table_dump(self.path(output))["files"]], ["zuschlag", "bda", "jda"])
                else:
                    after = sorted(os.listdir(self.dir)), digest(self.path(output)) if os.path.exists(self.path(output)) else None
                    self.assertEqual(after, before)
                if older is not None:
                    os.remove(self.path(output))


class SqliteTransactions(unittest.TestCase):
    """One transaction per export: the same export twice gives the same
    database, a file exported again replaces its own rows only, and a
    failure in the middle leaves the database as it was."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="nelvo-tx-")
        self.db = os.path.join(self.dir, "payroll.db")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def export(self, *words, check=True, prefix=None):
        args = [TOOL, "export", "--format", "sqlite", "-o", self.db, *words]
        if prefix:
            args = ["bash", "-c", prefix + ' exec "$@"', "-", *args]
        return subprocess.run(args, capture_output=True, check=check)

    def test_twice_gives_the_same_database(self):
        words = [Data.word(e) for e in INPUTS[:4]]
        self.export(*words)
        first = table_dump(self.db)
        self.export(*words)
        self.assertEqual(table_dump(self.db), first)

    def test_another_file_adds_rows_and_a_file_again_replaces_only_its_own(self):
        bda = Data.word(INPUTS[2])
        other = os.path.join(self.dir, "other-bda.dat")
        shutil.copy(Data.path("bda.dat"), other)
        with open(other, "r+b") as f:
            f.truncate(730 * 25)
        self.export(bda)
        before = table_dump(self.db)["bda"]
        self.export(f"BDA={other}")
        after = table_dump(self.db)
        self.assertEqual([r for r in after["bda"] if r[0] == 1], before)
        self.assertEqual(len([r for r in after["bda"] if r[0] == 2]), 25)
        # Again with fewer records: its old rows go, the first file's stay.
        self.export(f"bda={other}", "--to", "10")
        again = table_dump(self.db)
        self.assertEqual([r for r in again["bda"] if r[0] == 1], before)
        self.assertEqual([r[1] for r in again["bda"] if r[0] == 2], list(range(1, 11)))
        self.assertEqual([(r[0], r[7]) for r in again["files"]], [(1, 40), (2, 10)])

    def test_a_full_disk_in_the_middle_changes_nothing(self):
        self.export(Data.word(INPUTS[2]))
        before, files = digest(self.db), sorted(os.listdir(self.dir))
        big = os.path.join(self.dir, "big.13")
        with open(Data.path("personal.13"), "rb") as f:
            record = f.read(1920)
        with open(big, "wb") as f:
            f.write(record * 3000)  # about 6 MB of records
        limit_kb = os.path.getsize(self.db) // 1024 + 512
        # The file size limit makes writes fail with EFBIG (the signal it
        # would send is ignored, as a program on a full disk sees ENOSPC).
        r = self.export(Data.word(INPUTS[3]), f"user1920={big}", check=False,
                        prefix=f"ulimit -f {limit_kb}; trap '' XFSZ;")
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertIn(b"payroll.db", r.stderr)
        self.assertEqual(digest(self.db), before)
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(files + ["big.13"]))
        # A new database that cannot be completed is not left behind.
        os.remove(self.db)
        r = self.export(f"user1920={big}", check=False, prefix="ulimit -f 512; trap '' XFSZ;")
        self.assertEqual(r.returncode, 1, r.stderr)
        self.assertFalse(os.path.exists(self.db))
        self.assertEqual(sorted(os.listdir(self.dir)), sorted(f for f in files + ["big.13"] if f != "payroll.db"))

    def test_a_read_only_directory_fails_unchanged(self):
        if os.geteuid() == 0:
            self.skipTest("root writes into read-only directories")
        self.export(Data.word(INPUTS[2]))
        before = digest(self.db)
        os.chmod(self.dir, 0o555)
        try:
            r = self.export(Data.word(INPUTS[3]), check=False)
        finally:
            os.chmod(self.dir, 0o755)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(digest(self.db), before)

    def test_a_locked_database_fails_unchanged(self):
        self.export(Data.word(INPUTS[2]))
        before = digest(self.db)
        other = sqlite3.connect(self.db)
        other.execute("BEGIN EXCLUSIVE")
        r = self.export(Data.word(INPUTS[3]), check=False)
        other.rollback()
        other.close()
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"database is locked", r.stderr)
        self.assertEqual(digest(self.db), before)

    def test_a_signal_leaves_the_database_as_it_was(self):
        interrupt(self, self.db, "sqlite", signal.SIGTERM)
        self.assertEqual(os.listdir(self.dir), [])  # a new one is not left behind
        self.export(Data.word(INPUTS[2]))
        before, names = digest(self.db), sorted(os.listdir(self.dir))
        interrupt(self, self.db, "sqlite", signal.SIGINT)
        self.assertEqual(digest(self.db), before)
        self.assertEqual(sorted(os.listdir(self.dir)), names)  # and no journal

    def test_not_a_database_is_left_alone(self):
        with open(self.db, "wb") as f:
            f.write(b"not a database, but someone's file" * 100)
        before = digest(self.db)
        r = self.export(Data.word(INPUTS[2]), check=False)
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"not a database", r.stderr)
        self.assertEqual(digest(self.db), before)


def expect_cell(stored, j, cell, raw):
    """One workbook cell against the JSON export's `j`."""
    v = cell.value
    if stored == "text":
        want = j if raw else j.strip(" ")
        if want == "":
            assert v is None, (v, j)
        else:
            assert cell.data_type == "s" and unescape_excel(v) == want, (v, j)
    elif stored in ("int16", "int32"):
        assert cell.data_type == "n" and type(v) is int and v == j, (v, j)
    elif stored == "flag":
        if isinstance(j, bool):
            assert cell.data_type == "b" and v is j, (v, j)
        else:
            assert cell.data_type == "n" and v == j, (v, j)
    elif stored == "currency":
        exact = Decimal(j)
        if significant_digits(exact) <= 15:
            assert cell.data_type == "n" and cell.number_format == CURRENCY_FORMAT, (v, j, cell.number_format)
            assert Decimal(format(Decimal(float(v)), ".15g")) == exact, (v, j)
        else:
            assert cell.data_type == "s" and v == str(j), (v, j)
    elif stored == "single":
        if isinstance(j, str):
            assert cell.data_type == "s" and v == j, (v, j)
        else:
            # Negative zero reads as 0, as Excel keeps it.
            assert cell.data_type == "n" and float32(v) == float32(j), (v, j)
    else:
        raise AssertionError(stored)


def workbook_types(entry):
    """Stored type of each value column, from `nelvo-data layout` and the
    column names (the field a column belongs to is the longest field name
    it starts with)."""
    layout = Data.layout(entry)
    types = []
    for name in Data.header(entry)[1:]:
        field = max((f for f in layout if name == f or name.startswith(f + "_")), key=len)
        types.append((layout[field]["stored"], layout[field]["rendering"]))
    return types


def openpyxl_or_skip():
    try:
        import openpyxl
        return openpyxl
    except ImportError:
        print("skipped: python3-openpyxl is not installed", file=sys.stderr)
        sys.exit(SKIP)


class XlsxCells(unittest.TestCase):
    """Every cell of every kind with openpyxl: typed, texts as strings (never
    formulas), the header, the files sheet."""

    @classmethod
    def setUpClass(cls):
        cls.openpyxl = openpyxl_or_skip()
        cls.dir, cls.xlsx, cls.raw = export_all("xlsx")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def check_workbook(self, path, raw):
        wb = self.openpyxl.load_workbook(path)
        self.assertEqual(wb.sheetnames, ["files"] + [e[2] for e in INPUTS])
        files = list(wb["files"].iter_rows(values_only=True))
        self.assertEqual(files[0], ("path", "kind", "layout", "size", "record_length", "first_record", "records",
                                    "modified", "sheets"))
        for row, entry in zip(files[1:], INPUTS):
            path = Data.path(entry[1])
            self.assertEqual(row[:7], (path, entry[3], entry[2], os.path.getsize(path),
                                       os.path.getsize(path) // 40, 1, 40))
            self.assertEqual(row[8], entry[2])
        for entry in INPUTS:
            with self.subTest(sheet=entry[2]):
                ws = wb[entry[2]]
                header = Data.header(entry)
                rows = list(ws.iter_rows())
                self.assertEqual([c.value for c in rows[0]], header)
                self.assertTrue(all(c.font.b for c in rows[0]))
                self.assertEqual(ws.freeze_panes, "A2")
                last = self.openpyxl.utils.get_column_letter(len(header))
                self.assertEqual(ws.auto_filter.ref, f"A1:{last}41")
                for i, name in enumerate(header):
                    width = ws.column_dimensions[self.openpyxl.utils.get_column_letter(i + 1)].width
                    self.assertGreaterEqual(width, len(name), name)
                types = workbook_types(entry)
                for row, (number, values) in zip(rows[1:], Data.records(entry)):
                    self.assertEqual(row[0].value, number)
                    cells = list(row[1:]) + [None] * (len(values) - len(row) + 1)
                    for cell, j, (stored, _), name in zip(cells, values, types, header[1:]):
                        if cell is None:  # an empty text at the end of a row
                            self.assertEqual((stored, j.strip(" ") if not raw else j), ("text", ""), name)
                            continue
                        try:
                            expect_cell(stored, j, cell, raw)
                        except AssertionError as e:
                            self.fail(f"{entry[2]} record {number} {name}: {e}")
                self.assertEqual(len(rows), 41)
        # The texts a spreadsheet would take for a formula or a number are there, as strings.
        self.assertTrue({"=1+1", "0841", "+49"} <= {str(c.value).strip(" ") for c in wb["bda"][2]})

    def test_every_cell_as_documented(self):
        self.check_workbook(self.xlsx, raw=False)

    def test_raw_text_keeps_every_byte(self):
        self.check_workbook(self.raw, raw=True)


class XlsxSheets(unittest.TestCase):
    """Inputs of one kind get sheets of their own; a sheet that is full goes
    on in the next, each with its header, and the files sheet names them."""

    def test_continued_sheets_and_unique_names(self):
        openpyxl = openpyxl_or_skip()
        d = tempfile.mkdtemp(prefix="nelvo-sheets-")
        try:
            xlsx = os.path.join(d, "s.xlsx")
            bda = Data.path("bda.dat")
            tool("export", "--format", "xlsx", "-o", xlsx, "--sheet-records", "3", "--to", "7", f"bda={bda}",
                 f"jda={Data.path('jda.dat')}", f"bda={bda}", "--no-progress")
            wb = openpyxl.load_workbook(xlsx)
            self.assertEqual(wb.sheetnames, ["files", "bda", "bda (2)", "bda (3)", "jda", "jda (2)", "jda (3)",
                                             "bda (4)", "bda (5)", "bda (6)"])
            sheets = [r[8] for r in wb["files"].iter_rows(min_row=2, values_only=True)]
            self.assertEqual(sheets, ["bda, bda (2), bda (3)", "jda, jda (2), jda (3)", "bda (4), bda (5), bda (6)"])
            header = Data.header(INPUTS[2])
            for name, records in [("bda", [1, 2, 3]), ("bda (2)", [4, 5, 6]), ("bda (3)", [7]),
                                  ("bda (6)", [7])]:
                ws = wb[name]
                rows = list(ws.iter_rows(values_only=True))
                self.assertEqual(list(rows[0]), header, name)
                self.assertEqual([r[0] for r in rows[1:]], records, name)
                self.assertEqual(ws.freeze_panes, "A2")
                self.assertEqual(ws.auto_filter.ref.split(":")[1][-1], str(len(records) + 1))
        finally:
            shutil.rmtree(d)


    def test_a_full_disk_leaves_the_old_workbook(self):
        # libxlsxwriter leaves its writes of the rows unchecked and reports
        # the workbook written: the tool reads it back before the rename.
        d = tempfile.mkdtemp(prefix="nelvo-full-")
        try:
            big, xlsx = os.path.join(d, "big.13"), os.path.join(d, "s.xlsx")
            with open(Data.path("personal.13"), "rb") as f:
                record = f.read(1920)
            with open(big, "wb") as f:
                f.write(record * 3000)
            with open(xlsx, "wb") as f:
                f.write(b"an older workbook")
            # Whatever part of the rows the limit lets through, the library
            # reports the workbook written.
            for limit_kb in (256, 2048, 8192):
                r = subprocess.run(["bash", "-c", f"ulimit -f {limit_kb}; exec \"$@\"", "-", TOOL, "export",
                                    "--format", "xlsx", "-o", xlsx, f"user1920={big}"], capture_output=True)
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertRegex(r.stderr, rb"personnel_1920 of the workbook came out with \d+ of its 3001 rows.*; " +
                                 re.escape(xlsx.encode()) + b" was not written")
                with open(xlsx, "rb") as f:
                    self.assertEqual(f.read(), b"an older workbook")
                self.assertEqual(sorted(os.listdir(d)), ["big.13", "s.xlsx"])
        finally:
            shutil.rmtree(d)

    def test_a_vanished_folder_of_temporary_files_writes_nothing(self):
        # The library's temporary files live in a folder of the tool's
        # beside the output; gone before the zip, the workbook is not written.
        d = tempfile.mkdtemp(prefix="nelvo-vanish-")
        try:
            xlsx = os.path.join(d, "s.xlsx")
            with open(xlsx, "wb") as f:
                f.write(b"an older workbook")
            with open(Data.path("bda.dat"), "rb") as f:
                record = f.read(730)
            p = subprocess.Popen([TOOL, "export", "--format", "xlsx", "-o", xlsx, "bda=-"], stdin=subprocess.PIPE,
                                 stderr=subprocess.PIPE)
            p.stdin.write(record * 800)  # past the sample it judges the kind by: the export has begun
            p.stdin.flush()
            deadline, folder = time.time() + 20, None
            while folder is None and time.time() < deadline:
                folder = next((n for n in os.listdir(d) if n.endswith(".rows")), None)
                time.sleep(0.02)
            self.assertIsNotNone(folder, os.listdir(d))
            shutil.rmtree(os.path.join(d, folder))
            p.stdin.close()
            err = p.stderr.read()
            p.stderr.close()
            self.assertEqual(p.wait(timeout=30), 1, err)
            self.assertIn(b"temporary files went missing; " + xlsx.encode() + b" was not written", err)
            with open(xlsx, "rb") as f:
                self.assertEqual(f.read(), b"an older workbook")
            self.assertEqual(os.listdir(d), ["s.xlsx"])
        finally:
            shutil.rmtree(d)

    def test_a_signal_leaves_the_old_workbook(self):
        d = tempfile.mkdtemp(prefix="nelvo-signal-")
        try:
            xlsx = os.path.join(d, "s.xlsx")
            interrupt(self, xlsx, "xlsx", signal.SIGINT)
            self.assertEqual(os.listdir(d), [])
            with open(xlsx, "wb") as f:
                f.write(b"an older workbook")
            interrupt(self, xlsx, "xlsx", signal.SIGTERM)
            with open(xlsx, "rb") as f:
                self.assertEqual(f.read(), b"an older workbook")
            self.assertEqual(os.listdir(d), ["s.xlsx"])
        finally:
            shutil.rmtree(d)


class XlsxRowLimit(unittest.TestCase):
    """Past Excel's 1,048,576 rows a sheet goes on in the next: a sparse
    tariff file (the fewest columns) of 1,048,577 zero records."""

    def test_the_row_after_the_last_goes_to_the_next_sheet(self):
        d = tempfile.mkdtemp(prefix="nelvo-rows-")
        try:
            tarif = os.path.join(d, "tarif.dat")
            with open(tarif, "wb") as f:
                f.truncate(108 * 1048577)
            xlsx = os.path.join(d, "t.xlsx")
            tool("export", "--format", "xlsx", "-o", xlsx, f"tarif={tarif}", "--no-progress")
            with zipfile.ZipFile(xlsx) as z:
                workbook = z.read("xl/workbook.xml").decode()
                self.assertEqual(re.findall(r'<sheet name="([^"]+)"', workbook), ["files", "tarif", "tarif (2)"])
                self.assertIn("tarif, tarif (2)", z.read("xl/worksheets/sheet1.xml").decode())
                # The full sheet, streamed: its dimension and its last row.
                with z.open("xl/worksheets/sheet2.xml") as f:
                    head = f.read(4096).decode()
                    self.assertIn('<dimension ref="A1:AB1048576"/>', head)
                    tail = head
                    while chunk := f.read(1 << 20):
                        tail = (tail + chunk.decode())[-4096:]
                last = tail[tail.rindex("<row "):]
                self.assertRegex(last, r'^<row r="1048576"[^>]*><c r="A1048576"><v>1048575</v></c>')
                rest = z.read("xl/worksheets/sheet3.xml").decode()
                self.assertIn('<dimension ref="A1:AB3"/>', rest)
                self.assertRegex(rest, r'<row r="2"[^>]*><c r="A2"><v>1048576</v></c>')
                self.assertRegex(rest, r'<row r="3"[^>]*><c r="A3"><v>1048577</v></c>')
                self.assertIn('<autoFilter ref="A1:AB3"/>', rest)
        finally:
            shutil.rmtree(d)


class CommandLine(unittest.TestCase):
    """The database and the workbook as the command line meets them:
    options a format does not use, several inputs, missing inputs and
    kinds, the personnel layout, a file of another kind, standard input
    and the progress line. What is refused creates and changes nothing."""

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="nelvo-outputs-cli-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def run_tool(self, *args, data=b""):
        return subprocess.run([TOOL, *args], input=data, capture_output=True, cwd=self.dir, timeout=60)

    def test_refusals_create_and_change_nothing(self):
        bda, jda = f"bda={SAMPLES}/bda.dat", f"jda={SAMPLES}/jda.dat"
        missing = self.path("nosuch.dat")
        cases = [
            (["-f", "csv", bda, jda], 2, "--format csv: takes one file; several files go into one --format sqlite"),
            (["-f", "csv", bda, "--raw-text"], 2, "--raw-text: does not apply to --format csv"),
            (["-f", "sqlite", bda, "--fields", "datum"], 2, "--fields: does not apply to --format sqlite"),
            (["-f", "xlsx", bda, "--delimiter", ";"], 2, "--delimiter: does not apply to --format xlsx"),
            (["-f", "xlsx", bda, "--guard-formulas"], 2, "--guard-formulas: does not apply to --format xlsx"),
            (["-f", "sqlite", bda, "--decimal-separator", ","], 2, "--decimal-separator: does not apply to --format sqlite"),
            (["-f", "sqlite", bda, "bdx=x.dat"], 2, "unknown kind 'bdx'; did you mean bda?"),
            (["-f", "sqlite", bda, "--layout", "1920"], 2, "--layout: applies to user=FILE inputs only"),
            (["-f", "xlsx", "user=-"], 2, "need --layout 1920 or 1513"),
            (["-f", "sqlite", bda, "jda=" + missing], 1, missing + ": File not found (error 53)"),
            (["-f", "xlsx", bda, jda, "--to", "5"], 2, "--to 5 is past the last record"),
        ]
        for args, code, says in cases:
            with self.subTest(args=args):
                for before in (None, b"old"):
                    target = self.path("out")
                    if before is not None:
                        with open(target, "wb") as f:
                            f.write(before)
                    p = self.run_tool("export", *args, "-o", target)
                    self.assertEqual(p.returncode, code, p.stderr)
                    self.assertIn(says.encode(), p.stderr)
                    self.assertTrue(p.stderr.startswith(b"nelvo-data: "), p.stderr)
                    if before is not None:
                        with open(target, "rb") as f:
                            self.assertEqual(f.read(), before)
                        os.remove(target)
                    self.assertEqual(os.listdir(self.dir), [])

    def test_layout_and_kind_judged_per_input(self):
        os.mkdir(self.path("dir.d"))
        shutil.copy(f"{SAMPLES}/personal.13", self.path("dir.d/f.13"))
        # The rule reads the directory's ".": a note, and the records fit the other layout.
        p = self.run_tool("export", "-f", "sqlite", "-o", "p.db", "user=dir.d/f.13")
        self.assertEqual(p.returncode, 0, p.stderr)
        self.assertIn(b"note: dir.d/f.13: read as 1513-byte personnel records", p.stderr)
        self.assertIn(b"fits user --layout 1920, not user --layout 1513", p.stderr)
        for words in (["user=dir.d/f.13", "--layout", "1920"], ["USER1920=dir.d/f.13"]):
            p = self.run_tool("export", "-f", "sqlite", "-o", "p.db", *words)
            self.assertEqual((p.returncode, p.stderr), (0, b""))
        con = sqlite3.connect(self.path("p.db"))
        self.assertEqual(con.execute("SELECT layout, records FROM files ORDER BY id").fetchall(),
                         [("personnel_1513", 4), ("personnel_1920", 3)])
        con.close()
        # A calendar file given as a tariff file is named, the other input not; --strict writes nothing.
        words = [f"bda={SAMPLES}/bda.dat", f"tarif={SAMPLES}/kalender.dat"]
        p = self.run_tool("export", "-f", "xlsx", "-o", "k.xlsx", *words, "--strict")
        self.assertEqual(p.returncode, 1)
        self.assertIn(b"kalender.dat fits kalender, not tarif", p.stderr)
        self.assertIn(b"--strict: nothing exported", p.stderr)
        self.assertNotIn(b"bda.dat fits", p.stderr)
        self.assertFalse(os.path.exists(self.path("k.xlsx")))
        p = self.run_tool("export", "-f", "xlsx", "-o", "k.xlsx", *words)
        self.assertEqual(p.returncode, 0)
        self.assertIn(b"warning: " + f"{SAMPLES}/kalender.dat fits kalender".encode(), p.stderr)

    def test_standard_input_among_the_inputs(self):
        with open(f"{SAMPLES}/personal.13", "rb") as f:
            data = f.read()
        bda = f"bda={SAMPLES}/bda.dat"
        for fmt in ("sqlite", "xlsx"):
            p = self.run_tool("export", "-f", fmt, "-o", "in." + fmt, "user1920=-", bda, data=data)
            self.assertEqual((p.returncode, p.stderr), (0, b""))
        self.assertEqual(self.run_tool("export", "-f", "sqlite", "-o", "file.sqlite", f"user1920={SAMPLES}/personal.13",
                                       bda).returncode, 0)
        piped, named = sqlite3.connect(self.path("in.sqlite")), sqlite3.connect(self.path("file.sqlite"))
        # Its size and records are those read.
        self.assertEqual(piped.execute("SELECT path, size, records, modified FROM files WHERE id = 1").fetchone(),
                         ("-", len(data), 3, None))
        for table in ("personnel_1920", "bda"):
            self.assertEqual(piped.execute(f"SELECT * FROM {table} ORDER BY file, record").fetchall(),
                             named.execute(f"SELECT * FROM {table} ORDER BY file, record").fetchall())
        piped.close()
        named.close()
        with zipfile.ZipFile(self.path("in.xlsx")) as z:
            files = z.read("xl/worksheets/sheet1.xml").decode()
        self.assertIn("<v>%d</v>" % len(data), files)
        self.assertIn('<autoFilter ref="A1:I3"/>', files)

    def test_progress_over_several_inputs_fits_40_columns(self):
        records = 4400
        with open(self.path("zeros.dat"), "wb") as f:
            f.truncate(730 * records)
        # Standard input fed slowly, so the export lasts over a second.
        feeder = "i=0; while [ $i -lt 20 ]; do head -c %d /dev/zero; sleep 0.1; i=$((i+1)); done" % (220 * 730)
        command = "(%s) | %s export -f sqlite -o %s bda=- bda=%s --to %d" % (
            feeder, TOOL, self.path("p.db"), self.path("zeros.dat"), records)
        code, out = run_in_terminal(command, 40)
        self.assertEqual(code, 0, out)
        lines = re.split(rb"\r\n|\r|\n", out)
        self.assertTrue(any(b"%" in l for l in lines), out)
        for l in lines:
            self.assertLessEqual(len(l), 40, l)
        self.assertIn(b"nelvo-data: 8800 records", out)  # both inputs, counted as read


def single_text(x):
    """A float as the CSV shows it (English): 7 significant digits rounded
    half away from zero, fixed up to 10^6 and 7 fraction digits, else
    exponent form."""
    f = float32(x)
    if f == 0:
        return "0"
    d = Decimal(abs(f))  # exact
    k = d.adjusted()
    with localcontext() as exact:
        exact.prec = 200  # more digits than any float has: no rounding but ours
        q = d.scaleb(-k).quantize(Decimal("1.000000"), rounding=ROUND_HALF_UP)
    if q >= 10:
        q, k = Decimal("1.000000"), k + 1
    digits = str(q).replace(".", "").rstrip("0")
    m = len(digits)
    if k <= 6 and max(0, m - 1 - k) <= 7:
        if k >= 0:
            whole = (digits + "0" * 7)[:k + 1]
            s = whole + ("." + digits[k + 1:] if digits[k + 1:] else "")
        else:
            s = "0." + "0" * (-k - 1) + digits
    else:
        s = digits[0] + ("." + digits[1:] if m > 1 else "") + "E" + ("+" if k >= 0 else "-") + "%02d" % abs(k)
    return ("-" if f < 0 else "") + s


NON_FINITE = {"Infinity": {"1.#INF", "Infinity"}, "-Infinity": {"-1.#INF", "-Infinity"}}


def same_as_csv(rendering, csv_value, lo_value):
    """A value LibreOffice wrote from the workbook against the tool's own
    CSV of it: flags are TRUE/FALSE in the workbook and Y/N in the CSV,
    floats carry all their digits in the workbook and seven in the CSV, and
    LibreOffice reads the line breaks of a text that holds an LF its own way:
    CR LF and LF CR as one LF, any other CR as an LF (the workbook holds
    every CR: openpyxl reads them in XlsxCells)."""
    if csv_value == lo_value:
        return True
    if rendering == "trimmed text":
        return "\n" in csv_value and re.sub("\r\n|\n\r|\r", "\n", csv_value) == lo_value
    if rendering == "flag text":
        return (csv_value, lo_value) == ("Y", "TRUE") or (
            csv_value == "N" and (lo_value == "FALSE" or re.fullmatch(r"-?\d+", lo_value) and lo_value != "-1"))
    if rendering == "currency flag text":
        return csv_value == ("Y" if lo_value == "-1" else "N")
    if rendering == "single text":
        if lo_value in NON_FINITE:
            return csv_value in NON_FINITE[lo_value]
        if lo_value.startswith("NaN:"):
            return csv_value in ("-1.#IND", "1.#QNAN", "-1.#QNAN", "NaN")
        return single_text(Decimal(lo_value)) == csv_value
    return False


class LibreOffice(unittest.TestCase):
    """The workbook opened by LibreOffice and saved as CSV equals the
    tool's own CSV of the same files under English settings."""

    def test_workbook_as_csv_equals_the_tools_csv(self):
        soffice = shutil.which("soffice") or shutil.which("libreoffice")
        if soffice is None:
            print("skipped: LibreOffice (libreoffice-calc-nogui) is not installed", file=sys.stderr)
            sys.exit(SKIP)
        d = tempfile.mkdtemp(prefix="nelvo-lo-")
        try:
            xlsx = os.path.join(d, "all.xlsx")
            tool("export", "--format", "xlsx", "-o", xlsx, *[Data.word(e) for e in INPUTS])
            # Field separator, quote, UTF-8, from line 1, -, English, quote all
            # texts no, -, values as stored (not as shown), no formulas, keep
            # spaces, every sheet to a file of its own.
            options = "44,34,76,1,,1033,false,false,false,false,false,-1"
            subprocess.run([soffice, f"-env:UserInstallation=file://{d}/profile", "--headless", "--convert-to",
                            f"csv:Text - txt - csv (StarCalc):{options}", "--outdir", d, xlsx],
                           capture_output=True, check=True, timeout=300)
            english = dict(os.environ, LC_ALL="C.UTF-8")
            for entry in INPUTS:
                with self.subTest(sheet=entry[2]):
                    with open(os.path.join(d, f"all-{entry[2]}.csv"), newline="", encoding="utf-8") as f:
                        lo = list(csv.reader(f))
                    ours = tool("export", Data.word(entry), "--format", "csv", env=english).stdout.decode()
                    theirs = list(csv.reader(io.StringIO(ours, newline="")))
                    self.assertEqual(len(lo), len(theirs))
                    self.assertEqual(lo[0], theirs[0])
                    renderings = [r for _, r in workbook_types(entry)]
                    differ = []
                    for lo_row, csv_row in zip(lo[1:], theirs[1:]):
                        self.assertEqual(lo_row[0], csv_row[0])
                        for name, rendering, c, l in zip(theirs[0][1:], renderings, csv_row[1:], lo_row[1:]):
                            if not same_as_csv(rendering, c, l):
                                differ.append(f"record {csv_row[0]} {name}: CSV {c!r}, LibreOffice {l!r}")
                    self.assertEqual(differ, [])
        finally:
            shutil.rmtree(d)


def main():
    global TOOL, HOSTILE, SAMPLES
    TOOL, HOSTILE, group = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    SAMPLES = sys.argv[4] if len(sys.argv) > 4 else None
    if group == "Durability":
        needs("strace")
        if subprocess.run(["strace", "-qq", "-o", "/dev/null", "true"]).returncode != 0:
            print("skipped: strace cannot trace here", file=sys.stderr)
            sys.exit(SKIP)
    try:
        suite = unittest.defaultTestLoader.loadTestsFromTestCase(globals()[group])
        result = unittest.TextTestRunner(verbosity=2).run(suite)
    finally:
        if Data.dir:
            shutil.rmtree(Data.dir)
    sys.exit(0 if result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
