#!/usr/bin/env python3
"""nelvo-data.exe's SQLite database and Excel workbook under Wine against
the native tool's (NELVO_REFERENCE_TOOL) of the same inputs, read back with
Python's sqlite3 and openpyxl: the same tables, columns, rows and typed
values; the same sheets, cells, number formats, frozen panes and filters.
Only the input paths differ (Z:\\work\\... for /work/...) and the export
time. Also: outputs in a folder whose name is outside the ANSI code page,
past MAX_PATH, and failures that must leave nothing behind.

    windows_outputs_test.py WINE NELVO-DATA.EXE SAMPLES-DIR

Runs in the Wine prefix named by WINEPREFIX; exits 77 (skipped) without
NELVO_REFERENCE_TOOL or openpyxl.
"""
import os
import shutil
import sqlite3
import subprocess
import sys
import unittest

SKIP = 77
WINE = TOOL = SAMPLES = REFERENCE = None
PREFIX_C = None  # the prefix's drive_c
try:
    import openpyxl
except ImportError:
    openpyxl = None

# (input word, sample file): every sample, as the README's examples name them.
INPUTS = [
    ("user1920", "personal.13"),
    ("user1513", "personal.dat"),
    ("bda", "bda.dat"),
    ("jda", "jda.dat"),
    ("zuschlag", "zuschlag.dat"),
    ("sozvers", "sozvers.dat"),
    ("urlaub", "urlaub.dat"),
    ("kalender", "kalender.dat"),
    ("tarif", "tarif.dat"),
]
FORMATS = [("sqlite", ".db"), ("xlsx", ".xlsx")]
# Outside the ANSI code page (Ł, ź) and inside it (Ü, ä): both must arrive whole.
UMLAUT_DIR = "Łódź Übersicht"
UMLAUT_NAME = "Gehälter"


def windows_path(unix_path):
    """The Windows name of a file: C:\\ for the prefix's drive_c, Z:\\ for the rest."""
    unix_path = os.path.abspath(unix_path)
    if unix_path.startswith(PREFIX_C + os.sep):
        return "C:\\" + unix_path[len(PREFIX_C) + 1:].replace("/", "\\")
    return "Z:" + unix_path.replace("/", "\\")


def samples_used(samples):
    return [(w, n) for w, n in INPUTS if os.path.exists(os.path.join(samples, n))]


def run_windows(*args):
    return subprocess.run([WINE, TOOL, *args], capture_output=True, stdin=subprocess.DEVNULL, timeout=300)


def run_native(*args):
    return subprocess.run([REFERENCE, *args], capture_output=True, stdin=subprocess.DEVNULL, timeout=300)


# ---- what a database and a workbook hold ----------------------------------

def typed(v):
    """A value with its type: 1 and 1.0 and "1" differ."""
    return (type(v).__name__, v)


def database_content(path, native_path_of):
    """Per table its CREATE statement and its rows, typed; the files table's
    paths in native form and without the export time."""
    db = sqlite3.connect(f"file:{path}?mode=ro", uri=True)
    try:
        tables = {}
        for name, sql in db.execute("SELECT name, sql FROM sqlite_master WHERE type IN ('table', 'index', 'view') "
                                    "ORDER BY name"):
            if sql is None:  # automatic indexes
                continue
            tables[name] = {"sql": sql}
            if sql.startswith("CREATE TABLE"):
                cur = db.execute(f'SELECT * FROM "{name}" ORDER BY rowid')
                columns = [d[0] for d in cur.description]
                rows = []
                for row in cur:
                    row = dict(zip(columns, row))
                    if name == "files":
                        row["path"] = native_path_of(row["path"])
                        row.pop("exported")
                    rows.append({k: typed(v) for k, v in row.items()})
                tables[name].update(columns=columns, rows=rows)
        return tables
    finally:
        db.close()


