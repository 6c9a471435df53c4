#!/usr/bin/python3
"""Reference levels for the graph_math tests, computed with scipy.

Designs the peaking bands and crossover sections on their own (nothing here is shared with
the C++ code), evaluates every section with scipy.signal.sosfreqz and writes the floored dB
levels at a subset of the standard grid to tests/graph_math/reference_levels.txt, which the
tests read. bench/curve_bench.py imports the design functions for its timing.

Run from anywhere: /usr/bin/python3 scripts/filter_reference.py
"""

import math
import os
import sys

import numpy as np
import scipy.signal

SAMPLE_RATE = 48000.0
POINTS = 512
FLOOR_POWER = 1e-8
FLOOR_DB = -400.0

TA = [None, 1.0, 0.5773502692, 0.4030076571, 0.3086066999, 0.2496411504, 0.2093977333,
      0.1802208568, 0.1581178777]
TB = [1.0, 2.3221853546, 3.6467385953, 4.9717868586]
TC = [None, [1.0], [1.7320508076], [1.4470803599], [1.9159489237, 1.2414059301],
      [1.7745107195, 1.0911344114], [1.9595631418, 1.6361402521, 0.9772172032],
      [1.8784433114, 1.5132682086, 0.8878963849],
      [1.9763194659, 1.7869614419, 1.4067624418, 0.8158806765]]
TD = [None, [1.0], [1.7320508076], [2.5415414011], [3.0232649388, 3.3893657927],
      [3.7778936609, 4.2610228013], [4.3360270513, 4.5664891522, 5.1491771521],
      [5.0662061498, 5.3792700335, 6.0495276805],
      [5.6548408694, 5.8253532155, 6.2104149036, 6.9593116508]]
TE = [None, [2.0], [1.4142135624, 1.4142135624], [2.0, 1.0, 1.0],
      [1.847759065, 0.7653668647, 1.847759065, 0.7653668647]]

OMEGA_MIN = 2 * math.pi * 5.2083333e-8
OMEGA_MAX = 2 * math.pi * 0.45833333


def frequency_grid(fs=SAMPLE_RATE, count=POINTS):
    top = math.log10(fs / 2)
    return np.array([10 ** (i * top / (count - 1)) for i in range(1, count)] + [fs])


def peq_sos(fs, f0, gain, q):
    """One sos row [b0, b1, b2, 1, a1, a2] of the peaking band."""
    amp = 10 ** (gain / 20)
    w0 = 2 * math.pi * f0 / fs
    w1 = w0 * (math.sqrt(4 * q * q + 1) - 1) / (2 * q)
    t = math.sin(w1) * math.sin(w0) / (2 * (math.cos(w1) - math.cos(w0)))
    if amp < 1:
        t *= amp
    d = 2 * t + math.sin(w0)
    a1 = -4 * t * math.cos(w0) / d
    return [(2 * t + amp * math.sin(w0)) / d, a1, (2 * t - amp * math.sin(w0)) / d,
            1.0, a1, (2 * t - math.sin(w0)) / d]


def clamp_omega(w):
    return min(max(w, OMEGA_MIN), OMEGA_MAX)


def crossover_sos(low_pass, fc, order, ftype):
    """The sos rows of the crossover filter, one per non-empty section."""
    n = order
    if ftype == 0:
        n = 2
    if ftype == 2 and n % 2 == 1:
        n += 1
    n = min(max(n, 1), 8)
    wc = clamp_omega(2 * math.pi * fc / 48000)

    def scale(w, f):
        return w * f if low_pass else w / f

    rows = []
    remaining = n
    for s in range(4):
        w = scale(wc, TA[n]) if ftype == 3 else wc
        if remaining == 0:
            continue
        if remaining == 1:
            if ftype == 3:
                w = scale(w, TB[s])
            w = clamp_omega(w)
            p = (math.tan(w / 2) - 1) / (math.tan(w / 2) + 1)
            g = (1 + p) / 2 if low_pass else (1 - p) / 2
            rows.append([g, g if low_pass else -g, 0.0, 1.0, p, 0.0])
            remaining -= 1
            continue
        m = n // 2
        if ftype == 0:
            damping = 1.0
        elif ftype == 1:
            damping = 2 * math.sin((2 * (m - 1 - s) + 1) * math.pi / (2 * n))
        elif ftype == 2:
            damping = TE[m][s]
        elif ftype == 3:
            damping = TC[n][s]
            w = clamp_omega(scale(w, TD[n][s]))
        else:
            damping = 0.0
        p = (2 - damping * math.sin(w)) / (2 + damping * math.sin(w))
        k = math.cos(w)
        e = (1 + p) * ((1 - k) if low_pass else (1 + k)) / 4
        rows.append([e, 2 * e if low_pass else -2 * e, e, 1.0, -(1 + p) * k, p])
        remaining -= 2
    return rows


