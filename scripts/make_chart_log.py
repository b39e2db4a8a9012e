#!/usr/bin/env python3
"""Writes a log file as the main window writes it, for the chart and CSV benchmarks.

  make_chart_log.py OUT [--lines N] [--spike] [--mixed]

Default: the line limit of four benches with the time stamp and the gas group in
raw mode (2,160,000 lines, about 276 MB), 25 rows a second from 12:00:00 on, so
the run crosses midnight. --spike puts one CO2 value of bench 3 far above the
rest in the middle of the file. --mixed writes a shorter log with every kind of
line (accept counts, several runs with other bench sets, Mean+STDEV blocks,
comments, a silent top bench, garbage) for comparing CSV exports byte by byte.
"""
import argparse
import random

GAS = "  CO2 [%]  Freon[ppm]  O2 [%]  NO [ppm]"
DEMOD = "Dem CO2   Freon     Ref "
TIME = "    Time     "
ACCEPT = "Accept"


def clock(seconds):
    seconds %= 86400
    return "%02d:%02d:%02d  " % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def gas_raw(state, rnd):
    state[0] = min(max(state[0] + rnd.randint(-3, 3), 0), 2000)
    state[1] = min(max(state[1] + rnd.randint(-2, 2), 0), 5000)
    state[2] = min(max(state[2] + rnd.randint(-2, 2), 1500), 2200)
    state[3] = min(max(state[3] + rnd.randint(-1, 1), 0), 900)
    return "%7.2f%9d%7.2f%6d" % (state[0] * 0.01, state[1], state[2] * 0.01, state[3])


def big(out, lines, spike):
    rnd = random.Random(23)
    states = [[500 + 100 * b, 100 * b, 2090, 10 * b] for b in range(4)]
    start = 12 * 3600
    with open(out, "w", newline="") as f:
        f.write("MainLogfile C:\\NIGHT.LOG created 17/01/2013\r\n")
        f.write(TIME + GAS * 4 + "\r\n")
        rows = lines - 2
        buf = []
        for i in range(rows):
            cells = [gas_raw(s, rnd) for s in states]
            if spike and i == rows // 2:
                cells[2] = "%7.2f" % 99.99 + cells[2][7:]
            buf.append(clock(start + i // 25) + "".join(cells))
            if len(buf) == 10000:
                f.write("\r\n".join(buf) + "\r\n")
                buf = []
        if buf:
            f.write("\r\n".join(buf) + "\r\n")


def mixed(out, lines):
    rnd = random.Random(7)
    t = 23 * 3600 + 50 * 60
    accept = 1
    out_lines = ["MainLogfile C:\\MIXED.LOG created 17/01/2013", ACCEPT + TIME + GAS * 3]
    states = [[500 + 100 * b, 100 * b, 2090, 10 * b] for b in range(3)]
    per_run = max(lines // 3, 10)
    for i in range(per_run):
        benches = 2 if i % 97 == 5 else 3  # now and then a silent top bench
        out_lines.append("%6d" % accept + clock(t + i // 4) + "".join(gas_raw(states[b], rnd) for b in range(benches)))
        accept += 1
        if i == per_run // 2:
            out_lines += ["", "", "18/01/2013 00:05:00", "span gas, 5 %", "said \"ok\"", " "]
        if i % 501 == 17:
            out_lines.append("\x01 garbage 12 34")
    out_lines.append("")
    t = 8 * 3600
    out_lines.append("Logfile C:\\MIXED.LOG opened for appending 18/01/2013 08:00:00")
    out_lines.append(TIME + DEMOD * 2 + GAS * 2)
    for i in range(per_run):
        co2 = [500 + rnd.randint(0, 50) for _ in range(2)]
        mean = clock(t + 4 * i) + "".join("%8d%8d%8d" % (c, 20, 30) for c in co2)
        mean += "".join("%7.2f%9.2f%7.2f%7.2f" % (rnd.randint(0, 500) / 100, rnd.randint(0, 9000) / 100,
                                                   rnd.randint(1900, 2100) / 100, rnd.randint(0, 900) / 100)
                        for _ in range(2))
        sd = clock(t + 4 * i) + "".join("%f%10.4f%10.4f" % (rnd.random() * 3, 0, rnd.random()) for _ in range(2))
        sd += "".join("%10.4f" % (rnd.random() * 5) for _ in range(8)) + "    STDEV"
        out_lines += [mean, sd]
    out_lines.append("")
    out_lines.append(TIME + "  PEF ")
    for i in range(per_run):
        out_lines.append(clock(t + 4 * per_run + i) + "%6.3f" % (rnd.random()))
    with open(out, "w", newline="", encoding="latin-1") as f:
        f.write("\r\n".join(out_lines) + "\r\n")


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("out")
    p.add_argument("--lines", type=int, default=2160000)
    p.add_argument("--spike", action="store_true")
    p.add_argument("--mixed", action="store_true")
    a = p.parse_args()
    if a.mixed:
        mixed(a.out, a.lines)
    else:
        big(a.out, a.lines, a.spike)


if __name__ == "__main__":
    main()