def workbook_content(path, native_path_of):
    """Per sheet its cells (typed, with number format and boldness), frozen
    panes, filter range and column widths; the files sheet's paths in native form."""
    wb = openpyxl.load_workbook(path)
    sheets = {}
    for ws in wb.worksheets:
        cells = {}
        path_column = None
        for row in ws.iter_rows():
            for c in row:
                if c.value is None:
                    continue
                value = c.value
                if ws.title == "files" and c.row == 1 and value == "path":
                    path_column = c.column
                elif ws.title == "files" and c.column == path_column:
                    value = native_path_of(value)
                cells[c.coordinate] = (typed(value), c.number_format, bool(c.font and c.font.b))
        widths = {k: round(d.width, 2) for k, d in ws.column_dimensions.items() if d.width}
        if ws.title == "files" and path_column is not None:  # as wide as the paths, which differ
            widths.pop(openpyxl.utils.get_column_letter(path_column), None)
        sheets[ws.title] = {"cells": cells, "freeze": ws.freeze_panes, "filter": ws.auto_filter.ref,
                            "widths": widths}
    return list(wb.sheetnames), sheets


def native_path_of_windows(path):
    """Z:\\work\\x.dat -> /work/x.dat (the samples are read through Z:)."""
    if path[:3].upper() == "Z:\\":
        return path[2:].replace("\\", "/")
    return path


def content(fmt, path, native_path_of=lambda p: p):
    return database_content(path, native_path_of) if fmt == "sqlite" else workbook_content(path, native_path_of)


# ---- read-only: an immutable file or folder, also for root ----------------

def make_read_only(path):
    if os.geteuid() == 0:
        subprocess.run(["chattr", "+i", path], check=True)
    else:
        os.chmod(path, 0o555 if os.path.isdir(path) else 0o444)


def make_writable(path):
    if os.geteuid() == 0:
        subprocess.run(["chattr", "-i", path], check=False)
    os.chmod(path, 0o755 if os.path.isdir(path) else 0o644)


class Scratch(unittest.TestCase):
    def setUp(self):
        self.dir = os.path.join(PREFIX_C, "nelvo-outputs", self.id().rsplit(".", 1)[-1])
        self.clean(self.dir)
        os.makedirs(self.dir)
        self.addCleanup(self.clean, self.dir)

    @staticmethod
    def clean(path):
        if not os.path.exists(path):
            return
        for root, dirs, files in os.walk(path):
            for n in dirs + files:
                make_writable(os.path.join(root, n))
        shutil.rmtree(path)

    def export_both(self, fmt, windows_out, native_out, inputs):
        """The same export of `inputs` ((word, sample) pairs) by both tools;
        both must succeed."""
        w = run_windows("export", "--format", fmt, "-o", windows_path(windows_out),
                        *(f"{word}={windows_path(os.path.join(SAMPLES, name))}" for word, name in inputs))
        self.assertEqual(w.returncode, 0, w.stderr.decode(errors="replace"))
        n = run_native("export", "--format", fmt, "-o", native_out,
                       *(f"{word}={os.path.join(SAMPLES, name)}" for word, name in inputs))
        self.assertEqual(n.returncode, 0, n.stderr.decode(errors="replace"))


class SameContent(Scratch):
    """Every sample in one database and one workbook, written by both tools;
    the Windows tool's into a folder and file named with umlauts."""

    def test_every_sample_in_both_formats(self):
        self.assertTrue(samples_used(SAMPLES), f"no samples in {SAMPLES}")
        folder = os.path.join(self.dir, UMLAUT_DIR)
        os.makedirs(folder)
        written = []
        for fmt, ext in FORMATS:
            with self.subTest(format=fmt):
                windows_out = os.path.join(folder, UMLAUT_NAME + ext)
                native_out = os.path.join(self.dir, "native" + ext)
                self.export_both(fmt, windows_out, native_out, samples_used(SAMPLES))
                written.append(UMLAUT_NAME + ext)
                want = content(fmt, native_out)
                got = content(fmt, windows_out, native_path_of_windows)
                self.assertEqual(got, want)
                # Not vacuous: every sample is in it.
                if fmt == "sqlite":
                    self.assertEqual(len(want["files"]["rows"]), len(samples_used(SAMPLES)))
                else:
                    self.assertEqual(len(want[0]), 1 + len(samples_used(SAMPLES)))
                # Renamed into place: nothing else in the folder.
                self.assertEqual(sorted(os.listdir(folder)), sorted(written))

    def test_adding_to_an_existing_database(self):
        # The second export updates the database in place (no staging): the
        # same as the native tool's two exports.
        windows_out = os.path.join(self.dir, UMLAUT_NAME + ".db")
        native_out = os.path.join(self.dir, "native.db")
        for entry in samples_used(SAMPLES)[:2]:
            self.export_both("sqlite", windows_out, native_out, [entry])
        self.assertEqual(content("sqlite", windows_out, native_path_of_windows), content("sqlite", native_out))


