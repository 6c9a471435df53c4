#!/usr/bin/python3
"""Full channel-curve update: the C++ benchmark against scipy on the same sections and grid.

Runs the curve_bench program (Google Benchmark, JSON output), then times scipy's sosfreqz
evaluating the same six channels (31 bands, eighth-order high-pass and low-pass each) on the
same 512-point grid, and prints both times and the ratio.

  /usr/bin/python3 bench/curve_bench.py [path/to/curve_bench]

The default program path is build-math-bench/bench/curve_bench under the repository.
"""

import json
import os
import subprocess
import sys
import time

import numpy as np
import scipy.signal

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))
import filter_reference as ref  # noqa: E402

THIRD_OCTAVES = [20, 25, 31, 40, 50, 63, 80, 100, 125, 160, 200, 250, 315, 400, 500, 630, 800,
                 1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500,
                 16000, 20000]


def channel_settings():
    """The channels of BenchChannels() in bench/curve_bench.cpp."""
    channels = []
    for ch in range(6):
        hp = (40 + 10 * ch, 1 + ch % 3, 8)
        lp = (16000 - 1000 * ch, 1 + (ch + 1) % 3, 8)
        bands = [(THIRD_OCTAVES[b], -11.5 + (ch * 7 + b * 3) % 23, 0.5 + 0.5 * ((ch + b) % 17), 1)
                 for b in range(31)]
        channels.append((hp, lp, bands))
    return channels


def best_of(function, repeats):
    best = float("inf")
    for _ in range(repeats):
        start = time.perf_counter()
        function()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        HERE, "..", "build-math-bench", "bench", "curve_bench")
    out = subprocess.run([program, "--benchmark_format=json", "--benchmark_repetitions=5"],
                         check=True, capture_output=True, text=True).stdout
    # The best of five runs on both sides, so that a busy machine skews neither.
    cpp = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") == "iteration":
            scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
            name = b["run_name"]
            cpp[name] = min(cpp.get(name, float("inf")), b["real_time"] * scale)

    grid = ref.frequency_grid()
    omega = np.pi * grid / grid[-2]
    channels = [np.array(ref.channel_rows(hp, lp, bands, 0)) for hp, lp, bands in channel_settings()]

    def per_section():
        # Every section on its own, floored and summed: the composition the curve defines.
        for rows in channels:
            total = np.zeros(len(grid))
            for row in rows:
                _, h = scipy.signal.sosfreqz(row[np.newaxis, :], worN=omega)
                power = np.abs(h) ** 2
                total += np.where(power > 1e-8, 10 * np.log10(np.maximum(power, 1e-300)), -400.0)

    def whole_cascade():
        # One call per channel over all its sections: less work (no per-section floors).
        for rows in channels:
            _, h = scipy.signal.sosfreqz(rows, worN=omega)
            10 * np.log10(np.maximum(np.abs(h) ** 2, 1e-40))

    scipy_per_section = best_of(per_section, 5)
    scipy_cascade = best_of(whole_cascade, 5)
    scipy_best = min(scipy_per_section, scipy_cascade)

    fast = cpp["BM_FullCurveUpdate"]
    by_parts = cpp["BM_FullCurveUpdateByParts"]
    sections = sum(len(rows) for rows in channels)
    print(f"full update: 6 channels, {sections} sections, {len(grid)} points")
    print(f"  C++ ComputeChannelCurve x6      {fast * 1e6:10.1f} us")
    print(f"  C++ per-part responses x6       {by_parts * 1e6:10.1f} us")
    print(f"  scipy sosfreqz per section      {scipy_per_section * 1e6:10.1f} us")
    print(f"  scipy sosfreqz per channel      {scipy_cascade * 1e6:10.1f} us")
    print(f"ratio against the faster scipy run: {scipy_best / fast:.1f}x "
          f"(per section {scipy_per_section / fast:.1f}x, per channel {scipy_cascade / fast:.1f}x)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
