# Values as the tool gives them: every kind and both personnel layouts
# against the tool's JSON export and its record text, and made-up records
# with the values files rarely hold (extreme amounts, odd truth values,
# control bytes in texts, floats that are not finite).
import decimal
import fractions
import json
import struct

import numpy as np
import pytest

import nelvo_data as nd
from conftest import FILES, blank_record, field, sample

D = decimal.Decimal


def cp1252(raw):
    # Every byte one character; the five undefined bytes as the C1 controls of the same value.
    return "".join(chr(b) if b in (0x81, 0x8D, 0x8F, 0x90, 0x9D) else bytes([b]).decode("cp1252") for b in raw)


def layout_arg(fn):
    return "1920" if fn.endswith(".13") else "1513"


def open_sample(kind, fn):
    return nd.open(sample(fn), kind, layout=layout_arg(fn) if kind == "user" else None)


def tool_json(tool, kind, args, stdin=None):
    out = tool("export", kind, *args, "--format", "json", stdin=stdin)
    return json.loads(out, parse_float=D, parse_int=D)


def flat(value):
    """A JSON field's elements in column order: single, array, or table of rows."""
    if not isinstance(value, list):
        return [value]
    return [v for row in value for v in row] if value and isinstance(value[0], list) else value


def expected_columns(f, records):
    """Column -> list of JSON values, columns named as f.columns names them."""
    cols = {c: [] for c in f.columns}
    by_field = {}
    for c in f.fields:
        by_field.setdefault(c.field, []).append(c.column)
    for r in records:
        for name, value in r.items():
            if name == "record":
                continue
            for column, v in zip(by_field[name], flat(value), strict=True):
                cols[column].append(v)
    return cols


def float32_bits(x):
    return struct.unpack("<I", struct.pack("<f", x))[0]


def check_against_json(f, expected, arrays, currency):
    stored = {c.column: c.stored for c in f.fields}
    for column, want in expected.items():
        got = arrays[column]
        s = stored[column]
        assert len(got) == len(want), column
        if s == "text":
            assert list(got) == [w.strip(" ") for w in want], column
        elif s in ("int16", "int32"):
            assert got.tolist() == [int(w) for w in want], column
        elif s == "flag":
            assert got.tolist() == [-1 if w is True else 0 if w is False else int(w) for w in want], column
        elif s == "single":
            for g, w in zip(got, want):
                if isinstance(w, str):  # "Infinity", "NaN:0x7FC00000"
                    bits = {"Infinity": 0x7F800000, "-Infinity": 0xFF800000}.get(w) or int(w.split("0x")[1], 16)
                    assert float32_bits(g) == bits, column
                else:
                    assert float32_bits(g) == float32_bits(float(w)), column
        elif s == "currency":
            if currency == "decimal":
                assert list(got) == want, column
            elif currency == "scaled":
                assert got.tolist() == [int(w * 10000) for w in want], column
            else:
                assert got.tolist() == [float(w) for w in want], column


@pytest.mark.parametrize("kind,fn,layout", FILES)
def test_every_kind_equals_the_json_export(tool, kind, fn, layout):
    f = open_sample(kind, fn)
    assert (f.kind, f.layout) == (kind, layout)
    args = [sample(fn)] + (["--layout", layout_arg(fn)] if kind == "user" else [])
    expected = expected_columns(f, tool_json(tool, kind, args))
    assert list(expected) == f.columns
    for currency in ("float", "decimal", "scaled"):
        arrays = f.to_numpy(currency=currency)
        assert list(arrays) == f.columns
        check_against_json(f, expected, arrays, currency)
    df = f.to_pandas()
    assert df.index.name == "record" and df.index.tolist() == list(range(1, len(f) + 1))
    assert {c: df[c].dtype for c in df.columns} == f.dtypes()
    raw = f.to_numpy(raw_text=True)
    for c in f.fields:
        if c.stored == "text":
            assert [cp1252(b) for b in raw[c.column]] == expected[c.column]
            assert all(len(b) == c.width for b in raw[c.column])


@pytest.mark.parametrize("kind,fn,layout", FILES)
def test_record_text_is_the_tools_byte_for_byte(tool, kind, fn, layout):
    f = open_sample(kind, fn)
    extra = ["--layout", layout_arg(fn)] if kind == "user" else []
    for n in sorted({1, 2, len(f)}):
        assert f.raw(n) == bytes(open(sample(fn), "rb").read()[(n - 1) * f.record_length :][: f.record_length])
        for sep in (",", "."):
            want = tool("show", "--decimal-separator", sep, *extra, kind, sample(fn), str(n)).decode("utf-8")
            assert f.record_text(n, decimal_separator=sep) == want, (n, sep)


def made_up(kind, fill, layout=None):
    """One record of `kind` built from bytes, and the DataFile over it."""
    probe = nd.open(bytes(2000), kind, layout=layout)
    b = blank_record(probe)
    fill(probe, b)
    return bytes(b), nd.open(bytes(b), kind, layout=layout)


def put(f, b, column, fmt, value):
    c = field(f, column)
    struct.pack_into(fmt, b, c.offset, value)


AMOUNTS = [-(2**63), 2**63 - 1, 2**53 + 1, -(2**53) - 3, -10000, 1, 25000, 123456789012345678]


