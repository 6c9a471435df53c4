#!/usr/bin/python3
"""Checks the udev rule: `udevadm verify` where the system has it, else its syntax parsed
here, and in both cases that it grants the amplifier to the seat's user.

Usage: check_udev_rule.py <rules file>
"""

import os
import re
import shutil
import subprocess
import sys

MATCH_KEYS = {"ACTION", "DEVPATH", "KERNEL", "NAME", "SYMLINK", "SUBSYSTEM", "DRIVER",
              "ATTR", "SYSCTL", "KERNELS", "SUBSYSTEMS", "DRIVERS", "ATTRS", "TAGS", "TAG",
              "ENV", "CONST", "TEST", "PROGRAM", "RESULT"}
ASSIGN_KEYS = {"NAME", "SYMLINK", "OWNER", "GROUP", "MODE", "SECLABEL", "ATTR", "SYSCTL",
               "ENV", "TAG", "RUN", "LABEL", "GOTO", "IMPORT", "OPTIONS"}
TOKEN = re.compile(r'^\s*([A-Z_]+)(\{[^{}"]+\})?\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*$')


def split_tokens(line):
    tokens, current, quoted = [], "", False
    for ch in line:
        if ch == '"':
            quoted = not quoted
        if ch == "," and not quoted:
            tokens.append(current)
            current = ""
        else:
            current += ch
    if quoted:
        raise ValueError("unterminated quote")
    tokens.append(current)
    return tokens


def parse(path):
    problems, rules = [], []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            try:
                tokens = split_tokens(text)
            except ValueError as error:
                problems.append(f"line {number}: {error}")
                continue
            rule = []
            for token in tokens:
                m = TOKEN.match(token)
                if not m:
                    problems.append(f"line {number}: cannot read {token.strip()!r}")
                    continue
                key, attr, op, value = m.groups()
                keys = MATCH_KEYS if op in ("==", "!=") else ASSIGN_KEYS
                if key not in keys:
                    problems.append(f"line {number}: {key} does not take {op}")
                rule.append((key + (attr or ""), op, value))
            rules.append(rule)
    return problems, rules


def main():
    path = sys.argv[1]
    problems, rules = parse(path)
    udevadm = shutil.which("udevadm")
    if udevadm and subprocess.run([udevadm, "verify", "--help"], capture_output=True).returncode == 0:
        result = subprocess.run([udevadm, "verify", path], capture_output=True, text=True)
        if result.returncode != 0:
            problems.append("udevadm verify: " + (result.stderr or result.stdout).strip())
    wanted = {("SUBSYSTEM", "==", "hidraw"), ("ATTRS{idVendor}", "==", "0483"),
              ("ATTRS{idProduct}", "==", "5750"), ("TAG", "+=", "uaccess")}
    if not any(wanted <= set(rule) for rule in rules):
        problems.append("no rule gives the amplifier's hidraw node the uaccess tag")
    # uaccess is turned into an ACL by 73-seat-late.rules: the tag must be set before it.
    if os.path.basename(path) >= "73-seat-late.rules":
        problems.append("the file sorts after 73-seat-late.rules")
    for problem in problems:
        print(problem)
    if not problems:
        print("udev rule ok")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
