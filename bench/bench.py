#!/usr/bin/env python3
"""raeval against the sqlite3 shell on the same generated tables.

Run through bench/run.sh, which builds what this needs. For each workload and
size it runs raeval and sqlite3 in turn, several times, checks that both
produced the same result rows, and prints medians: wall time, user CPU, peak
resident memory, raeval's growth from one size to the next, and the floor of
one flushed write per output line against which raeval's wall time is set.
Then the joins written as SELECT over PRODUCT, among them a self-join of
450,606 result rows whose peak memory is held to 16 MB; a file of a few lines
run many times, against sqlite3 and against a static program that only copies
its input to its output (start-up); and each target, met or MISSED.

--raeval names the binary measured, so that two builds can be set side by
side with the same script on the same data.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import sys

import gen
import joins

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

SCHEMA_SQL = "(id INTEGER, name TEXT, age INTEGER)"

# key, label, raeval query, sqlite3 query, tables used
WORKLOADS = [
    ("a", "name", "Emp", "SELECT * FROM Emp;", ("Emp",)),
    ("b", "project", "PROJECT(Emp, name, age)",
     "SELECT DISTINCT name, age FROM Emp ORDER BY name, age;", ("Emp",)),
    ("c", "select", "SELECT(Emp, AND(GT(age, 30), NEQ(name, 'x')))",
     "SELECT * FROM Emp WHERE age > 30 AND name <> 'x';", ("Emp",)),
    ("d", "union", "UNION(PROJECT(Emp, name), PROJECT(Emp2, name))",
     "SELECT name FROM Emp UNION SELECT name FROM Emp2 ORDER BY name;", ("Emp", "Emp2")),
]
PRODUCT = ("e", "product", "PRODUCT(P, Q)", "SELECT * FROM P CROSS JOIN Q;", ("P", "Q"))

SMALL_QUERY = WORKLOADS[2]


# --- running one process -------------------------------------------------

class Run:
    def __init__(self, wall, user, sys_, rss):
        self.wall, self.user, self.sys, self.rss = wall, user, sys_, rss


def spawn(argv, stdout=os.devnull):
    """Runs argv to completion and returns its exit status."""
    actions = [(os.POSIX_SPAWN_OPEN, 1, stdout, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)]
    pid = os.posix_spawn(argv[0], argv, os.environ, file_actions=actions)
    _, status, _ = os.wait4(pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"bench: {' '.join(argv)} failed with status {status}")


def measured(tools, argv, stdin=None, runs=1):
    """argv run through the measure tool: wall time, user and system CPU
    (totals over runs), peak RSS."""
    report = os.path.join(tools["out"], "measure.report")
    cmd = [tools["measure"], "-n", str(runs)]
    if stdin is not None:
        cmd += ["-i", stdin]
    spawn(cmd + ["--"] + argv, stdout=report)
    with open(report) as f:
        wall, user, sys_, rss = f.read().split()
    return Run(float(wall), float(user), float(sys_), int(rss))


def median(runs, field):
    return statistics.median(getattr(r, field) for r in runs)


# --- inputs ----------------------------------------------------------------

def gen_stamp(n):
    with open(os.path.join(HERE, "gen.py"), "rb") as f:
        return hashlib.sha1(f.read() + str(n).encode()).hexdigest()


def raeval_input(query, key, n, tables, names):
    parts = [f"{query}\nbenchmark workload {key}, N = {n}\n"]
    parts.append("\n".join(gen.raeval_table(t, tables[t]) for t in names))
    return "".join(parts)


def sqlite_script(query, names, csvs, out_path):
    lines = [f"CREATE TABLE {t}{SCHEMA_SQL};\n.import --csv {csvs[t]} {t}\n" for t in names]
    lines.append(f".mode quote\n.output {out_path}\n{query}\n")
    return "".join(lines)


def prepare(data_dir, out_dir, n, workloads):
    """Writes the inputs for size n that are missing or older than gen.py
    (they are kept between runs) and returns {key: (raeval input, sqlite
    script, input rows)}."""
    d = os.path.join(data_dir, str(n))
    os.makedirs(d, exist_ok=True)
    stamp_path = os.path.join(d, "stamp")
    if not (os.path.exists(stamp_path) and open(stamp_path).read() == gen_stamp(n)):
        for old in os.listdir(d):
            os.remove(os.path.join(d, old))
    tables = {}

    def rows_of():
        if not tables:
            tables.update(gen.tables(n))
        return tables

    csvs = {t: os.path.join(d, f"{t}.csv") for t in ("Emp", "Emp2", "P", "Q")}
    files = {}
    for key, _, rquery, squery, names in workloads:
        for t in names:
            if not os.path.exists(csvs[t]):
                gen.write(csvs[t], gen.csv_table(rows_of()[t]))
        rin = os.path.join(d, f"{key}.txt")
        if not os.path.exists(rin):
            gen.write(rin, raeval_input(rquery, key, n, rows_of(), names))
        sql = os.path.join(d, f"{key}.sql")
        gen.write(sql, sqlite_script(squery, names, csvs, os.path.join(out_dir, "sqlite.txt")))
        files[key] = (rin, sql, sum(1000 if t in ("P", "Q") else n for t in names))
    gen.write(stamp_path, gen_stamp(n))
    return files


# --- checking ----------------------------------------------------------------

def raeval_rows(input_path, output_path):
    """The printed rows of raeval's result: after the echo (as many lines as
    the input has), the empty line and the schema line, before the final
    empty line."""
    with open(input_path) as f:
        echoed = f.read().count("\n")
    with open(output_path) as f:
        lines = f.read().split("\n")
    result = lines[echoed:]
    if len(result) < 4 or result[0] != "" or result[-2:] != ["", ""]:
        sys.exit(f"bench: unexpected raeval output in {output_path}: {result[:3]}")
    return result[2:-2]


def sqlite_rows(output_path):
    with open(output_path) as f:
        text = f.read()
    return text.split("\n")[:-1] if text else []


def same_rows(a, b):
    if a == b:
        return "yes"
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return f"NO: row {i}: {x!r} vs {y!r}"
    return f"NO: {len(a)} rows vs {len(b)}"


# --- one measured workload ------------------------------------------------------

class Result:
    """Medians over the runs of one workload at one size."""

    def __init__(self, key, label, n_text, rows, r_runs, s_runs, floors, same):
        self.key, self.label, self.n_text, self.rows, self.same = key, label, n_text, rows, same
        self.rw, self.sw = median(r_runs, "wall"), median(s_runs, "wall")
        self.ru, self.su = median(r_runs, "user"), median(s_runs, "user")
        self.rm, self.sm = median(r_runs, "rss"), median(s_runs, "rss")
        self.fw, self.fu = median(floors, "wall"), median(floors, "user")
        # raeval less the floor, each run against the floor measured right
        # after it, so that what the machine was doing then weighs on both.
        self.net_wall = statistics.median(r.wall - f.wall for r, f in zip(r_runs, floors))
        self.net_user = statistics.median(r.user - f.user for r, f in zip(r_runs, floors))
        self.growth = "-"


def measure(tools, key, label, n_text, rin, sql, rows, reps, out_dir, unordered=False):
    """raeval, sqlite3 and the floor, in turn, reps times on the same data.
    unordered: the two results are compared as sorted lists of rows."""
    rout = os.path.join(out_dir, "raeval.txt")
    sout = os.path.join(out_dir, "sqlite.txt")
    fout = os.path.join(out_dir, "floor.txt")
    report = os.path.join(out_dir, "floor.report")
    r_runs, s_runs, floors = [], [], []
    same = None
    result_rows = 0
    for rep in range(reps):
        r_runs.append(measured(tools, [tools["raeval"], rin, rout]))
        s_runs.append(measured(tools, [tools["sqlite3"], "-batch", ":memory:"], stdin=sql))
        if rep == 0:
            mine, theirs = raeval_rows(rin, rout), sqlite_rows(sout)
            if unordered:
                mine.sort()
                theirs.sort()
            same = same_rows(mine, theirs)
            result_rows = len(mine)
        spawn([tools["floor"], rout, fout], stdout=report)
        with open(report) as f:
            wall, user, sys_, _ = f.read().split()
        floors.append(Run(float(wall), float(user), float(sys_), 0))
    for path in (rout, sout, fout, report):
        os.remove(path)
    res = Result(key, label, n_text, rows, r_runs, s_runs, floors, same)
    res.result_rows = result_rows
    return res


# --- the table -------------------------------------------------------------------

COLUMNS = [
    ("workload", 9, "s"), ("N", 9, "s"),
    ("r wall", 6, ".3f"), ("s wall", 6, ".3f"), ("ratio", 5, ".2f"),
    ("r user", 6, ".3f"), ("s user", 6, ".3f"), ("u ratio", 7, ".2f"),
    ("r MiB", 6, ".1f"), ("s MiB", 6, ".1f"), ("r B/row", 7, ".0f"), ("s B/row", 7, ".0f"),
    ("growth", 6, "s"),
    ("fl wall", 7, ".3f"), ("r/fl", 5, ".2f"), ("r-fl wall", 9, ".3f"), ("fl user", 7, ".3f"),
    ("r-fl user", 9, ".3f"),
    ("same", 4, "s"),
]

LEGEND = """\
r = raeval, s = sqlite3; wall and user CPU in seconds, medians; MiB: peak resident memory.
B/row: peak RSS over the input's data rows (Emp, plus Emp2 for union); for the product, over
  its 1,000,000 result rows; for the joins, over their tables' rows.
