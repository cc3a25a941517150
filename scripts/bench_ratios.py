"""Runs paired benchmark repetitions and prints each target's median ratio."""
import json
import os
import statistics
import subprocess
import sys
import time

bench_dir, pairs = sys.argv[1], int(sys.argv[2])
cpu = os.environ.get("BENCH_CPU", "1")


def run(program, names, min_time="0.2"):
    """Runs the named benchmarks once, back to back, on one core; returns name -> result."""
    pattern = "^(" + "|".join(names) + ")$"
    out = subprocess.run(
        ["taskset", "-c", cpu, f"{bench_dir}/{program}", f"--benchmark_filter={pattern}",
         "--benchmark_format=json", f"--benchmark_min_time={min_time}"],
        check=True, capture_output=True, text=True).stdout
    return {b["name"]: b for b in json.loads(out)["benchmarks"]}


def paired(program, measured, reference, scale=1.0, min_time="0.2"):
    ratios = []
    for _ in range(pairs):
        r = run(program, [measured, reference], min_time)
        ratios.append(r[measured]["real_time"] / r[reference]["real_time"] * scale)
    return statistics.median(ratios)


def line(number, what, figure, target, report_only=False):
    verdict = "report" if report_only else ("pass" if figure <= target else "fail")
    limit = "" if report_only else f"<= {target}"
    print(f"{number:>3}  {what:<62} {figure:8.3f}  {limit:<8} {verdict}")


print(f"{'#':>3}  {'measured / reference':<62} {'ratio':>8}  target")
line("1a", "load, 10,000 fields / pugixml parse",
     paired("bench_load", "BM_Load/10000", "BM_PugiLoad/10000"), 3.0)
line("1b", "load, 100,000 fields / pugixml parse",
     paired("bench_load", "BM_Load/100000", "BM_PugiLoad/100000", min_time="0.5"), 3.0)
line("1c", "parse only, 10,000 fields / pugixml parse",
     paired("bench_load", "BM_Parse/10000", "BM_PugiLoad/10000"), 2.5)
line("1d", "parse only, 100,000 fields / pugixml parse",
     paired("bench_load", "BM_Parse/100000", "BM_PugiLoad/100000", min_time="0.5"), 2.5)
line("1e", "load and release, 10,000 fields / pugixml parse and release",
     paired("bench_load", "BM_LoadRelease/10000", "BM_PugiLoadRelease/10000"), 0, report_only=True)
line("1f", "document only, 10,000 fields / pugixml parse",
     paired("bench_load", "BM_Document/10000", "BM_PugiLoad/10000"), 0, report_only=True)
line("1g", "16,000 element names sharing an unseeded hash's low bits / ordinary names",
     paired("bench_load", "BM_Names/1", "BM_Names/0"), 1.5)
line("2", "load per field, 100,000 / 1,000 fields",
     paired("bench_load", "BM_Load/100000", "BM_Load/1000", scale=1000 / 100000, min_time="0.5"), 1.2)
line("3", "base field per category, 100,000 / 1,000",
     paired("bench_load", "BM_BaseField/100000", "BM_BaseField/1000", scale=1000 / 100000), 1.2)
heap = run("bench_load", ["BM_LoadPeakHeap/100000/iterations:1"])
stages = heap["BM_LoadPeakHeap/100000/iterations:1"]
line("4", "peak heap of a 100,000-field load / document size", stages["peak_heap_ratio"], 4.0)
print(f"{'':>3}  {'  live after: document':<62} {stages['document']:8.3f}")
print(f"{'':>3}  {'  document and fields':<62} {stages['document_fields']:8.3f}")
print(f"{'':>3}  {'  fields (document released)':<62} {stages['fields']:8.3f}")
print(f"{'':>3}  {'  fields and variable list':<62} {stages['fields_variables']:8.3f}")
line("5", "VnPeerIterator, 1M x 20 numeric / call skeleton",
     paired("bench_iterate", "BM_Iterator", "BM_Skeleton"), 1.2)
line("5b", "VnPeerIterator, 1M x 20 numeric / direct copy",
     paired("bench_iterate", "BM_Iterator", "BM_DirectCopy"), 0, report_only=True)
