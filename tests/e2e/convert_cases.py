#!/usr/bin/env python3
"""Rewrites case files from the full form into the short form where a case allows it.

    convert_cases.py FILE...

A case becomes short when it has only an input and an output section, without
flags, its input is a query line, line 2 and tables that neither begin nor end
with an empty line nor hold two empty lines in a row, and its output is that
input, one empty line and the result. Tables shared by two or more cases of a
file become a fixture, declared once before the first case that uses it; a case
that uses an earlier fixture names it. Tables used by one case stay in it. Every
other case is copied as written. compare_expanded.sh checks the result against
the files as they were.
"""

import sys

# Names for fixtures whose table names alone would not tell them apart or would
# read badly; every other fixture is named after its tables.
FIXTURE_NAMES = {
    ("conditions.test", 1): "Emp with a short row",
    ("lookup.test", 3): "tables named , and )",
}


def read_lines(path):
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\n")
    if lines[-1] == "":
        lines.pop()
    return lines


def split_cases(lines):
    """The comment lines before the first case, then each case as its lines."""
    header, cases = [], []
    for line in lines:
        if line.startswith("=== "):
            cases.append([line])
        elif cases:
            cases[-1].append(line)
        else:
            header.append(line)
    return header, cases


def short_form(case):
    """(query, line 2, tables, result) for a regular case, else None."""
    sections = []
    for line in case[1:]:
        if line.startswith("--- "):
            sections.append((line, []))
        else:
            sections[-1][1].append(line)
    if [head for head, _ in sections] != ["--- input", "--- output"]:
        return None
    given, expected = sections[0][1], sections[1][1]
    if len(given) < 2:
        return None
    tables = given[2:]
    if tables and (tables[0] == "" or tables[-1] == ""):
        return None
    if any(a == "" and b == "" for a, b in zip(tables, tables[1:])):
        return None
    if expected[: len(given) + 1] != given + [""]:
        return None
    return given[0], given[1], tables, expected[len(given) + 1 :]


def table_names(tables):
    return [
        line.split("(")[0].strip()
        for i, line in enumerate(tables)
        if i == 0 or tables[i - 1] == ""
    ]


def convert(path):
    header, cases = split_cases(read_lines(path))
    forms = [short_form(case) for case in cases]
    uses = {}
    for form in forms:
        if form is not None:
            key = tuple(form[2])
            uses[key] = uses.get(key, 0) + 1
    base = path.rsplit("/", 1)[-1]
    names = {}
    for key in uses:
        if uses[key] > 1:
            default = ", ".join(table_names(list(key)))
            names[key] = FIXTURE_NAMES.get((base, len(names)), default)
    assert len(set(names.values())) == len(names), f"{path}: two fixtures share a name"

    out = list(header)
    declared, current = set(), None
    for case, form in zip(cases, forms):
        if form is None:
            out += case
            continue
        query, line2, tables, result = form
        key = tuple(tables)
        name = names.get(key)
        if name is not None and name not in declared:
            out += ["=== fixture " + name, "--- tables"] + tables
            declared.add(name)
            current = name
        out.append(case[0])
        out.append("--- query " + query if query else "--- query")
        if line2:
            out.append("--- line2 " + line2)
        if name is None:
            out += ["--- tables"] + tables
        elif name != current:
            out.append("--- fixture " + name)
        out += ["--- result"] + result
    with open(path, "wb") as f:
        f.write(("\n".join(out) + "\n").encode("latin-1"))


if __name__ == "__main__":
    for path in sys.argv[1:]:
        convert(path)
