#!/usr/bin/env python3
"""raeval-check end to end, against sqlite3 doing the same comparisons.

Run through bench/run.sh (bench/run.sh --checker runs only this). Two
workloads, each measured several times, medians printed:

- batch: 300 answers to one exercise (a join of two tables and a condition),
  each checked on 3 hidden instances of about 1,000 rows against the
  reference. The peer is sqlite3 running, on each instance, the 300 answers
  as SQL and comparing each with the reference (EXCEPT both ways): the
  usual autograder's work, without its report.
- shrink: one answer with a wrong join condition, on a visible instance of
  three tables and 10,000 rows, shrunk to a counterexample. The figure
  beside it is the counterexample's size; the peer is sqlite3 running the
  answer and the reference once on the whole instance.
"""

import argparse
import json
import os
import random
import statistics
import subprocess
import sys
import time

COLORS = ["red", "green", "blue", "white", "black"]


def instance(seed, sailors, boats, reserves):
    rng = random.Random(seed)
    s = [(i, f"s{rng.randrange(sailors // 2)}", rng.randrange(1, 11), rng.randrange(16, 70))
         for i in range(1, sailors + 1)]
    b = [(100 + i, f"b{i}", rng.choice(COLORS)) for i in range(1, boats + 1)]
    r = [(rng.randrange(1, sailors + 1), 100 + rng.randrange(1, boats + 1),
          f"2026-{rng.randrange(1, 13):02d}-{rng.randrange(1, 29):02d}") for _ in range(reserves)]
    return s, b, r


def raeval_tables(s, b, r):
    out = ["Sailors(sid int, sname char(20), rating int, age int)"]
    out += [f"{a}, '{n}', {x}, {y}" for a, n, x, y in s]
    out += ["", "Boats(bid int, bname char(20), color char(10))"]
    out += [f"{a}, '{n}', '{c}'" for a, n, c in b]
    out += ["", "Reserves(sid int, bid int, day char(10))"]
    out += [f"{a}, {x}, '{d}'" for a, x, d in r]
    return "\n".join(out) + "\n"


def sql_tables(s, b, r):
    def rows(t):
        return ",".join("(" + ",".join(repr(v) for v in row) + ")" for row in t)
    return ("CREATE TABLE Sailors(sid INTEGER, sname TEXT, rating INTEGER, age INTEGER);\n"
            f"INSERT INTO Sailors VALUES {rows(s)};\n"
            "CREATE TABLE Boats(bid INTEGER, bname TEXT, color TEXT);\n"
            f"INSERT INTO Boats VALUES {rows(b)};\n"
            "CREATE TABLE Reserves(sid INTEGER, bid INTEGER, day TEXT);\n"
            f"INSERT INTO Reserves VALUES {rows(r)};\n")


JOIN = "PROJECT(SELECT(PRODUCT(Reserves, RENAME(Boats, B(b, bname, color))), {}), sid)"
SQL_JOIN = "SELECT DISTINCT sid FROM Reserves, Boats AS B WHERE {}"
REFERENCE = (JOIN.format("AND(EQ(bid, b), EQ(color, 'red'))"),
             SQL_JOIN.format("Reserves.bid = B.bid AND color = 'red'"))
# The answers of the batch, in turn: right ones, and the usual mistakes.
ANSWERS = [
    REFERENCE,
    (JOIN.format("AND(EQ(b, bid), EQ('red', color))"),
     SQL_JOIN.format("B.bid = Reserves.bid AND 'red' = color")),
    (JOIN.format("AND(EQ(bid, b), NEQ(color, 'red'))"),
     SQL_JOIN.format("Reserves.bid = B.bid AND color <> 'red'")),
    (JOIN.format("OR(EQ(bid, b), EQ(color, 'red'))"),
     SQL_JOIN.format("Reserves.bid = B.bid OR color = 'red'")),
    (JOIN.format("EQ(color, 'red')"), SQL_JOIN.format("color = 'red'")),
    (JOIN.format("AND(EQ(bid, b), EQ(color, 'green'))"),
     SQL_JOIN.format("Reserves.bid = B.bid AND color = 'green'")),
]


