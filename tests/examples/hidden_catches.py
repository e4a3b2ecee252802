#!/usr/bin/env python3
"""Lists the mutants of a sheet's audit that no hidden instance catches.

    hidden_catches.py SHEET AUDIT_JSON

AUDIT_JSON is what `raeval-check --audit --json SHEET` wrote. The hidden
instances are those that a line "=== instance NAME hidden" or "--- instance
NAME hidden" of SHEET declares; the audit names, for each mutant, every
instance that catches it. Prints one line per mutant that is not possibly
equivalent to its reference and that no hidden instance catches (caught by
a visible instance alone, or surviving), and exits with 1 if there is any;
exits with 2 if the report holds no mutant to check or does not read.
"""

import json
import re
import sys


def hidden_instances(sheet_path):
    hidden = set()
    with open(sheet_path, encoding="latin-1") as sheet:
        for line in sheet:
            declared = re.match(r"(===|---) instance (\S+) hidden(\s|$)", line)
            if declared:
                hidden.add(declared.group(2))
    return hidden


def main(argv):
    if len(argv) != 3:
        print(f"usage: {argv[0]} SHEET AUDIT_JSON", file=sys.stderr)
        return 2
    hidden = hidden_instances(argv[1])
    try:
        with open(argv[2], encoding="utf-8") as report:
            audit = json.load(report)
        references = audit["references"]
    except (OSError, ValueError, KeyError, TypeError) as fault:
        print(f"{argv[2]}: not an audit's JSON report ({fault})", file=sys.stderr)
        return 2
    checked = 0
    unseen = 0
    for reference in references:
        for mutant in reference["mutants"]:
            if mutant["survival"] == "possibly-equivalent":
                continue
            checked += 1
            if hidden.isdisjoint(mutant["caughtBy"]):
                unseen += 1
                catchers = ", ".join(mutant["caughtBy"]) or "no instance"
                print(f"{reference['exercise']}, reference {reference['reference']}, "
                      f"{mutant['change']}, caught by {catchers}: {mutant['query']}")
    if checked == 0:
        print(f"{argv[2]}: no mutant to check", file=sys.stderr)
        return 2
    return 1 if unseen else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
