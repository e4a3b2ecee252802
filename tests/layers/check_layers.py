#!/usr/bin/env python3
"""Checks that the source tree's includes point down its layers.

The folders of src/ are layers, and LAYERS says which layers each may
include besides its own: text and platform are the floor (reading text; the
calls to the operating system), model knows nothing of the machine, and
every layer above takes what is below it. Files directly in src/ (main.cpp)
stand above them all. There is no exception. The check also fails on a cycle
among the headers, and on a folder it does not know, which must first be
given its place in LAYERS.

    check_layers.py SRC_DIR     check the tree; exit 1 on a violation
    check_layers.py --self-test  show that the check catches what it should
"""

import os
import re
import sys
import tempfile

LAYERS = {
    "text": set(),
    "platform": set(),
    "model": {"text"},
    "query": {"model", "text"},
    "ops": {"query", "model", "text", "platform"},
    "io": {"ops", "query", "model", "text", "platform"},
    "check": {"io", "ops", "query", "model", "text"},
    # raeval-check's program: its files, its terminal and its command line.
    "checktool": {"check", "io", "ops", "query", "model", "text", "platform"},
}
TOP = "."  # the files directly in src/
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def layer_of(path):
    """The layer of a path relative to src/: its folder, TOP for a file
    directly in src/, None for a folder LAYERS does not know."""
    parts = path.split("/")
    if len(parts) == 1:
        return TOP
    return parts[0] if parts[0] in LAYERS else None


def may_include(source_layer, target_layer):
    if source_layer == TOP or source_layer == target_layer:
        return True
    return target_layer in LAYERS[source_layer]


def includes(src):
    """Every quoted include of every file below src, as (file, included)."""
    edges = []
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(root, name), src).replace(os.sep, "/")
            with open(os.path.join(root, name), encoding="utf-8", errors="replace") as f:
                for target in INCLUDE.findall(f.read()):
                    edges.append((path, target))
    return edges


def header_cycle(edges):
    """A cycle among the included files, as a list of paths, or None."""
    graph = {}
    for source, target in edges:
        graph.setdefault(source, []).append(target)
    state = {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in graph.get(node, []):
            if state.get(nxt) == "open":
                return trail[trail.index(nxt):] + [nxt] if nxt in trail else [node, nxt]
            if nxt not in state:
                found = visit(nxt, trail + [nxt])
                if found:
                    return found
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node, [node])
            if found:
                return found
    return None


def violations(src):
    found = []
    for folder in sorted(os.listdir(src)):
        if os.path.isdir(os.path.join(src, folder)) and folder not in LAYERS:
            found.append(f"src/{folder}/ has no place among the layers {sorted(LAYERS)}")
    edges = includes(src)
    for source, target in edges:
        if not os.path.exists(os.path.join(src, target)):
            found.append(f"{source} includes {target}, which is not below src/")
            continue
        here, there = layer_of(source), layer_of(target)
        if here is None or there is None:
            continue
        if not may_include(here, there):
            found.append(f"{source} includes {target}: {here}/ may not include {there}/")
    cycle = header_cycle(edges)
    if cycle:
        found.append("the includes go round: " + " -> ".join(cycle))
    return found


def self_test():
    """The check must fail on an upward include, on a header cycle and on an
    unknown folder, and pass on a tree that has none of them."""
    cases = {
        "clean": {"model/a.h": "", "io/b.cpp": '#include "model/a.h"\n',
                  "ops/c.cpp": '#include "platform/d.h"\n', "platform/d.h": "",
                  "check/e.cpp": '#include "io/b.h"\n', "io/b.h": "", "main.cpp": '#include "check/e.h"\n',
                  "check/e.h": ""},
        "upward": {"model/a.h": '#include "io/b.h"\n', "io/b.h": ""},
        "evaluator to forms": {"query/a.cpp": '#include "ops/b.h"\n', "ops/b.h": ""},
        "model to platform": {"model/a.cpp": '#include "platform/b.h"\n', "platform/b.h": ""},
        "check to platform": {"check/a.cpp": '#include "platform/b.h"\n', "platform/b.h": ""},
        "platform to text": {"platform/a.cpp": '#include "text/b.h"\n', "text/b.h": ""},
        "cycle": {"model/a.h": '#include "model/b.h"\n', "model/b.h": '#include "model/a.h"\n'},
        "folder": {"extra/a.h": ""},
    }
    ok = True
    for name, files in cases.items():
        with tempfile.TemporaryDirectory() as src:
            for path, text in files.items():
                os.makedirs(os.path.join(src, os.path.dirname(path)), exist_ok=True)
                with open(os.path.join(src, path), "w", encoding="utf-8") as f:
                    f.write(text)
            caught = bool(violations(src))
            if caught != (name != "clean"):
                print(f"FAIL self-test '{name}': violations {'found' if caught else 'missed'}")
                ok = False
    print("self-test", "passed" if ok else "failed")
    return ok


def main():
    if sys.argv[1:] == ["--self-test"]:
        return 0 if self_test() else 1
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    found = violations(sys.argv[1])
    for line in found:
        print("FAIL", line)
    print(f"{len(found)} layering violations")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
