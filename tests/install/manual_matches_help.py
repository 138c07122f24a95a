#!/usr/bin/env python3
"""The manual page of a program lists the same options and commands as its
--help, no more and no fewer.

    manual_matches_help.py PROGRAM MANUAL.scd

--help lists one entry a line: two blanks, then its options (-p, --port) or
its command word, then the explanation after a run of blanks (options
without a short form stand six blanks in). The manual page (scdoc) starts
each entry of its OPTIONS and COMMANDS on a line of its own with the term in
bold: *--port* _NAME_.
"""

import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def entry_terms(term_lines):
    """The options and command words that entries define."""
    options, commands = set(), set()
    for term in term_lines:
        # "listen [--seconds N]": the command listen and its option.
        word = re.match(r"[a-z][a-z-]*", term)
        if word:
            commands.add(word.group(0))
        options.update(OPTION.findall(term))
    return options, commands


def help_entries(text):
    terms = []
    for line in text.splitlines():
        # An entry: two blanks then the term, or six before an option with no
        # short form; deeper lines continue the entry above.
        if re.match(r"  \S", line) or re.match(r" {6}-", line):
            terms.append(re.split(r"\s{2,}", line.strip())[0])
    return entry_terms(terms)


def manual_entries(text):
    terms = []
    section = ""
    for line in text.splitlines():
        if line.startswith("# "):
            section = line[2:].strip()
        elif section in ("OPTIONS", "COMMANDS") and line.startswith("*"):
            terms.append(line.replace("*", "").replace("_", ""))
    return entry_terms(terms)


def main():
    program, manual = sys.argv[1], sys.argv[2]
    shown = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    with open(manual, encoding="utf-8") as f:
        written = f.read()
    help_options, help_commands = help_entries(shown)
    manual_options, manual_commands = manual_entries(written)
    if not help_options:
        print(f"no options found in {program} --help", file=sys.stderr)
        return 1
    faults = []
    for kind, in_help, in_manual in (
        ("option", help_options, manual_options),
        ("command", help_commands, manual_commands),
    ):
        for name in sorted(in_help - in_manual):
            faults.append(f"{kind} {name} is in --help but not in {manual}")
        for name in sorted(in_manual - in_help):
            faults.append(f"{kind} {name} is in {manual} but not in --help")
    for fault in faults:
        print(fault, file=sys.stderr)
    if not faults:
        print(f"{len(help_options)} options and {len(help_commands)} commands in step")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
