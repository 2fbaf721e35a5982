# Where the bytes come from and what goes wrong: every kind of source reads
# the same, counting as the component counts, a file cut short while read,
# threads sharing one file, failures as clear exceptions, the kind told from
# the bytes, the class's members.
import io
import mmap
import os
import pathlib
import struct
import subprocess
import sys
import threading
import time
import warnings

import numpy as np
import pytest

import nelvo_data as nd
from conftest import FILES, sample


def same(a, b):
    assert list(a) == list(b)
    for k in a:
        assert a[k].dtype == b[k].dtype and a[k].tolist() == b[k].tolist(), k


def test_every_source_reads_the_same():
    path = sample("sozvers.dat")
    data = pathlib.Path(path).read_bytes()
    want = nd.open(path, "sozvers").to_numpy()
    with open(path, "rb") as buffered, open(path, "rb", buffering=0) as unbuffered, open(path, "rb") as m:
        mapped = mmap.mmap(m.fileno(), 0, access=mmap.ACCESS_READ)
        sources = [path, pathlib.Path(path), data, bytearray(data), memoryview(data),
                   io.BytesIO(data), buffered, unbuffered, mapped, np.frombuffer(data, np.uint8)]
        for s in sources:
            f = nd.open(s, "sozvers")
            assert len(f) == 5 and f.size == len(data)
            same(f.to_numpy(), want)
            assert f.record_text(2, ",") == nd.open(path, "sozvers").record_text(2, ",")
        del f
        mapped.close()


class ReadOnly:
    """A file object with read() but no readinto()."""

    def __init__(self, data):
        self.b = io.BytesIO(data)

    def seekable(self):
        return True

    def seek(self, *a):
        return self.b.seek(*a)

    def tell(self):
        return self.b.tell()

    def read(self, n):
        return self.b.read(min(n, 1000))  # short reads too


def test_a_file_object_with_read_only():
    data = pathlib.Path(sample("tarif.dat")).read_bytes()
    same(nd.open(ReadOnly(data), "tarif").to_numpy(), nd.open(data, "tarif").to_numpy())


@pytest.mark.parametrize(
    "extra,count",
    [(0, 2), (53, 2), (54, 2), (55, 3), (107, 3)],  # a tie goes to the even count
)
def test_a_trailing_partial_record_counts_as_the_component_counts(extra, count):
    data = bytes(range(256)) * 1 + bytes(108 * 2 + extra - 256) if 108 * 2 + extra > 256 else bytes(108 * 2 + extra)
    f = nd.open(data, "tarif")
    assert len(f) == count
    if count == 3:  # the missing bytes read as zeros
        assert f.raw(3) == data[216:] + bytes(108 - extra)
        assert f.to_pandas().index.tolist() == [1, 2, 3]


