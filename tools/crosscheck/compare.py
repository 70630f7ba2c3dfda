#!/usr/bin/env python3
"""Compares what two builds of the plugin recorded with fennrow-crosscheck.

compare.py FOLDER_A FOLDER_B [--tolerance T]

Saved states and parameter values must be the same byte for byte. Renders are
compared sample by sample: the largest absolute difference of each sound is
printed, and any above the tolerance fails the comparison.
"""
import argparse
import array
import pathlib
import sys


def samples(path):
    values = array.array("f")
    values.frombytes(path.read_bytes())
    if sys.byteorder != "little":
        values.byteswap()
    return values


def compare_render(a, b):
    """Largest absolute difference, samples that differ, first that differs."""
    if len(a) != len(b):
        return float("inf"), abs(len(a) - len(b)), min(len(a), len(b))
    largest, differing, first = 0.0, 0, -1
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            differing += 1
            if first < 0:
                first = i
            largest = max(largest, abs(x - y))
    return largest, differing, first


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("a", type=pathlib.Path)
    parser.add_argument("b", type=pathlib.Path)
    parser.add_argument("--tolerance", type=float, default=0.0)
    args = parser.parse_args()

    failures = []
    sounds = sorted(p.name[: -len(".state.json")] for p in args.a.glob("*.state.json"))
    if not sounds:
        failures.append(f"nothing recorded in {args.a}")
    print(f"{'sound':18} {'largest difference':>18} {'samples differing':>18}")
    for slug in sounds:
        for suffix in (".state.json", ".values.txt"):
            other = args.b / (slug + suffix)
            if not other.exists() or (args.a / (slug + suffix)).read_bytes() != other.read_bytes():
                failures.append(f"{slug}{suffix} differs")
        render_b = args.b / (slug + ".f32")
        if not render_b.exists():
            failures.append(f"{slug}.f32 is missing in {args.b}")
            continue
        a, b = samples(args.a / (slug + ".f32")), samples(render_b)
        largest, differing, first = compare_render(a, b)
        at = f" (first at frame {first // 2})" if first >= 0 else ""
        print(f"{slug:18} {largest:18.3g} {differing:9d} of {len(a):<9d}{at}")
        if largest > args.tolerance:
            failures.append(f"{slug}: renders differ by {largest:.3g}, more than {args.tolerance:.3g}")
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
