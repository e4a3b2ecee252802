"""The page's engine against the native command line, measured side by side.

Run through bench/web.sh, which builds what this needs. Prints, for each
workload of the main benchmark at N rows: the median wall time of the native
raeval, of `node build/web/raeval-node.js` (the whole process, node's start
included), and of the engine alone inside node (bench/web_engine.mjs), with
the ratios to native; then the compressed size of every file a first visit
to the hosted page downloads, against the 250 KB target, the page's longest
main-thread tasks with the largest file, and the time to the page's first
result in headless Chromium. `bench/web.py --sizes-only` prints the sizes
alone, of the folder that --web names.
"""

import argparse
import gzip
import json
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import bench  # noqa: E402
import gen  # noqa: E402


def wall(argv):
    start = time.perf_counter()
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


# What a browser downloads on a first visit to the hosted page, compressed, at
# most this many bytes.
SIZE_TARGET = 250_000


def page_files(web):
    """The files a first visit over HTTP(S) downloads: index.html and what it
    loads (its scripts, style sheet, manifest and icon), and, where the page
    has one, sw.js, which it registers, with every file sw.js keeps for
    offline use, which it fetches at once (help.html among them)."""
    index = open(os.path.join(web, "index.html"), encoding="utf-8").read()
    files = ["index.html"] + re.findall(r'<(?:script|link)[^>]*(?:src|href)="([^"#:]+)"', index)
    if os.path.exists(os.path.join(web, "sw.js")):
        files.append("sw.js")
        sw = open(os.path.join(web, "sw.js"), encoding="utf-8").read()
        kept = json.loads(re.search(r"const FILES = (\[.*?\]);", sw).group(1))
        files += ["index.html" if name == "./" else name for name in kept]
    return list(dict.fromkeys(files))


def print_sizes(web):
    print("\nsizes (bytes), every file a first visit downloads")
    total = 0
    for name in page_files(web):
        data = open(os.path.join(web, name), "rb").read()
        packed = len(gzip.compress(data, 9))
        total += packed
        print(f"  {name:21} {len(data):9,}  {packed:9,} compressed (gzip -9)")
    verdict = "met" if total <= SIZE_TARGET else "missed"
    print(f"  {'the page':21} {'':9}  {total:9,} compressed: the {SIZE_TARGET // 1000} KB target "
          f"({SIZE_TARGET:,} bytes) is {verdict}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rows", type=int, default=100_000)
    ap.add_argument("--reps", type=int, default=7)
    ap.add_argument("--raeval", default=os.path.join(ROOT, "build/default/raeval"))
    ap.add_argument("--web", default=os.path.join(ROOT, "build/web"))
    ap.add_argument("--work", default=os.path.join(ROOT, "build/bench-web"))
    ap.add_argument("--sizes-only", action="store_true")
    args = ap.parse_args()
    if args.sizes_only:
        print_sizes(args.web)
        return
    os.makedirs(args.work, exist_ok=True)

    tables = gen.tables(args.rows)
    cli = os.path.join(args.web, "raeval-node.js")
    print(f"N = {args.rows:,} rows, {args.reps} runs each, medians; runs alternate")
    print(f"{'workload':10} {'native':>9} {'node':>9} {'ratio':>6} {'engine':>9} {'ratio':>6}")
    for key, label, query, _, names in bench.WORKLOADS:
        path = os.path.join(args.work, f"{key}.txt")
        gen.write(path, bench.raeval_input(query, key, args.rows, tables, names))
        native_out = os.path.join(args.work, f"{key}.native")
        web_out = os.path.join(args.work, f"{key}.web")
        native, web = [], []
        for _ in range(args.reps):
            native.append(wall([args.raeval, path, native_out]))
            web.append(wall(["node", cli, path, web_out]))
        with open(native_out, "rb") as a, open(web_out, "rb") as b:
            if a.read() != b.read():
                sys.exit(f"bench: the outputs differ on workload {key}")
        engine = subprocess.run(["node", os.path.join(HERE, "web_engine.mjs"), args.web, path,
                                 str(args.reps)], check=True, capture_output=True, text=True)
        engine_ms = statistics.median(float(x) for x in engine.stdout.split())
        n_ms, w_ms = statistics.median(native) * 1000, statistics.median(web) * 1000
        print(f"{label:10} {n_ms:7.1f}ms {w_ms:7.1f}ms {w_ms / n_ms:5.2f}x "
              f"{engine_ms:7.1f}ms {engine_ms / n_ms:5.2f}x")

    print_sizes(args.web)

    # The page's main thread with the largest workload's file: the longest
    # task (over 50 ms) while loading and showing, typing, scrolling the
    # output and choosing a tree node, beside the engine's time.
    big = os.path.join(args.work, f"{bench.WORKLOADS[0][0]}.txt")
    tasks = subprocess.run(["node", os.path.join(HERE, "web_longtasks.mjs"), args.web, big],
                           capture_output=True, text=True, cwd=ROOT)
    if tasks.returncode == 0:
        print(f"\nlongest main-thread task with {os.path.getsize(big):,} bytes "
              f"({bench.WORKLOADS[0][1]}, {args.rows:,} rows)")
        for line in tasks.stdout.split("\n"):
            if line:
                name, longest, engine_ms = line.split()
                print(f"  {name:18} {longest:>6} ms   (engine {engine_ms} ms)")
    else:
        print("\nlongest tasks: not measured (chromium or playwright-core missing)", tasks.stderr[-300:])

    first = subprocess.run(["node", os.path.join(HERE, "web_first_result.mjs"), args.web,
                            str(args.reps)], capture_output=True, text=True, cwd=ROOT)
    if first.returncode == 0:
        times = [float(x) for x in first.stdout.split()]
        print(f"\nfirst result after page load: median {statistics.median(times):.0f} ms "
              f"(runs: {', '.join(f'{t:.0f}' for t in times)})")
    else:
        print("\nfirst result: not measured (chromium or playwright-core missing)")
    print(f"load average: {os.getloadavg()[0]:.1f}")


if __name__ == "__main__":
    main()