def run(argv, cwd=None, stdin=None):
    """Wall seconds of one run; its exit status must be 0 or 1."""
    start = time.perf_counter()
    with open(stdin) if stdin else open(os.devnull) as inp:
        done = subprocess.run(argv, cwd=cwd, stdin=inp, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    if done.returncode not in (0, 1):
        sys.exit(f"bench: {' '.join(argv)} failed ({done.returncode}): {done.stderr.decode()}")
    return wall, done.stdout


def batch(work, check, sqlite, reps, answers):
    d = os.path.join(work, "check-batch")
    subs = os.path.join(d, "answers")
    os.makedirs(subs, exist_ok=True)
    sheet = ["=== sheet Benchmark", ""]
    sql = []
    for i in range(3):
        tables = instance(i + 1, 400, 100, 500)
        sheet += [f"=== instance i{i + 1} hidden", raeval_tables(*tables)]
        script = [sql_tables(*tables)]
        for k in range(answers):
            q = ANSWERS[k % len(ANSWERS)][1]
            script.append(f"SELECT {k}, (SELECT count(*) FROM ({q} EXCEPT {REFERENCE[1]})) + "
                          f"(SELECT count(*) FROM ({REFERENCE[1]} EXCEPT {q}));\n")
        sql.append(os.path.join(d, f"i{i + 1}.sql"))
        with open(sql[-1], "w") as f:
            f.write("".join(script))
    sheet += ["=== exercise red", f"--- reference {REFERENCE[0]}", ""]
    with open(os.path.join(d, "bench.sheet"), "w") as f:
        f.write("\n".join(sheet))
    for old in os.listdir(subs):
        os.remove(os.path.join(subs, old))
    for k in range(answers):
        with open(os.path.join(subs, f"student{k:03d}.answers"), "w") as f:
            f.write(f"=== red\n{ANSWERS[k % len(ANSWERS)][0]}\n")
    argv = [check, "--batch", "--json", os.path.join(d, "bench.sheet"), subs]
    walls, peers = [], []
    report = None
    for _ in range(reps):
        wall, out = run(argv)
        walls.append(wall)
        report = json.loads(out)
        peers.append(sum(run([sqlite, ":memory:"], stdin=s)[0] for s in sql))
    right = report["totals"]["allRight"]
    return statistics.median(walls), statistics.median(peers), right, answers


def shrink(work, check, sqlite, reps):
    d = os.path.join(work, "check-shrink")
    os.makedirs(d, exist_ok=True)
    s, b, r = instance(7, 3000, 2000, 5000)
    reference = ("PROJECT(SELECT(PRODUCT(PRODUCT(Sailors, RENAME(Reserves, R(rsid, rbid, day))), "
                 "Boats), AND(AND(EQ(sid, rsid), EQ(rbid, bid)), EQ(color, 'red'))), sname)")
    wrong = ("PROJECT(SELECT(PRODUCT(PRODUCT(Sailors, RENAME(Reserves, R(rsid, rbid, day))), "
             "Boats), AND(AND(EQ(sid, rsid), EQ(rsid, bid)), EQ(color, 'red'))), sname)")
    with open(os.path.join(d, "shrink.sheet"), "w") as f:
        f.write(f"=== instance big visible\n{raeval_tables(s, b, r)}\n"
                f"=== exercise red-names\n--- reference {reference}\n")
    with open(os.path.join(d, "red-names.txt"), "w") as f:
        f.write(wrong + "\n")
    sql = os.path.join(d, "shrink.sql")
    with open(sql, "w") as f:
        f.write(sql_tables(s, b, r))
        f.write("SELECT DISTINCT sname FROM Sailors S, Reserves R, Boats B WHERE S.sid = R.sid "
                "AND R.bid = B.bid AND color = 'red';\n")
        f.write("SELECT DISTINCT sname FROM Sailors S, Reserves R, Boats B WHERE S.sid = R.sid "
                "AND R.sid = B.bid AND color = 'red';\n")
    argv = [check, "--json", os.path.join(d, "shrink.sheet"), os.path.join(d, "red-names.txt")]
    walls, peers = [], []
    example = None
    for _ in range(reps):
        wall, out = run(argv)
        walls.append(wall)
        result = json.loads(out)["submissions"][0]["answers"][0]["instances"][0]
        example = result["counterexample"]
        peers.append(run([sqlite, ":memory:"], stdin=sql)[0])
    if example is None:
        sys.exit("bench: no counterexample for the wrong join")
    return statistics.median(walls), statistics.median(peers), example["rows"], example["instanceRows"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--check", required=True, help="the raeval-check binary")
    parser.add_argument("--sqlite3", default="sqlite3")
    parser.add_argument("--work", required=True)
    parser.add_argument("--reps", type=int, default=5)
    parser.add_argument("--answers", type=int, default=300)
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    bw, bp, right, answers = batch(args.work, args.check, args.sqlite3, args.reps, args.answers)
    sw, sp, rows, of = shrink(args.work, args.check, args.sqlite3, args.reps)
    lines = [
        f"raeval-check, medians of {args.reps} runs (wall seconds; sqlite3 in the same run)",
        f"{'workload':<10}{'raeval-check':>14}{'sqlite3':>10}{'ratio':>8}  notes",
        f"{'batch':<10}{bw:>14.3f}{bp:>10.3f}{bw / bp:>8.2f}  {answers} answers x 3 instances of "
        f"1,000 rows, {right} all right (target < 3 s)",
        f"{'shrink':<10}{sw:>14.3f}{sp:>10.3f}{sw / sp:>8.2f}  a wrong join on 10,000 rows: "
        f"counterexample of {rows} rows of {of} (target < 1 s)",
    ]
    text = "\n".join(lines) + "\n"
    sys.stdout.write(text)
    with open(os.path.join(args.work, "check-results.txt"), "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
