# docs/python.md: its Python examples run, in order, from the top of the
# source tree, and the figures the comments promise come out.
import contextlib
import io
import os
import pathlib
import re

from conftest import ROOT, SAMPLES

GUIDE = ROOT / "docs" / "python.md"


def blocks():
    return re.findall(r"```python\n(.*?)```", GUIDE.read_text(encoding="utf-8"), re.S)


def test_the_guides_examples_run(monkeypatch):
    assert len(blocks()) >= 6
    monkeypatch.chdir(SAMPLES.parent)
    scope = {}
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        for code in blocks():
            exec(compile(code, str(GUIDE), "exec"), scope)
    printed = out.getvalue().splitlines()
    for expected in ["user personnel_1920 1920 3", "urlaub", "12", "4", "53 File not found",
                     "['Probst', 'Großtest', 'Musterfrau']", "int16 object"]:
        assert expected in printed, expected


def test_the_guide_names_debians_python():
    text = GUIDE.read_text(encoding="utf-8")
    assert "/usr/bin/python3 -m venv --system-site-packages" in text
    assert "--no-build-isolation --no-index" in text
