#!/usr/bin/env python3
"""Every relative link in README.md and docs/*.md leads somewhere.

A link's file or folder must exist inside the source tree, and its #anchor
must name a heading of the Markdown file it points to, as GitHub spells
heading anchors. Every file in docs/ must be linked from the README, which
is the reader's way in. Links inside code (fenced, indented or inline) are
not links; links with a scheme (https:, mailto:) are not checked.

    links_check.py SOURCE-DIR     check the tree; exit 1 naming every broken link
    links_check.py --self-test    check the checker on a tree of known faults
"""

import os
import re
import sys
import tempfile
from urllib.parse import unquote

INLINE_LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE_DEFINITION = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s|$)")
HTML_TARGET = re.compile(r"""\bhref\s*=\s*["']([^"']*)["']""")
HTML_ANCHOR = re.compile(r"""<a\s[^>]*\b(?:name|id)\s*=\s*["']([^"']+)["']""")
ATX_HEADING = re.compile(r"^ {0,3}(#{1,6})(?:\s+(.*?))?(?:\s+#+)?\s*$")
FENCE = re.compile(r"^ {0,3}(`{3,}|~{3,})")
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


def prose_lines(text):
    """(line number, line) of the lines that are not code blocks."""
    fence = None
    previous_blank = True
    in_indented_code = False
    for number, line in enumerate(text.splitlines(), 1):
        opening = FENCE.match(line)
        if fence:
            if opening and opening.group(1)[0] == fence[0] and len(opening.group(1)) >= len(fence) \
                    and not line.strip().strip(fence[0]):
                fence = None
            continue
        if opening:
            fence = opening.group(1)
            continue
        indented = line.startswith("    ") or line.startswith("\t")
        if indented and (previous_blank or in_indented_code) and line.strip():
            in_indented_code = True
            continue
        if line.strip():
            in_indented_code = False
        previous_blank = not line.strip()
        yield number, line


def without_inline_code(text):
    """The text with every code span (`...`, ``...``) removed but for its
    line breaks, so line numbers stay."""
    return re.sub(r"(`+)(?:(?!\1).)+?\1", lambda m: "\n" * m.group(0).count("\n"), text, flags=re.S)


def slug(heading):
    """The anchor GitHub gives a heading: its text in lower case, without
    punctuation but hyphens and underscores, spaces as hyphens."""
    text = re.sub(r"!?\[((?:[^\]\\]|\\.)*)\]\([^)]*\)", r"\1", heading)  # a link's text
    text = re.sub(r"<[^>]+>", "", text)  # HTML tags
    text = text.replace("`", "")
    return re.sub(r"[^\w\- ]", "", text.lower()).replace(" ", "-")


def anchors(text):
    """Every anchor a Markdown text defines: its headings, numbered as GitHub
    numbers repeated ones (c, c-1, ...), and HTML anchors."""
    found = set()
    seen = {}
    for _, line in prose_lines(text):
        heading = ATX_HEADING.match(line)
        if heading:
            base = slug(heading.group(2) or "")
            name = base if base not in seen else f"{base}-{seen[base]}"
            seen[base] = seen.get(base, 0) + 1
            found.add(name)
        found.update(HTML_ANCHOR.findall(line))
    return found


def paragraphs(text):
    """(first line number, lines joined) of each run of prose lines: a link's
    text may go on over a line break."""
    first, lines, last = None, [], None
    for number, line in prose_lines(text):
        if lines and (number != last + 1 or not line.strip() or ATX_HEADING.match(line)):
            yield first, "\n".join(lines)
            lines = []
        if line.strip():
            if not lines:
                first = number
            lines.append(line)
        last = number
    if lines:
        yield first, "\n".join(lines)


def targets(text):
    """(line number, target) of every link in a Markdown text."""
    for first, paragraph in paragraphs(text):
        prose = without_inline_code(paragraph)
        for pattern in (INLINE_LINK, HTML_TARGET):
            for match in pattern.finditer(prose):
                yield first + prose.count("\n", 0, match.start()), match.group(1)
        for offset, line in enumerate(prose.split("\n")):
            for target in REFERENCE_DEFINITION.findall(line):
                yield first + offset, target


def documents(root):
    """README.md and every Markdown file in docs/, as paths relative to root."""
    docs = os.path.join(root, "docs")
    names = sorted(n for n in os.listdir(docs) if n.endswith(".md")) if os.path.isdir(docs) else []
    return ["README.md"] + [os.path.join("docs", n) for n in names]


