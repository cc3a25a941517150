"""The reference for the end-to-end describe benchmark: reads the CSV with pandas and computes
what the describe component reports (per numeric column the count, missing count, minimum,
maximum, mean and standard deviation; per text column the frequency of each category), then
prints it. Usage: describe_pandas.py CSV
"""
import sys

import pandas as pd

frame = pd.read_csv(sys.argv[1])
for name in frame.columns:
    column = frame[name]
    if pd.api.types.is_numeric_dtype(column):
        print(name, column.count(), column.isna().sum(), column.min(), column.max(),
              column.mean(), column.std())
    else:
        print(name, column.count(), column.isna().sum())
        for category, count in column.value_counts(sort=False).items():
            print(" ", category, count)
