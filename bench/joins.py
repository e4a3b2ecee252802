"""Joins as students write them: one SELECT over a PRODUCT, with RENAME to
tell the columns apart, against the same join in SQL.

Two workload groups, each on tables generated here (deterministic, like
gen.py's):
  j  Student (3,000 rows) and Enrolled (3,000 rows), joined on an equality
     that keeps 3,000 of the 9,000,000 pairs;
  s1-s3  the sailors exercises on Sailors (3,000), Boats (100) and Reserves
     (30,000): a SELECT over the product of all three tables;
  k  the self-join of a Sailors of its own (3,000 rows, ratings 1 to 20) on
     equal ratings: 450,606 of the 9,000,000 pairs, each printed.
The SQL keeps the product's order where raeval's result is not sorted
(ORDER BY the tables' row ids, left table first), so that the rows compare
equal line for line; the self-join's SQL is the plain join, and its rows are
compared sorted.
"""

import os

import gen

COLORS = ("red", "green", "blue", "white")

# key, label, raeval query, sqlite3 query, tables used
JOIN = ("j", "join", "SELECT(PRODUCT(Student, Enrolled), EQ(sid, sid2))",
        "SELECT * FROM Student CROSS JOIN Enrolled WHERE sid = sid2 "
        "ORDER BY Student.rowid, Enrolled.rowid;", ("Student", "Enrolled"))

SAILORS_PRODUCT = "PRODUCT(PRODUCT(Sailors, RENAME(Reserves, R(rsid, rbid, day))), Boats)"
SAILORS = [
    ("s1", "red boats",
     f"PROJECT(SELECT({SAILORS_PRODUCT}, AND(EQ(sid, rsid), AND(EQ(rbid, bid), "
     "EQ(color, 'red')))), sname)",
     "SELECT DISTINCT sname FROM Sailors S, Reserves R, Boats B "
     "WHERE S.sid = R.sid AND R.bid = B.bid AND B.color = 'red' ORDER BY sname;",
     ("Sailors", "Reserves", "Boats")),
    ("s2", "all reserv",
     f"SELECT({SAILORS_PRODUCT}, AND(EQ(sid, rsid), EQ(rbid, bid)))",
     "SELECT * FROM Sailors S CROSS JOIN Reserves R CROSS JOIN Boats B "
     "WHERE S.sid = R.sid AND R.bid = B.bid ORDER BY S.rowid, R.rowid, B.rowid;",
     ("Sailors", "Reserves", "Boats")),
    ("s3", "good green",
     f"PROJECT(SELECT({SAILORS_PRODUCT}, AND(EQ(sid, rsid), AND(EQ(rbid, bid), "
     "AND(GT(rating, 7), EQ(color, 'green'))))), sid, sname, bname)",
     "SELECT DISTINCT S.sid, sname, bname FROM Sailors S, Reserves R, Boats B "
     "WHERE S.sid = R.sid AND R.bid = B.bid AND rating > 7 AND color = 'green' "
     "ORDER BY S.sid, sname, bname;",
     ("Sailors", "Reserves", "Boats")),
]

# The self-join keeps every pair of sailors of equal rating. Its Sailors are
# drawn like the others, from a generator of their own, with 20 ratings: seed
# 492 gives 450,606 pairs (of 9,000,000), about a twentieth.
SELF_JOIN = ("k", "self-join",
             "SELECT(PRODUCT(Sailors, RENAME(Sailors, S2(sid2, sname2, rating2, age2))), "
             "EQ(rating, rating2))",
             "SELECT * FROM Sailors CROSS JOIN Sailors AS S2 WHERE Sailors.rating = S2.rating;",
             ("Sailors",))
SELF_JOIN_SEED = 492
SELF_JOIN_RATINGS = 20

# name: (raeval header, SQL schema)
SCHEMAS = {
    "Student": ("Student(sid int, name char(20))", "(sid INTEGER, name TEXT)"),
    "Enrolled": ("Enrolled(sid2 int, cid char(8))", "(sid2 INTEGER, cid TEXT)"),
    "Sailors": ("Sailors(sid int, sname char(20), rating int, age int)",
                "(sid INTEGER, sname TEXT, rating INTEGER, age INTEGER)"),
    "Boats": ("Boats(bid int, bname char(20), color char(10))",
              "(bid INTEGER, bname TEXT, color TEXT)"),
    "Reserves": ("Reserves(sid int, bid int, day char(10))",
                 "(sid INTEGER, bid INTEGER, day TEXT)"),
}


def tables():
    rng = gen.Rng(7)
    n = 3000
    out = {
        "Student": [(i, gen.pool_name(i)) for i in range(1, n + 1)],
        # Every enrolment names one student: the equality keeps n pairs.
        "Enrolled": [(1 + rng.below(n), f"C{rng.below(40)}") for _ in range(n)],
        "Sailors": [(i, gen.pool_name(rng.below(n // 4)), 1 + rng.below(10), 18 + rng.below(50))
                    for i in range(1, n + 1)],
        "Boats": [(b, f"Boat{b}", COLORS[rng.below(len(COLORS))]) for b in range(1, 101)],
        "Reserves": [(1 + rng.below(n), 1 + rng.below(100),
                      f"2024-{1 + rng.below(12):02}-{1 + rng.below(28):02}")
                     for _ in range(10 * n)],
    }
    return out


def self_join_tables():
    rng = gen.Rng(SELF_JOIN_SEED)
    n = 3000
    return {"Sailors": [(i, gen.pool_name(rng.below(n // 4)), 1 + rng.below(SELF_JOIN_RATINGS),
                         18 + rng.below(50)) for i in range(1, n + 1)]}


def raeval_text(name, rows):
    def cell(v):
        return str(v) if isinstance(v, int) else f"'{v}'"
    return SCHEMAS[name][0] + "\n" + "".join(", ".join(cell(v) for v in r) + "\n" for r in rows)


def csv_text(rows):
    return "".join(",".join(str(v) for v in r) + "\n" for r in rows)


def prepare(data_dir, out_dir, workloads, rows=None, folder="joins"):
    """The inputs for the join workloads, on rows (by default tables()), in
    data_dir/folder: {key: (raeval input, sqlite script, input rows)}. Written
    afresh each time: they are small."""
    d = os.path.join(data_dir, folder)
    os.makedirs(d, exist_ok=True)
    rows = tables() if rows is None else rows
    csvs = {}
    for name, table_rows in rows.items():
        csvs[name] = os.path.join(d, f"{name}.csv")
        gen.write(csvs[name], csv_text(table_rows))
    files = {}
    for key, _, rquery, squery, names in workloads:
        rin = os.path.join(d, f"{key}.txt")
        gen.write(rin, f"{rquery}\njoin workload {key}\n" +
                  "\n".join(raeval_text(t, rows[t]) for t in names))
        sql = os.path.join(d, f"{key}.sql")
        script = "".join(f"CREATE TABLE {t}{SCHEMAS[t][1]};\n.import --csv {csvs[t]} {t}\n"
                         for t in names)
        script += f".mode quote\n.output {os.path.join(out_dir, 'sqlite.txt')}\n{squery}\n"
        gen.write(sql, script)
        files[key] = (rin, sql, sum(len(rows[t]) for t in names))
    return files