class LongPaths(Scratch):
    """An output path past MAX_PATH (260), through folders that exist."""

    def test_both_formats_past_max_path(self):
        folder = self.dir
        while len(windows_path(folder)) < 300:
            folder = os.path.join(folder, "abcdefghijklmnopqrstuvwxyz-" + UMLAUT_NAME)
        os.makedirs(folder)
        for fmt, ext in FORMATS:
            with self.subTest(format=fmt):
                windows_out = os.path.join(folder, UMLAUT_NAME + ext)
                native_out = os.path.join(self.dir, "native" + ext)
                self.assertGreater(len(windows_path(windows_out)), 260)
                self.export_both(fmt, windows_out, native_out, samples_used(SAMPLES)[:1])
                self.assertEqual(content(fmt, windows_out, native_path_of_windows), content(fmt, native_out))
        self.assertEqual(sorted(os.listdir(folder)), sorted(UMLAUT_NAME + e for _, e in FORMATS))


class Failures(Scratch):
    """A failed export leaves nothing behind: no output, no temporary file,
    and an existing output as it was."""

    # (case, format): a new output in a read-only folder; an existing output
    # that cannot be replaced (the workbook's rename, the database's open).
    CASES = [
        ("read-only folder", "sqlite"),
        ("read-only folder", "xlsx"),
        ("read-only existing output", "sqlite"),
        ("read-only existing output", "xlsx"),
    ]

    def test_failures_leave_nothing_behind(self):
        word, name = samples_used(SAMPLES)[0]
        source = f"{word}={windows_path(os.path.join(SAMPLES, name))}"
        for case, fmt in self.CASES:
            with self.subTest(case=case, format=fmt):
                folder = os.path.join(self.dir, f"{case} {fmt}".replace(" ", "-"), UMLAUT_DIR)
                os.makedirs(folder)
                out = os.path.join(folder, UMLAUT_NAME + dict(FORMATS)[fmt])
                old = None
                if case == "read-only existing output":
                    w = run_windows("export", "-f", fmt, "-o", windows_path(out), source)
                    self.assertEqual(w.returncode, 0, w.stderr.decode(errors="replace"))
                    with open(out, "rb") as f:
                        old = f.read()
                    make_read_only(out)
                else:
                    make_read_only(folder)
                before = sorted(os.listdir(folder))
                try:
                    w = run_windows("export", "-f", fmt, "-o", windows_path(out), source)
                finally:
                    make_writable(folder)
                    if os.path.exists(out):
                        make_writable(out)
                self.assertEqual(w.returncode, 1, (w.stdout, w.stderr.decode(errors="replace")))
                # The failure names the output.
                self.assertIn(UMLAUT_NAME, w.stderr.decode(errors="replace"))
                self.assertEqual(sorted(os.listdir(folder)), before)
                if old is not None:
                    with open(out, "rb") as f:
                        self.assertEqual(f.read(), old)


def main():
    global WINE, TOOL, SAMPLES, REFERENCE, PREFIX_C
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    WINE, TOOL, SAMPLES = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
    REFERENCE = os.environ.get("NELVO_REFERENCE_TOOL")
    if not REFERENCE:
        print("skipped: NELVO_REFERENCE_TOOL (the native tool) is not set", file=sys.stderr)
        return SKIP
    if openpyxl is None:
        print("skipped: openpyxl (python3-openpyxl) is not installed", file=sys.stderr)
        return SKIP
    PREFIX_C = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