line("5c", "VnPeerIterator, 5 of 20 fields text / call skeleton (numeric)",
     paired("bench_iterate", "BM_IteratorStrings", "BM_Skeleton"), 0, report_only=True)
for n in (100, 100000):
    line(f"6/{n}", f"encoder look-up, {n:,} categories / unordered_map::find",
         paired("bench_encoder", f"BM_EncoderLookup/{n}", f"BM_MapLookup/{n}", min_time="0.1"), 1.0)


def seconds(command):
    """Wall time of one whole process on the benchmark core; its output is discarded."""
    start = time.perf_counter()
    subprocess.run(["taskset", "-c", cpu] + command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


# The main job end to end: vnkx-host running describe on a generated CSV (inference, load, two
# passes), against pandas reading the same file and computing the same statistics.
build_dir = os.path.dirname(bench_dir)
csv = os.path.join(build_dir, "describe_1000000x20.csv")
if not os.path.exists(csv):
    subprocess.run(["/usr/bin/python3", "bench/describe/make_csv.py", "1000000", csv + ".part"],
                   check=True)
    os.replace(csv + ".part", csv)
ours = [os.path.join(build_dir, "vnkx-host"), "run", "describe", csv, "--quiet", "--output",
        os.devnull]
pandas = ["/usr/bin/python3", "bench/describe/describe_pandas.py", csv]
ratios = []
for _ in range(pairs):
    ratios.append(seconds(ours) / seconds(pandas))
line("7", "vnkx-host run describe, 1M x 20 CSV / pandas (whole process)",
     statistics.median(ratios), 1.0, report_only=True)


# Line 8: the components as workers over two MPI ranks against one process (the whole machine
# both ways) on a 10,000,000-row CSV, and the bytes each rank sends as the rows grow tenfold.
def mpirun(ranks):
    return ["mpirun", "-n", str(ranks)]


mpi_env = dict(os.environ, OMPI_ALLOW_RUN_AS_ROOT="1", OMPI_ALLOW_RUN_AS_ROOT_CONFIRM="1")


def whole(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   env=mpi_env)
    return time.perf_counter() - start


def traffic(command):
    err = subprocess.run(command + ["--traffic"], check=True, stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE, text=True, env=mpi_env).stderr
    return max(int(l.split()[4]) for l in err.splitlines() if l.startswith("traffic: rank"))


def rows_csv(rows):
    path = os.path.join(build_dir, f"distributed_{rows}.csv")
    if not os.path.exists(path):
        subprocess.run(["/usr/bin/python3", "bench/distributed/make_csv.py", str(rows),
                        path + ".part"], check=True)
        os.replace(path + ".part", path)
    return path


if subprocess.run(["which", "mpirun"], capture_output=True).returncode == 0:
    big, small = rows_csv(10000000), rows_csv(1000000)
    host = os.path.join(build_dir, "vnkx-host")
    jobs = {
        "describe": ["run", "describe"],
        "linreg": ["run", "linreg", "--param", "target=y", "--param", "inputs=x1,x2,x3,group",
                   "--param", "weight=w"],
    }
    sent = {}
    for label, (name, job) in zip("ab", jobs.items()):
        one = [host] + job[:2] + [big] + job[2:] + ["--quiet"]
        two = mpirun(2) + one
        ratios = [whole(two) / whole(one) for _ in range(min(pairs, 3))]
        figure = statistics.median(ratios)
        line(f"8{label}", f"{name}, 10M-row CSV: 2 MPI ranks / 1 process (speed-up {1 / figure:.2f}x)",
             figure, 0.625)
        small_run = mpirun(2) + [host] + job[:2] + [small] + job[2:] + ["--quiet"]
        sent[name] = (traffic(two), traffic(small_run))
    for label, (name, (at_big, at_small)) in zip("cd", sent.items()):
        line(f"8{label}", f"{name}: bytes sent per rank, 10M rows / 1M rows ({at_big:,} bytes)",
             at_big / at_small, 1.05)
else:
    print("  8  skipped: mpirun not found (scripts/setup installs openmpi-bin)")