def problems(root):
    """(number of links checked, every broken link described)."""
    root = os.path.realpath(root)
    texts = {}

    def text_of(relative):
        if relative not in texts:
            with open(os.path.join(root, relative), encoding="utf-8") as f:
                texts[relative] = f.read()
        return texts[relative]

    found = []
    checked = 0
    linked_from_readme = set()
    for document in documents(root):
        for number, target in targets(text_of(document)):
            if not target or SCHEME.match(target):
                continue
            checked += 1
            where = f"{document}:{number}: {target}"
            path, _, fragment = target.partition("#")
            path = unquote(path)
            if path:
                if path.startswith("/"):
                    found.append(f"{where}: an absolute path; links are relative to the file")
                    continue
                resolved = os.path.realpath(os.path.join(root, os.path.dirname(document), path))
                relative = os.path.relpath(resolved, root)
                if relative == os.pardir or relative.startswith(os.pardir + os.sep):
                    found.append(f"{where}: leads out of the source tree")
                    continue
                if not os.path.exists(resolved):
                    found.append(f"{where}: {relative} does not exist")
                    continue
            else:
                relative = document
            if document == "README.md":
                linked_from_readme.add(relative)
            if fragment and relative.endswith(".md") and os.path.isfile(os.path.join(root, relative)):
                if unquote(fragment) not in anchors(text_of(relative)):
                    found.append(f"{where}: {relative} has no heading or anchor #{fragment}")
    for document in documents(root)[1:]:
        if document not in linked_from_readme:
            found.append(f"{document}: not linked from README.md")
    return checked, found


def self_test():
    """The checker finds exactly the faults planted in a small tree."""
    files = {
        "README.md": """# Title

[tool](docs/tool.md) and [its export](docs/tool.md#export-and-more), [c++](docs/tool.md#c-1),
[folder](docs/), [encoded](docs/with%20space.md), ![image](docs/tool.md#c),
[here](#title), [web](https://example.com/missing.md), [mail](mailto:x@example.com)
[missing](docs/missing.md) and [bad anchor](docs/tool.md#nowhere) and [own](#nothing)
`[in code](docs/gone.md)` and [out](../outside.md)
[ref]: docs/also-missing.md
A [link over
a line break](docs/tool.md#c) and [another `one`
over](docs/broken.md), `code
[over lines](docs/code.md)` ignored.

```
[fenced](docs/fenced.md)
```

    [indented](docs/indented.md)
""",
        "docs/tool.md": """# The tool `nelvo-data`

## Export, and more!
## C#
## C++
<a name="kept"></a>
```
# not a heading
```
[back](../README.md#title) [kept](#kept) [not a heading](#not-a-heading)
""",
        "docs/with space.md": "# Spaced\n",
        "docs/orphan.md": "# Orphan\n[tool](tool.md#the-tool-nelvo-data)\n",
    }
    want = [
        "README.md:6: docs/missing.md: docs/missing.md does not exist",
        "README.md:6: docs/tool.md#nowhere: docs/tool.md has no heading or anchor #nowhere",
        "README.md:6: #nothing: README.md has no heading or anchor #nothing",
        "README.md:7: ../outside.md: leads out of the source tree",
        "README.md:8: docs/also-missing.md: docs/also-missing.md does not exist",
        "docs/tool.md:10: #not-a-heading: docs/tool.md has no heading or anchor #not-a-heading",
        "README.md:10: docs/broken.md: docs/broken.md does not exist",
        "docs/orphan.md: not linked from README.md",
    ]
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(name)), exist_ok=True)
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write(text)
        checked, got = problems(root)
    ok = sorted(got) == sorted(want) and checked == 18
    if not ok:
        print(f"self-test FAILED: {checked} links checked")
        print("found:\n  " + "\n  ".join(got))
        print("expected:\n  " + "\n  ".join(want))
    else:
        print(f"self-test: {checked} links checked, the {len(want)} planted faults found")
    return 0 if ok else 1


def main(argv):
    if argv[1:] == ["--self-test"]:
        return self_test()
    if len(argv) != 2:
        print("\n".join(__doc__.strip().splitlines()[-2:]), file=sys.stderr)
        return 2
    checked, found = problems(argv[1])
    for problem in found:
        print(problem)
    print(f"{checked} relative links in {len(documents(argv[1]))} files, {len(found)} broken")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
