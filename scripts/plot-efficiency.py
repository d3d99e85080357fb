#!/usr/bin/python3
"""Plots transfer efficiency against the line's fault rate, one line per protocol, from the
soak's per-transfer lines (scripts/soak.sh writes build/soak.csv).

Efficiency is the file bytes delivered exact per second of transfer time, failed transfers'
time included: against the line's byte rate when the soak paced the line (--line), else against
the same protocol on a clean line. Needs Debian's python3-matplotlib.

    scripts/plot-efficiency.py build/soak.csv bench/soak/efficiency.png
"""
import csv
import sys
from collections import defaultdict

import matplotlib

matplotlib.use('Agg')
import matplotlib.pyplot as plt  # noqa: E402


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else 'build/soak.csv'
    target = sys.argv[2] if len(sys.argv) > 2 else 'bench/soak/efficiency.png'
    cells = defaultdict(lambda: {'delivered': 0, 'seconds': 0.0, 'line': 0, 'supported': False})
    with open(source, newline='') as f:
        for row in csv.DictReader(f):
            cell = cells[(row['protocol'], float(row['rate']))]
            if row['ending'] == 'not-supported':
                continue
            cell['supported'] = True
            cell['seconds'] += float(row['seconds'])
            cell['line'] = int(row['line_bytes_per_second'])
            if row['ending'] == 'exact':
                cell['delivered'] += int(row['bytes'])

    rates = sorted({rate for _, rate in cells})
    protocols = sorted({p for (p, _), c in cells.items() if c['supported']})
    fig, ax = plt.subplots(figsize=(7.5, 4.5), dpi=110)
    paced = False
    for protocol in protocols:
        clean = cells.get((protocol, 0.0))
        xs, ys = [], []
        for i, rate in enumerate(rates):
            cell = cells.get((protocol, rate))
            if not cell or not cell['supported'] or cell['seconds'] == 0:
                continue
            goodput = cell['delivered'] / cell['seconds']
            if cell['line']:
                paced = True
                ys.append(100 * goodput / cell['line'])
            elif clean and clean['delivered']:
                ys.append(100 * goodput / (clean['delivered'] / clean['seconds']))
            else:
                continue
            xs.append(i)
        ax.plot(xs, ys, marker='o', label=protocol)
    ax.set_xticks(range(len(rates)))
    ax.set_xticklabels(['clean' if r == 0 else '%g' % r for r in rates])
    ax.set_xlabel('chance per byte of a flipped bit, and of a lost byte')
    ax.set_ylabel('efficiency, % of the line' if paced else 'goodput, % of a clean line')
    ax.set_ylim(bottom=0)
    ax.grid(True, alpha=0.3)
    ax.legend(fontsize='small')
    ax.set_title('Transfers over a noisy line')
    fig.tight_layout()
    fig.savefig(target)
    print('wrote', target)


if __name__ == '__main__':
    main()