growth: raeval's wall time over its wall time at the size before.
fl: the floor, one write(2) per line of raeval's output, timed right after each raeval run;
  r/fl: raeval's wall time over the floor's (medians); r-fl: raeval less the floor, wall and
  user CPU (median over the runs of the difference).
same: both produced the same result rows."""


def header():
    return "  ".join(f"{name:>{w}}" for name, w, _ in COLUMNS)


def table_row(res):
    values = [f"{res.key} {res.label}", res.n_text, res.rw, res.sw, res.rw / res.sw,
              res.ru, res.su, res.ru / res.su if res.su else 0.0,
              res.rm / 2**20, res.sm / 2**20, res.rm / res.rows, res.sm / res.rows,
              res.growth, res.fw, res.rw / res.fw if res.fw else 0.0, res.net_wall, res.fu,
              res.net_user,
              "yes" if res.same == "yes" else "NO"]
    out = []
    for (name, w, fmt), v in zip(COLUMNS, values):
        out.append(f"{v:>{w}}" if fmt == "s" else f"{v:>{w}{fmt}}")
    return "  ".join(out)


def verdict(ok):
    return "met" if ok else "MISSED"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--raeval", required=True)
    ap.add_argument("--floor", required=True)
    ap.add_argument("--measure", required=True)
    ap.add_argument("--copy", help="the static program that copies its input file to its output "
                                   "file, start-up's peer (without it, start-up is not measured)")
    ap.add_argument("--work", required=True, help="directory for the generated data")
    ap.add_argument("--out", help="directory for the programs' outputs (default: a folder in "
                                  "/dev/shm where it exists, so that disk writeback adds no noise)")
    ap.add_argument("--sizes", default="1000,10000,100000,1000000")
    ap.add_argument("--reps", type=int, default=7)
    ap.add_argument("--small-runs", type=int, default=1000)
    ap.add_argument("--only", default="abcdejsk",
                    help="workload letters to run (j: the join, s: the sailors exercises, "
                         "k: the self-join)")
    ap.add_argument("--results", help="file the table is kept in (default: WORK/results.txt)")
    args = ap.parse_args()
    args.work = os.path.abspath(args.work)

    sqlite3 = shutil.which("sqlite3")
    if sqlite3 is None:
        sys.exit("bench: sqlite3 not found")
    tools = {"raeval": os.path.abspath(args.raeval), "sqlite3": sqlite3,
             "floor": os.path.abspath(args.floor), "measure": os.path.abspath(args.measure)}
    data_dir = os.path.join(args.work, "data")
    if args.copy:
        tools["copy"] = os.path.abspath(args.copy)
    if args.out:
        out_dir = os.path.abspath(args.out)
    elif os.path.isdir("/dev/shm"):
        out_dir = f"/dev/shm/raeval-bench-{os.getpid()}"
    else:
        out_dir = os.path.join(args.work, "out")
    os.makedirs(out_dir, exist_ok=True)
    tools["out"] = out_dir
    sizes = [int(s) for s in args.sizes.split(",")]
    workloads = [w for w in WORKLOADS if w[0] in args.only]

    lines = []

    def emit(text=""):
        print(text, flush=True)
        lines.append(text)

    version = os.popen(f"{sqlite3} --version").read().split()[0]
    emit(f"raeval {tools['raeval']} against sqlite3 {version}; {args.reps} runs each; "
         f"outputs in {out_dir}")
    emit(header())
    results = []
    for key, label, *_ in workloads:
        prev = None
        for n in sizes:
            rin, sql, rows = prepare(data_dir, out_dir, n, workloads)[key]
            res = measure(tools, key, label, f"{n:,}", rin, sql, rows, args.reps, out_dir)
            if prev is not None:
                res.growth = f"x{res.rw / prev:.1f}"
            prev = res.rw
            res.n = n
            emit(table_row(res))
            results.append(res)
    if "e" in args.only:
        key, label, *_ = PRODUCT
        rin, sql, _ = prepare(data_dir, out_dir, 1000, [PRODUCT])[key]
        res = measure(tools, key, label, "1000x1000", rin, sql, 1000 * 1000, args.reps, out_dir)
        res.n = 1000 * 1000
        emit(table_row(res))
        results.append(res)
    join_results = []
    for group, workloads in (("j", [joins.JOIN]), ("s", joins.SAILORS), ("k", [joins.SELF_JOIN])):
        if group not in args.only:
            continue
        if group == "k":
            files = joins.prepare(data_dir, out_dir, workloads, joins.self_join_tables(),
                                  "joins-self")
        else:
            files = joins.prepare(data_dir, out_dir, workloads)
        for key, label, *_ in workloads:
            rin, sql, rows = files[key]
            res = measure(tools, key, label, "3,000", rin, sql, rows, args.reps, out_dir,
                          unordered=group == "k")
            res.n = 3000
            emit(table_row(res))
            join_results.append(res)
            results.append(res)
    emit(LEGEND)
    if join_results:
        emit()
        emit("targets for joins written as SELECT over PRODUCT (j: under 0.5 s and 50 MB;")
        emit("s1-s3: at most 3 times sqlite3's wall time; k, the self-join: peak memory at most")
        emit("16 MB):")
        for r in join_results:
            if r.key == "j":
                emit(f"  j {r.label:10} wall {r.rw:.3f} s: {verdict(r.rw < 0.5)}, "
                     f"peak {r.rm / 1e6:.1f} MB: {verdict(r.rm < 50e6)}")
            elif r.key == "k":
                emit(f"  k {r.label:10} peak {r.rm / 1e6:.1f} MB (sqlite3 {r.sm / 1e6:.1f} MB): "
                     f"{verdict(r.rm <= 16e6)}; wall {r.rw:.3f} s vs sqlite3 {r.sw:.3f} s, "
                     f"ratio {r.rw / r.sw:.2f}; {r.result_rows:,} result rows")
            else:
                emit(f"  {r.key} {r.label:10} wall {r.rw:.3f} s vs sqlite3 {r.sw:.3f} s, "
                     f"ratio {r.rw / r.sw:.2f}: {verdict(r.rw <= 3 * r.sw)}")

    if args.small_runs > 0:
        emit()
        small = prepare_small(data_dir, out_dir)
        r_loops, s_loops, c_loops = [], [], []
        for _ in range(3):
            r_loops.append(loop(tools, small, args.small_runs, "raeval"))
            s_loops.append(loop(tools, small, args.small_runs, "sqlite3"))
            if "copy" in tools:
                c_loops.append(loop(tools, small, args.small_runs, "copy"))
        rl, sl = statistics.median(r_loops), statistics.median(s_loops)
        emit(f"many small files, {args.small_runs} runs of a 3-row SELECT (median of 3 loops): "
             f"raeval {rl:.3f} s, sqlite3 {sl:.3f} s, ratio {rl / sl:.2f}: "
             f"at most 0.50 {verdict(rl <= sl / 2)}")
        if c_loops:
            cl = statistics.median(c_loops)
            emit(f"start-up, the same {args.small_runs} runs against a static program that only "
                 f"copies the file: raeval {rl:.3f} s, copy {cl:.3f} s, ratio {rl / cl:.2f}: "
                 f"at most 1.10 {verdict(rl <= 1.1 * cl)}")

    top = [r for r in results if r.n == 1000000]
    if top:
        emit()
        emit("targets at N = 1,000,000 (memory: peak RSS at most 48 bytes per input row for")
        emit("project and select, 40 for the others; for project and select, user: raeval's")
        emit("user CPU at most a quarter of sqlite3's, as measured and less the floor's, and")
        emit("floor: raeval's wall time at most 1.25 times the floor's; for all, wall: raeval's")
        emit("wall time less the floor at most sqlite3's):")
        for r in top:
            limit = 48 if r.key in "bc" else 40
            line = (f"  {r.key} {r.label:8} memory {r.rm / r.rows:.0f} B/row: "
                    f"{verdict(r.rm / r.rows <= limit)}; ")
            q = r.su / 4
            if r.key in "bc":
                line += (f"user {r.ru:.3f} vs {q:.3f}: {verdict(r.ru <= q)}, less floor "
                         f"{r.net_user:.3f}: {verdict(r.net_user <= q)}; floor "
                         f"{r.rw:.3f} / {r.fw:.3f} = {r.rw / r.fw:.2f}: "
                         f"{verdict(r.rw <= 1.25 * r.fw)}; ")
            else:
                line += f"user {r.ru:.3f} vs sqlite3 {r.su:.3f}, ratio {r.ru / r.su:.2f}; "
            line += f"wall {r.net_wall:.3f} vs {r.sw:.3f}: {verdict(r.net_wall <= r.sw)}"
            emit(line)
    growth = [r for r in results if r.growth != "-" and r.n > 10000]
    if growth:
        worst = max(growth, key=lambda r: float(r.growth[1:]))
        emit(f"largest growth per tenfold N from 10,000 up: {worst.growth} "
             f"({worst.key} {worst.label} at N = {worst.n_text})")

    with open(args.results or os.path.join(args.work, "results.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    if not args.out:
        shutil.rmtree(out_dir, ignore_errors=True)
    failures = [f"{r.key} N={r.n_text}: {r.same}" for r in results if r.same != "yes"]
    if failures:
        for fail in failures:
            print(f"bench: results differ: {fail}", file=sys.stderr)
        sys.exit(1)


def prepare_small(data_dir, out_dir):
    d = os.path.join(data_dir, "small")
    os.makedirs(d, exist_ok=True)
    rows = [(1, "Ann", 34), (2, "Bob", 28), (3, "Carla", 45)]
    key, _, rquery, squery, _ = SMALL_QUERY
    rin = os.path.join(d, "small.txt")
    gen.write(rin, f"{rquery}\nthree rows\n" + gen.raeval_table("Emp", rows))
    values = ",".join(f"({i},'{s}',{a})" for i, s, a in rows)
    sql = os.path.join(d, "small.sql")
    gen.write(sql, f"CREATE TABLE Emp{SCHEMA_SQL};\nINSERT INTO Emp VALUES{values};\n"
                   f".mode quote\n.output {os.path.join(out_dir, 'small.sqlite.txt')}\n{squery}\n")
    return rin, sql, os.path.join(out_dir, "small.raeval.txt"), os.path.join(out_dir, "small.sqlite.txt")


def loop(tools, small, runs, tool):
    """Wall time of runs sequential runs of one tool (raeval, sqlite3 or copy)
    on the 3-row input."""
    rin, sql, rout, sout = small
    if tool == "sqlite3":
        took = measured(tools, [tools["sqlite3"], "-batch", ":memory:"], stdin=sql, runs=runs).wall
        got = sqlite_rows(sout)
    elif tool == "raeval":
        took = measured(tools, [tools["raeval"], rin, rout], runs=runs).wall
        got = raeval_rows(rin, rout)
    else:
        took = measured(tools, [tools["copy"], rin, rout], runs=runs).wall
        with open(rin) as a, open(rout) as b:
            if a.read() != b.read():
                sys.exit("bench: the copy program's output differs from its input")
        return took
    if got != ["1,'Ann',34", "3,'Carla',45"]:
        sys.exit(f"bench: unexpected small-file result: {got}")
    return took


if __name__ == "__main__":
    main()