def section_levels(rows, grid):
    """Sum over rows of each row's floored level, evaluated with sosfreqz.

    The double coefficients and angles are evaluated in extended precision: in double, a
    high-pass numerator near DC cancels to about 1e-8 dB of noise, more than the tolerance
    the tests hold the C++ code to."""
    omega = (np.pi * grid / grid[-2]).astype(np.longdouble)
    total = np.zeros(len(grid))
    for row in rows:
        _, h = scipy.signal.sosfreqz(np.array([row], dtype=np.longdouble), worN=omega)
        power = (np.abs(h) ** 2).astype(np.float64)
        total += np.where(power > FLOOR_POWER, 10 * np.log10(np.maximum(power, 1e-300)),
                          FLOOR_DB)
    return total


def channel_rows(hp, lp, bands, bypass):
    """hp, lp: (fs, type, slope); bands: (freq, gain, q, enable). The rows of a channel curve's parts."""
    rows = []
    if hp[2] > 0:
        rows += crossover_sos(False, hp[0], hp[2], hp[1])
    if lp[2] > 0:
        rows += crossover_sos(True, lp[0], lp[2], lp[1])
    for freq, gain, q, enable in bands:
        used = 0.0 if bypass or not enable else gain
        rows.append(peq_sos(SAMPLE_RATE, freq, used, q))
    return rows


def f32(x):
    return float(np.float32(x))


def main():
    grid = frequency_grid()
    points = list(range(0, 497, 16)) + [510, 511]
    cases = []

    for fs, f0, gain, q in [(48000, 1000, 6, 2), (48000, 1000, -6, 2), (48000, 20, 12, 9),
                            (48000, 20, -18, 0.5), (48000, 20000, 12, 9),
                            (48000, 20000, -18, f32(5.8)), (48000, 100, 3.5, 0.707),
                            (48000, 8000, -9.5, 4.3), (44100, 5000, 6, 1)]:
        levels = section_levels([peq_sos(fs, f0, gain, q)], grid)
        cases.append((f"peq {float(fs)!r} {float(f0)!r} {float(gain)!r} {float(q)!r}", levels))

    xovers = [(lp, 1000, order, ftype) for ftype in (1, 2, 3) for lp in (0, 1)
              for order in range(1, 9)]
    xovers += [(0, 250, 2, 0), (1, 250, 5, 0), (0, 3000, 3, 7), (1, 3000, 4, 7),
               (0, 20, 8, 1), (1, 20000, 8, 1), (0, 20, 8, 3), (1, 20000, 8, 3),
               (0, 20000, 8, 2), (1, 20, 7, 3), (1, 23000, 4, 1), (0, 2000, 2, 1)]
    for lp, fc, order, ftype in xovers:
        levels = section_levels(crossover_sos(bool(lp), fc, order, ftype), grid)
        cases.append((f"crossover {lp} {float(fc)!r} {order} {ftype}", levels))

    rng = np.random.default_rng(20240611)
    third_octaves = [20, 25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630,
                     800, 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000,
                     12500, 16000, 20000]
    channels = [
        ((80, 1, 4), (12000, 2, 4), 0,
         [(63, 4.5, 1.5, 1), (250, -3.0, 0.75, 1), (1000, 6.0, 2.0, 0), (4000, -12.5, 4.0, 1),
          (16000, 2.0, 9.0, 1), (20, 0.0, f32(5.8), 1)]),
        ((40, 3, 3), (20000, 1, 0), 0,
         [(f, f32(round(rng.uniform(-18, 12), 1)), f32(round(rng.uniform(0.5, 9), 2)),
           int(rng.integers(0, 2)))
          for f in third_octaves]),
        ((20, 1, 0), (5000, 3, 8), 1, [(1000, 6.0, 2.0, 1), (100, -6.0, 1.0, 1)]),
    ]
    for hp, lp, bypass, bands in channels:
        levels = section_levels(channel_rows(hp, lp, bands, bypass), grid)
        text = " ".join(f"{f!r} {float(g)!r} {float(q)!r} {e}" for f, g, q, e in bands)
        cases.append((f"channel {float(hp[0])!r} {hp[1]} {hp[2]} {float(lp[0])!r} {lp[1]} "
                      f"{lp[2]} {bypass} {len(bands)} {text}", levels))

    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "tests", "graph_math", "reference_levels.txt")
    with open(out, "w") as f:
        f.write("# Made by scripts/filter_reference.py with scipy "
                f"{scipy.__version__}; levels in dB at the listed grid points.\n")
        f.write("# peq <fs> <f0> <gain> <q> | crossover <lowpass> <fc> <order> <type> |\n")
        f.write("# channel <hp fs type slope> <lp fs type slope> <bypass> <n> "
                "<n x: freq gain q enable>\n")
        f.write("points " + " ".join(str(p) for p in points) + "\n")
        f.write("grid | " + " ".join(repr(float(grid[p])) for p in points) + "\n")
        for head, levels in cases:
            f.write(head + " | " + " ".join(repr(float(levels[p])) for p in points) + "\n")
    print(f"wrote {len(cases)} cases to {os.path.normpath(out)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