def test_currency_modes_on_extreme_amounts(tool):
    def fill(f, b):
        for i, v in enumerate(AMOUNTS):
            put(f, b, [c.column for c in f.fields if c.stored == "currency"][i], "<q", v)

    data, f = made_up("sozvers", fill)
    money = [c.column for c in f.fields if c.stored == "currency"][: len(AMOUNTS)]
    scaled = f.to_numpy(money, currency="scaled")
    exact = f.to_numpy(money, currency="decimal")
    near = f.to_numpy(money, currency="float")
    for column, v in zip(money, AMOUNTS):
        assert scaled[column].dtype == np.int64 and int(scaled[column][0]) == v
        assert exact[column][0] == D(v) / 10000 and isinstance(exact[column][0], D)
        # The double nearest the exact amount (Fraction -> float rounds once).
        assert near[column].dtype == np.float64 and near[column][0] == float(fractions.Fraction(v, 10000))
    expected = expected_columns(f, tool_json(tool, "sozvers", ["-"], stdin=data))
    check_against_json(f, expected, f.to_numpy(currency="decimal"), "decimal")


def test_truth_values_other_than_0_and_minus_1_survive(tool):
    flags = [-1, 0, 1, 5, -2, 32767, -32768]

    def fill(f, b):
        for column, v in zip([c.column for c in f.fields if c.stored == "flag"], flags):
            put(f, b, column, "<h", v)

    data, f = made_up("sozvers", fill)
    columns = [c.column for c in f.fields if c.stored == "flag"][: len(flags)]
    arrays = f.to_numpy(columns)
    assert [int(arrays[c][0]) for c in columns] == flags
    assert all(arrays[c].dtype == np.int16 for c in columns)
    expected = expected_columns(f, tool_json(tool, "sozvers", ["-"], stdin=data))
    check_against_json(f, expected, f.to_numpy(), "float")


TEXTS = [
    b"  a\x00b;c  ",  # NUL and the record text's own delimiter inside
    b"\x80\x81\x8d\x8f\x90\x9d\x9f",  # the euro sign, the undefined bytes, the last C1 byte
    b"\xe4\xf6\xfc\xdf \xa0",  # Latin-1 alike; no-break space is not trimmed
    b"\x00\x00",  # NUL is not a space: kept
    b"'=1+2",
]


def test_texts_keep_every_byte_but_the_trimmed_spaces(tool, tmp_path):
    def fill(f, b):
        for c, t in zip([c for c in f.fields if c.stored == "text"], TEXTS):
            b[c.offset : c.offset + len(t)] = t

    data, f = made_up("sozvers", fill)
    texts = [c for c in f.fields if c.stored == "text"][: len(TEXTS)]
    arrays = f.to_numpy([c.column for c in texts])
    raw = f.to_numpy([c.column for c in texts], raw_text=True)
    for c, t in zip(texts, TEXTS):
        padded = t + b" " * (c.width - len(t))
        assert raw[c.column][0] == padded
        assert arrays[c.column][0] == cp1252(padded).strip(" ")
    expected = expected_columns(f, tool_json(tool, "sozvers", ["-"], stdin=data))
    check_against_json(f, expected, f.to_numpy(), "float")
    # The record text of the same bytes, as the tool shows it.
    path = tmp_path / "sozvers.dat"
    path.write_bytes(data)
    want = tool("show", "--decimal-separator", ",", "sozvers", str(path), "1").decode("utf-8")
    assert f.record_text(1, decimal_separator=",") == want
    assert nd.open(path, "sozvers").record_text(1, ",") == want


def test_floats_that_are_not_finite_keep_their_bits(tool):
    bits = [0x7F800000, 0xFF800000, 0x7FC00000, 0xFFC00001, 0x80000000, 0x00000001, 0x7F7FFFFF]

    def fill(f, b):
        for column, v in zip([c.column for c in f.fields if c.stored == "single"], bits):
            put(f, b, column, "<I", v)

    data, f = made_up("urlaub", fill)
    columns = [c.column for c in f.fields if c.stored == "single"][: len(bits)]
    arrays = f.to_numpy(columns)
    assert [float32_bits(arrays[c][0]) for c in columns] == bits
    expected = expected_columns(f, tool_json(tool, "urlaub", ["-"], stdin=data))
    check_against_json(f, expected, f.to_numpy(), "float")


def test_texts_repeated_or_differing_in_one_middle_byte_read_back():
    # Texts that differ only inside a long value, repeat in cycles, or come
    # back after others: each record gets its own value, equal ones one object.
    probe = nd.open(bytes(624), "sozvers")
    ag = [c for c in probe.fields if c.stored == "text"][0]
    values = []
    for i in range(3000):
        v = b"x" * 9 + bytes([0x41 + i % 26, 0x41 + (i // 26) % 26]) + b"y" * 12 if i % 3 else b"same text"
        values.append(v[: ag.width])
    data = bytearray()
    for v in values:
        r = blank_record(probe)
        r[ag.offset : ag.offset + len(v)] = v
        data += r
    f = nd.open(bytes(data), "sozvers")
    got = f.to_numpy([ag.column])[ag.column]
    assert got.tolist() == [v.decode("latin-1").strip(" ") for v in values]
    raw = f.to_numpy([ag.column], raw_text=True)[ag.column]
    assert raw.tolist() == [v + b" " * (ag.width - len(v)) for v in values]
    assert got[0] is got[3]
