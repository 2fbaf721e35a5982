#!/usr/bin/python3
"""Keeps the folders of tools/nelvo-data layered: no folder includes one
that includes it, however indirectly, and no file outside system/ (and the
entry's name in main.cpp) tells the platforms apart. Prints the folder
graph; fails naming a cycle or the file.

    folder_graph.py TOOL_DIR
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"nelvo-data/([^/"]+)/', re.MULTILINE)
PLATFORM_TEST = re.compile(r"^\s*#\s*(if|ifdef|ifndef|elif)\b.*\b_WIN32\b", re.MULTILINE)
PLATFORM_FILES = {"main.cpp"}  # wmain or main: the one difference left outside system/


def folder_of(path, root):
    parts = path.relative_to(root).parts
    return parts[0] if len(parts) > 1 else path.name


def graph(root):
    edges = {}
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cpp", ".hpp", ".h") or not path.is_file():
            continue
        here = folder_of(path, root)
        for there in INCLUDE.findall(path.read_text(encoding="utf-8")):
            if there != here and (root / there).is_dir():
                edges.setdefault(here, set()).add(there)
    return edges


def cycle(edges):
    """A list of folders that include each other in a ring, or None."""
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(edges.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(edges):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def platform_tests(root):
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".cpp", ".hpp", ".h") or not path.is_file():
            continue
        rel = path.relative_to(root)
        if rel.parts[0] == "system" or str(rel) in PLATFORM_FILES:
            continue
        if PLATFORM_TEST.search(path.read_text(encoding="utf-8")):
            yield str(rel)


def main():
    root = pathlib.Path(sys.argv[1])
    edges = graph(root)
    for here in sorted(edges):
        print(f"{here} -> {' '.join(sorted(edges[here]))}")
    failed = False
    ring = cycle(edges)
    if ring:
        print("folders that include each other: " + " -> ".join(ring), file=sys.stderr)
        failed = True
    for rel in platform_tests(root):
        print(f"{rel}: tells the platforms apart outside system/ (system/io.hpp)", file=sys.stderr)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
