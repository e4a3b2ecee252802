"""Deterministic tables for the benchmark.

Every table has the schema (id int, name char(20), age int). Rows come from a
fixed 64-bit generator, so a given (n, seed) always yields the same rows on
every machine and every Python version. About one row in ten repeats an
earlier row whole, names are drawn from a pool about an eighth the size of the
table (so PROJECT and UNION have duplicates to remove), ages run from 18 to 67.
Names are at most 13 bytes long.
"""

import os

FIRST_NAMES = ("Ann", "Bob", "Carla", "Dan", "Eve", "Frank", "Grace", "Hugo",
               "Ines", "Jon", "Karin", "Liam", "Mona", "Nils", "Olga", "Piet")

MASK = (1 << 64) - 1


class Rng:
    """xorshift64*: small, fast enough, and the same everywhere."""

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 1) & MASK or 1

    def below(self, n):
        x = self.state
        x ^= x >> 12
        x ^= (x << 25) & MASK
        x ^= x >> 27
        self.state = x
        return ((x * 0x2545F4914F6CDD1D) & MASK) % n


def pool_name(k):
    return FIRST_NAMES[k % len(FIRST_NAMES)] + str(k // len(FIRST_NAMES))


def make_rows(n, seed, name_offset=0):
    """n rows (id, name, age); name_offset shifts the name pool so that two
    tables share only part of their names."""
    rng = Rng(seed)
    pool = max(16, n // 8)
    rows = []
    for i in range(n):
        if i > 0 and rng.below(10) == 0:
            rows.append(rows[rng.below(i)])
        else:
            rows.append((i + 1, pool_name(name_offset + rng.below(pool)), 18 + rng.below(50)))
    return rows


def raeval_table(name, rows):
    """A table definition as raeval reads it: header line, then data rows."""
    lines = [f"{name}(id int, name char(20), age int)"]
    lines.extend(f"{i}, '{s}', {a}" for i, s, a in rows)
    return "\n".join(lines) + "\n"


def csv_table(rows):
    return "".join(f"{i},{s},{a}\n" for i, s, a in rows)


def write(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def tables(n):
    """The benchmark's tables for size n: Emp and Emp2 of n rows each (Emp2's
    names overlap Emp's by about half), and P and Q of 1,000 rows for the
    product, whatever n is."""
    pool = max(16, n // 8)
    return {
        "Emp": make_rows(n, 1),
        "Emp2": make_rows(n, 2, name_offset=pool // 2),
        "P": make_rows(1000, 3),
        "Q": make_rows(1000, 4),
    }
