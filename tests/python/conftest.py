# What the module's tests share: the tool that gives the expected values,
# the committed samples, and records made up for a test in memory.
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SAMPLES = pathlib.Path(os.environ.get("NELVO_SAMPLES", ROOT / "samples"))

# kind, sample file, layout as the tool reads it
FILES = [
    ("user", "personal.13", "personnel_1920"),
    ("user", "personal.dat", "personnel_1513"),
    ("bda", "bda.dat", "bda"),
    ("jda", "jda.dat", "jda"),
    ("zuschlag", "zuschlag.dat", "zuschlag"),
    ("sozvers", "sozvers.dat", "sozvers"),
    ("urlaub", "urlaub.dat", "urlaub"),
    ("kalender", "kalender.dat", "kalender"),
    ("tarif", "tarif.dat", "tarif"),
]


def sample(name):
    return str(SAMPLES / name)


@pytest.fixture(scope="session")
def tool():
    path = os.environ.get("NELVO_DATA_TOOL")
    if not path:
        pytest.skip("NELVO_DATA_TOOL names no nelvo-data to compare with")

    def run(*args, stdin=None):
        r = subprocess.run([path, *args], input=stdin, capture_output=True, check=True)
        return r.stdout

    return run


def blank_record(f):
    """A record of f's layout of spaces in its texts and zeros elsewhere."""
    b = bytearray(f.record_length)
    for c in f.fields:
        if c.stored == "text":
            b[c.offset : c.offset + c.width] = b" " * c.width
    return b


def field(f, column):
    return next(c for c in f.fields if c.column == column)
