#!/usr/bin/env python3
"""Prints the case file memory.test: products against a memory limit, whose
tables are too long to write out by hand.

    generate_memory.py > memory.test

A PRODUCT whose values alone would need more memory than the process may use
is refused before it is built; one that fits is built; one that a SELECT reads
is never built. Each case runs with 4,000,000 KiB of address space.
"""

LIMIT = 4000000

HEADER = """\
# A PRODUCT whose values alone would need more memory than the process may use is refused
# before it is built: the error line last, the same on standard error, status 1. A product that
# fits is built, and a product that a SELECT reads is never built at all. Each case runs with
# 4,000,000 KiB of address space."""


def case(name, query, table, rows, result, failing=False):
    """A case in the full form: the input echoed, then the result."""
    body = [query, "", table] + rows
    lines = [f"=== {name}", f"--- memory-limit {LIMIT}", "--- input"] + body
    lines += ["--- output"] + body + [""] + result
    if failing:
        lines += ["--- stderr"] + [r for r in result if r] + ["--- status 1"]
    return lines


def main():
    numbers = [str(i) for i in range(1, 1001)]
    lines = HEADER.split("\n")
    # 3,000 rows cubed: 27,000,000,000 rows of 3 values, 16 bytes each.
    lines += case("a product of 27,000,000,000 rows is refused at once, before anything is built",
                  "PRODUCT(PRODUCT(A, A), A)", "A(x int)", [str(i) for i in range(1, 3001)],
                  ["ERROR: Out of memory"], failing=True)
    # 1,000 equal rows squared, projected to its one distinct row.
    lines += case("a product of 1,000,000 rows that fits is built",
                  "PROJECT(PRODUCT(B, RENAME(B, C(y))), x, y)", "B(x int)", ["7"] * 1000,
                  ["B(x int, y int)", "7,7", ""])
    # 1,000 rows cubed, of which one combination holds.
    lines += case("a product of 1,000,000,000 rows under a SELECT is never built, so never refused",
                  "SELECT(PRODUCT(PRODUCT(D, RENAME(D, E(y))), RENAME(D, F(z))), "
                  "AND(EQ(x, 7), AND(EQ(y, x), EQ(z, y))))", "D(x int)", numbers,
                  ["D(x int, y int, z int)", "7,7,7", ""])
    print("\n".join(lines))


if __name__ == "__main__":
    main()
