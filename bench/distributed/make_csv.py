"""Writes a reproducible CSV of ROWS records for the distributed benchmark.

Six columns: y = 1.5 + 2 x1 - 0.5 x2 + x3 + a group effect + noise, three real inputs, a text
column of four groups and an integer weight. Usage: make_csv.py ROWS OUT
"""
import random
import sys

rows, out = int(sys.argv[1]), sys.argv[2]
rng = random.Random(20261206)
effect = {"alpha": 0.0, "beta": 1.25, "gamma": -0.75, "delta": 2.5}
groups = list(effect)
with open(out, "w", encoding="ascii", newline="") as f:
    f.write("y,x1,x2,x3,group,w\n")
    lines = []
    for r in range(rows):
        x1, x2, x3 = rng.random() * 10, rng.gauss(5, 2), rng.random()
        g = groups[r % 4]
        y = 1.5 + 2 * x1 - 0.5 * x2 + x3 + effect[g] + rng.gauss(0, 1)
        lines.append(f"{y:.5f},{x1:.5f},{x2:.5f},{x3:.5f},{g},{1 + r % 3}")
        if len(lines) == 20000:
            f.write("\n".join(lines) + "\n")
            lines.clear()
    if lines:
        f.write("\n".join(lines) + "\n")
