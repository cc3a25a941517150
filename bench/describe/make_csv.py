"""Writes a reproducible CSV of ROWS records for the end-to-end describe benchmark.

Twenty columns: sixteen reals (two of them with about 1% empty cells), one integer and three
text columns of five categories each. Usage: make_csv.py ROWS OUT
"""
import random
import sys

rows, out = int(sys.argv[1]), sys.argv[2]
rng = random.Random(20261205)
reals = [f"x{i}" for i in range(16)]
header = reals + ["count", "region", "channel", "grade"]
levels = {
    "region": ["north", "south", "east", "west", "central"],
    "channel": ["web", "store", "phone", "mail", "partner"],
    "grade": ["A", "B", "C", "D", "E"],
}
with open(out, "w", encoding="ascii", newline="") as f:
    f.write(",".join(header) + "\n")
    lines = []
    for r in range(rows):
        cells = [f"{rng.gauss(i * 10.0, 1.0 + i):.4f}" for i in range(16)]
        for i in (3, 11):
            if rng.random() < 0.01:
                cells[i] = ""
        cells.append(str(rng.randrange(0, 1000)))
        cells.extend(rng.choice(v) for v in levels.values())
        lines.append(",".join(cells))
        if len(lines) == 10000:
            f.write("\n".join(lines) + "\n")
            lines.clear()
    if lines:
        f.write("\n".join(lines) + "\n")