class Shrinking(io.BytesIO):
    """Loses its second half after the first read."""

    reads = 0

    def readinto(self, b):
        self.reads += 1
        n = super().readinto(b)
        if self.reads == 1:
            self.truncate(len(self.getbuffer()) // 2)
        return n


def test_a_file_that_shrinks_while_read_is_refused(tmp_path):
    data = bytes(108) * 40000  # several chunks
    f = nd.open(Shrinking(data), "tarif")
    with pytest.raises(nd.Error, match="shrank") as e:
        f.to_numpy()
    assert e.value.number == 57
    # A path cut short between calls: counted again, the old end refused.
    p = tmp_path / "tarif.dat"
    p.write_bytes(data)
    f = nd.open(p, "tarif")
    assert len(f) == 40000
    os.truncate(p, 108 * 10)
    assert len(f) == 10 and len(f.to_numpy()["Feld_1"]) == 10
    with pytest.raises(IndexError, match="past the end"):
        f.to_numpy(last=40000)


def test_threads_share_one_file():
    path = sample("personal.13")
    data = pathlib.Path(path).read_bytes() * 200
    for source in (data, io.BytesIO(data)):
        f = nd.open(source, "user", layout="1920")
        want = f.to_numpy()
        results, errors = [], []

        def work():
            try:
                for _ in range(5):
                    results.append(f.to_numpy())
                    results.append({"text": np.array([f.record_text(599, ",")])})
            except Exception as e:  # pragma: no cover - reported below
                errors.append(e)

        threads = [threading.Thread(target=work) for _ in range(6)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert not errors
        text = f.record_text(599, ",")
        for r in results:
            if "text" in r:
                assert r["text"][0] == text
            else:
                same(r, want)


def test_failures_are_clear_exceptions(tmp_path):
    f = nd.open(sample("bda.dat"), "BDA")  # any case
    cases = [
        (lambda: nd.open(tmp_path / "missing.dat", "bda"), nd.FileNotFound, "File not found"),
        (lambda: nd.open(tmp_path / "missing.dat", "bda"), FileNotFoundError, "missing.dat"),
        (lambda: nd.open(tmp_path / "no" / "bda.dat", "bda"), nd.Error, "Path not found"),
        (lambda: nd.open(tmp_path, "bda"), nd.Error, "Path/File access error"),
        (lambda: nd.open(sample("bda.dat"), "lohn"), ValueError, "one of user, bda, jda"),
        (lambda: nd.open(sample("bda.dat"), "bda", layout="1920"), ValueError, "kind 'user' only"),
        (lambda: nd.open(sample("personal.13"), "user", layout="2000"), ValueError, "'1920' or '1513'"),
        (lambda: nd.open(b"", "user"), ValueError, "layout='1920' or '1513'"),
        (lambda: nd.open(io.StringIO("x"), "bda"), TypeError, "binary mode"),
        (lambda: nd.open(42, "bda"), TypeError, "not int"),
        (lambda: f.raw(5), IndexError, "record 5 is past the end: the file has 4 records"),
        (lambda: f.record_text(0), IndexError, "start at 1"),
        (lambda: f.to_numpy(first=0), ValueError, "first must be 1 or more"),
        (lambda: f.to_numpy(first=3, last=1), ValueError, "lies before first"),
        (lambda: f.to_numpy(last=5), IndexError, "past the end"),
        (lambda: f.to_numpy(["datum_1", "nope"]), KeyError, "no column or field 'nope'"),
        (lambda: f.to_numpy(["datm_1"]), KeyError, "closest: datum_1"),
        (lambda: f.to_numpy(["datum", "datum_2"]), ValueError, "asked for twice"),
        (lambda: f.to_numpy(currency="cents"), ValueError, "'float', 'decimal' or 'scaled'"),
        (lambda: list(f.iter_pandas(chunksize=0)), ValueError, "chunksize"),
    ]
    for call, kind, text in cases:
        with pytest.raises(kind, match=text.replace("(", r"\(")):
            call()
    missing = pytest.raises(nd.Error, nd.open, tmp_path / "missing.dat", "bda").value
    assert missing.number == 53 and missing.filename == str(tmp_path / "missing.dat")
    # Empty ranges are empty, not errors; every column keeps its dtype.
    empty = f.to_pandas(first=5, last=4)
    assert len(empty) == 0 and list(empty.columns) == f.columns
    f.close()
    with pytest.raises(ValueError, match="closed"):
        len(f)


def test_a_failing_file_object_names_its_failure():
    b = io.BytesIO(bytes(108 * 3))
    f = nd.open(b, "tarif")
    b.close()
    with pytest.raises(nd.Error, match="closed file") as e:
        f.to_numpy()
    assert e.value.number == 57


@pytest.mark.parametrize("kind,fn,layout", FILES)
def test_the_kind_is_told_from_the_bytes(kind, fn, layout):
    for source in (sample(fn), pathlib.Path(sample(fn)).read_bytes()):
        f = nd.open(source)
        assert (f.kind, f.layout) == (kind, layout)


def test_undecided_kinds_name_the_candidates():
    with pytest.raises(ValueError, match=r"no kind fits(.|\n)*fits|several fit") as e:
        nd.open(bytes(108 * 1920))  # zeros: many kinds read them
    assert "user --layout 1920" in str(e.value) and "tarif" in str(e.value)
    with pytest.raises(ValueError, match="empty"):
        nd.open(b"")


def test_the_layout_rule_warns_as_the_tool_notes(monkeypatch):
    monkeypatch.chdir(pathlib.Path(sample("personal.13")).parent)
    with pytest.warns(nd.LayoutRuleWarning, match="read as 1513-byte.*layout='1920'"):
        f = nd.open("./personal.13", "user")
    assert f.layout == "personnel_1513"
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert nd.open("personal.13", "user").layout == "personnel_1920"
        assert nd.open("./personal.13", "user", layout="1920").layout == "personnel_1920"


def test_the_class_members_by_their_own_names(tool):
    o = nd.GetuserData()
    o.decimal_separator = ","
    members = [
        ("userdatensatz_holen", "getusersatzanzahl", "user", "personal.13"),
        ("BDAdatensatz_holen", "getBDAsatzanzahl", "bda", "bda.dat"),
        ("JDAdatensatz_holen", "getJDAsatzanzahl", "jda", "jda.dat"),
        ("Zuschlägedatensatz_holen", "getZUSCHLAGsatzanzahl", "zuschlag", "zuschlag.dat"),
        ("Zuschlaegedatensatz_holen", "getZUSCHLAGsatzanzahl", "zuschlag", "zuschlag.dat"),
        ("SOZVERSdatensatz_holen", "getSOZVERSsatzanzahl", "sozvers", "sozvers.dat"),
        ("URLAUBdatensatz_holen", "getURLAUBsatzanzahl", "urlaub", "urlaub.dat"),
        ("KALENDERdatensatz_holen", "getKALENDERsatzanzahl", "kalender", "kalender.dat"),
        ("tarifsatz_holen", "getsatzanzahl", "tarif", "tarif.dat"),
    ]
    for text, count, kind, fn in members:
        path = sample(fn)
        assert getattr(o, count)(pathlib.Path(path)) == len(nd.open(path, kind))
        assert getattr(o, text)(path, 2) == tool("show", "--decimal-separator", ",", kind, path, "2").decode()
        assert o.eigdat == path
    text, bis = o.tarife_holen(sample("tarif.dat"), 11, 99)
    assert bis == 12 and text == tool("tarife", sample("tarif.dat"), "11", "99").decode()
    # The members read a missing file as empty, as the component does.
    assert o.getBDAsatzanzahl(sample("none.dat")) == 0
    with pytest.raises(nd.Error) as e:
        o.BDAdatensatz_holen(sample("bda.dat"), 0)
    assert e.value.number == 63


def test_help_reads_like_a_guide():
    doc = subprocess.run([sys.executable, "-c", "import nelvo_data; help(nelvo_data)"], capture_output=True,
                         text=True, env=dict(os.environ, PAGER="cat"), check=True).stdout
    for name in ("to_pandas", "iter_pandas", "record_text", "GetuserData", "currency", "python3-pandas"):
        assert name in doc
    for name in nd.__all__:
        assert getattr(nd, name).__doc__ or name == "KINDS", name


def test_other_threads_run_while_records_are_decoded(tmp_path):
    # A thread that only counts keeps counting through the middle of a long
    # read: the GIL is not held while records are read and decoded.
    path = tmp_path / "tarif.dat"
    with open(path, "wb") as out:
        out.truncate(108 * 5_000_000)  # sparse
    f = nd.open(path, "tarif")
    seen, done = [], threading.Event()

    def count():
        while not done.is_set():
            seen.append(time.perf_counter())
            time.sleep(0.001)

    t = threading.Thread(target=count, daemon=True)
    t.start()
    try:
        time.sleep(0.05)
        start = time.perf_counter()
        arrays = f.to_numpy([f.columns[0], f.columns[-1]])
        end = time.perf_counter()
    finally:
        done.set()
        t.join()
    assert len(arrays[f.columns[0]]) == 5_000_000
    middle = [s for s in seen if start + 0.25 * (end - start) < s < end - 0.25 * (end - start)]
    assert middle, f"no progress in the middle of a {end - start:.3f} s read"
