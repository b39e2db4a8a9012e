#!/usr/bin/env python3
"""Checks a soak run's log against what each simulated bench sent.

usage: soak_check.py LOG RECORD_DIR BENCHES

LOG is a log of benches 1..BENCHES with Time Stamp and Gas Conc only and no averaging. RECORD_DIR holds the
simulator's COMk.readings files (kestrel-sim --record). For every bench, the logged CO2, Freon, O2 and NO must
be values that bench sent in a good frame, in the order it sent them (a bench below the highest repeats its
latest values until it has new ones). For the highest bench, which makes the rows, every good reply sent while
logging must have its own row. Prints one line per bench and exits 1 when any check fails.
"""
import sys
from pathlib import Path


def hundredths(text):
    """'20.94' -> 2094, '-0.05' -> -5; None for anything that is not a number with at most two decimals."""
    sign = -1 if text.startswith('-') else 1
    whole, _, frac = text.lstrip('-').partition('.')
    if not whole.isdigit() or (frac and not frac.isdigit()) or len(frac) > 2:
        return None
    return sign * (int(whole) * 100 + int(frac.ljust(2, '0') or '0'))


def read_log(path, benches):
    rows, bad = [], []
    # What follows the last line end is no line yet: a program stopped while writing it may leave it cut.
    lines = Path(path).read_bytes().decode('latin-1').split('\r\n')[:-1]
    for number, line in enumerate(lines, 1):
        if not line.strip() or line.startswith('MainLogfile ') or 'Time' in line.split()[:1]:
            continue
        fields = line.split()
        if len(fields) != 1 + 4 * benches:
            bad.append((number, line))
            continue
        values = []
        for k in range(benches):
            co2, freon, o2, no = fields[1 + 4 * k: 5 + 4 * k]
            cell = (hundredths(co2), int(freon) if freon.lstrip('-').isdigit() else None, hundredths(o2),
                    int(no) if no.lstrip('-').isdigit() else None)
            values.append(cell)
        if any(None in cell for cell in values):
            bad.append((number, line))
            continue
        rows.append(values)
    return rows, bad


def read_readings(path):
    good = []
    for line in Path(path).read_text().splitlines():
        code, corrupted, co2, freon, o2, no = line.split()
        if code == '01' and corrupted == '0':
            good.append((int(co2), int(freon), int(o2), int(no)))
    return good


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    log, record_dir, benches = sys.argv[1], Path(sys.argv[2]), int(sys.argv[3])
    rows, bad = read_log(log, benches)
    ok = True
    for number, line in bad:
        print(f'log line {number} is not a complete row: {line!r}')
        ok = False
    if not rows:
        print('no rows logged')
        return 1
    for k in range(benches):
        sent = read_readings(record_dir / f'COM{k + 1}.readings')
        logged = [row[k] for row in rows]
        # Walk the sent values in order; a logged value must be the current one or a later one. The
        # highest bench makes the rows, so each of its rows takes a reply of its own.
        highest = k == benches - 1
        j, first, mismatch = -1 if highest else 0, None, None
        for i, value in enumerate(logged):
            if highest:
                j += 1
            while j < len(sent) and sent[j] != value:
                j += 1
            if j == len(sent):
                mismatch = i
                break
            if first is None:
                first = j
        if mismatch is not None:
            print(f'bench {k + 1}: logged row {mismatch + 1} {logged[mismatch]} was not sent in a good frame '
                  f'at that point of the stream')
            ok = False
            continue
        distinct = 1 + sum(1 for a, b in zip(logged, logged[1:]) if a != b)
        line = (f'bench {k + 1}: {len(sent)} good data replies sent, {len(logged)} rows checked, '
                f'replies {first + 1}..{j + 1} covered, {distinct} changes of value, every value as sent')
        if highest:
            # The highest bench makes the rows: one row for each of its replies while logging, none skipped
            # (the replies after the last row went out while the program was being stopped).
            covered = j - first + 1
            line += f'; {covered - len(logged)} of its replies in that span without a row'
            if covered != len(logged):
                ok = False
        print(line)
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
