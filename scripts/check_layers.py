#!/usr/bin/env python3
"""Fails when an include points against the layer arrows.

Reads every '#include "<folder>/...' under src/ and sim/ and checks it against the layers
each folder may use. Also keeps Qt out of the plain-C++ layers and operating-system headers
in src/platform/ and the window layers. Prints every offending line; exit 1 if any.
"""
import pathlib
import re
import sys

CORE = {"platform", "model", "graph/math", "link", "commands", "tuning"}
# folder -> folders it may include (besides itself)
ALLOWED = {
    "platform": set(),
    "model": {"platform"},
    "graph/math": {"model", "platform"},
    "link": {"platform"},
    "commands": {"link", "model", "platform"},
    "tuning": {"commands", "link", "model", "graph/math", "platform"},
    "sim": {"platform", "model"},
    "cli": {"tuning", "commands", "link", "model", "platform", "sim", "profiles", "firmware"},
    "ui": {"platform", "link"},
    "graph": {"ui", "graph/math", "model", "platform", "link"},
    "dialogs": {"ui", "graph", "graph/math"} | CORE,
    "profiles": {"ui", "dialogs"} | CORE,
    "firmware": {"ui", "dialogs"} | CORE,
    "mainpage": {"ui", "graph", "graph/math", "dialogs", "profiles", "firmware"} | CORE,
    "app": None,  # the entry point may use every layer
}
# Plain C++ everywhere but the window layers (profiles and firmware keep their Qt halves
# in files named *_wnd.*).
QT_FREE = CORE | {"sim", "cli"}
HALF_QT = {"profiles", "firmware"}
OS_HEADER = re.compile(
    r'#include <(unistd|fcntl|sys/|hidapi|libudev|iconv|spawn|poll|dlfcn|pthread|signal|pwd|windows)')
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+(?:/math)?)/')
QT_INCLUDE = re.compile(r'^\s*#\s*include\s+<Q')


def folder_of(path, root):
    rel = path.relative_to(root).as_posix()
    if rel.startswith("sim/"):
        return "sim"
    parts = rel.split("/")[1:]  # below src/
    if len(parts) >= 3 and parts[0] == "graph" and parts[1] == "math":
        return "graph/math"
    return parts[0]


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    problems = []
    files = [p for d in ("src", "sim") for p in (root / d).rglob("*")
             if p.suffix in (".h", ".cpp")]
    for path in sorted(files):
        folder = folder_of(path, root)
        allowed = ALLOWED.get(folder, set())
        rel = path.relative_to(root).as_posix()
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            where = f"{rel}:{number}: {line.strip()}"
            match = INCLUDE.match(line)
            if match and allowed is not None:
                target = match.group(1)
                if target.endswith("/math") and target != "graph/math":
                    target = target.split("/")[0]
                if target != folder and target not in allowed:
                    problems.append(f"{where}  ({folder} may not use {target})")
            if QT_INCLUDE.match(line) and (
                    folder in QT_FREE or (folder in HALF_QT and not path.stem.endswith("_wnd"))):
                problems.append(f"{where}  (no Qt in {folder} outside *_wnd files)"
                                if folder in HALF_QT else f"{where}  (no Qt in {folder})")
            if folder not in ("platform", "ui", "app") and OS_HEADER.match(line.strip()):
                problems.append(f"{where}  (operating-system headers belong in platform/)")
    for problem in problems:
        print(problem)
    print(f"layer check: {len(files)} files, {len(problems)} includes against the layers")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
