#!/usr/bin/env python3
"""Checks that the man page tilesweep(1) says what the tool's own help says.

Usage: check_man_page.py TOOL MANPAGE

Every command and option of `TOOL --help` and `TOOL COMMAND --help` must be described
in the man page with the same argument name, in a subsection whose heading names the
command ("render", "Scene options of plan and render"), and every option the man page
describes must exist for each command its heading names. Required options and
positional arguments must show in the command's synopsis line; the version in the
title line must be the tool's; groff must format the page without a warning.
"""
import re
import subprocess
import sys

MAIN = "tilesweep"


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True, timeout=60)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} failed with exit code {result.returncode}: {result.stderr.strip()}")
    return result.stdout


def help_of(tool, command):
    """(options, required, positionals, subcommands) of one --help text.

    options: {long name: (short name or None, argument name or None)}."""
    text = run(tool, *([command] if command != MAIN else []), "--help")
    options, required, positionals, subcommands = {}, set(), [], []
    section = None
    for line in text.splitlines():
        if re.match(r"^\S.*:$", line):
            section = line[:-1]
            continue
        if section == "Options":
            m = re.match(r"^  (?:(-\w),)?(--[\w-]+)(?: (\S+))?(.*)$", line)
            if m:
                short, name, arg, rest = m.groups()
                if arg in ("REQUIRED", "..."):
                    arg, rest = None, arg + rest
                options[name] = (short, arg)
                if "REQUIRED" in (arg or "") + rest:
                    required.add(name)
        elif section == "Positionals":
            m = re.match(r"^  ([A-Z][A-Z_]*) (\S+)", line)
            if m:
                positionals.append(m.group(2))
        elif section == "Subcommands":
            m = re.match(r"^  ([a-z]+) ", line)
            if m:
                subcommands.append(m.group(1))
    return options, required, positionals, subcommands


def plain(roff):
    """A roff text line without font changes and escapes."""
    text = re.sub(r"\\f[BIRP]", "", roff)
    return text.replace("\\-", "-").replace("\\e", "\\").replace("\\(dq", '"')


def macro_text(line):
    """The text a .B/.I/.BR/.BI line prints: one font joins its arguments with
    blanks, alternating fonts join them without."""
    parts = re.findall(r'"[^"]*"|\S+', line)
    joiner = " " if parts[0] in (".B", ".I") else ""
    return joiner.join(p.strip('"') for p in parts[1:])


def read_man(path):
    """(title line, synopsis lines, {subsection heading: {long: (short, arg)}})."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    title, synopsis, sections = None, [], {}
    section = subsection = None
    tag_next = False
    pending = ""
    for line in lines:
        if line.startswith(".TH "):
            title = line
        elif line.startswith(".SH "):
            section, subsection = line[4:].strip('"'), None
        elif line.startswith(".SS "):
            subsection = line[4:].strip('"')
            sections[subsection] = {}
        elif line == ".TP":
            tag_next = True
        elif section == "SYNOPSIS":
            if line.startswith(".B ") or line.startswith(".BR ") or line.startswith(".BI "):
                pending = macro_text(line)
            elif line == ".br":
                synopsis.append(pending)
                pending = ""
            elif not line.startswith("."):
                pending += " " + plain(line)
        elif tag_next and subsection is not None:
            tag_next = False
            tag = plain(macro_text(line) if line.startswith(".") else line)
            items = [item.strip() for item in tag.split(", ")]
            short = None
            for item in items:
                words = item.split()
                if len(words) == 1 and re.fullmatch(r"-\w", words[0]):
                    short = words[0]
                    continue
                if not words or not words[0].startswith("--"):
                    sys.exit(f"man page, {subsection}: option tag \"{tag}\" is not an option")
                sections[subsection][words[0]] = (short, words[1] if len(words) > 1 else None)
                short = None
    if pending:
        synopsis.append(pending)
    return title, synopsis, sections


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    tool, manpage = sys.argv[1:]
    faults = []

    formatted = subprocess.run(["groff", "-man", "-ww", "-z", "-Tutf8", manpage], capture_output=True, text=True)
    if formatted.returncode != 0 or formatted.stderr:
        faults.append(f"groff warns about the man page: {formatted.stderr.strip()}")

    title, synopsis, sections = read_man(manpage)
    version = run(tool, "--version").strip()
    if title is None or f'"{version}"' not in title:
        faults.append(f"the title line {title!r} does not name the tool's version \"{version}\"")

    main_options, _, _, commands = help_of(tool, MAIN)
    helps = {MAIN: (main_options, set(), [])}
    for command in commands:
        options, required, positionals, _ = help_of(tool, command)
        options.pop("--help", None)  # every command's, described once with the tool's options
        helps[command] = (options, required, positionals)
    if not commands:
        faults.append("the help lists no commands")

    def covering(command):
        return {heading: options for heading, options in sections.items()
                if command in re.findall(r"[\w-]+", heading)}

    for command, (options, required, positionals) in helps.items():
        described = {}
        for heading, section_options in covering(command).items():
            described.update(section_options)
        if command != MAIN and not covering(command):
            faults.append(f"no subsection of the man page is about the command {command}")
        for name, (short, arg) in options.items():
            if name not in described:
                faults.append(f"{command} {name}: in the help, not in the man page")
            elif described[name] != (short, arg):
                faults.append(f"{command} {name}: the help has {(short, arg)}, the man page {described[name]}")
        if command == MAIN:
            continue
        lines = [line for line in synopsis if line.split()[:2] == [MAIN, command]]
        if len(lines) != 1:
            faults.append(f"the synopsis has {len(lines)} lines for {command}, not one")
            continue
        for name in required:
            short = options[name][0]
            if name not in lines[0] and (short is None or short not in lines[0].split()):
                faults.append(f"{command} {name} is required but not in the synopsis")
        for positional in positionals:
            if f"[{positional}]" not in lines[0]:
                faults.append(f"{command}: the argument {positional} is not in the synopsis")

    for heading, section_options in sections.items():
        named = [c for c in helps if c in re.findall(r"[\w-]+", heading)]
        for command in named:
            for name in section_options:
                if name not in helps[command][0]:
                    faults.append(f"man page, {heading}: {name} is not an option of {command}")
    for line in synopsis:
        words = line.split()
        if len(words) > 1 and not words[1].startswith("[") and words[1] not in helps:
            faults.append(f"the synopsis names a command {words[1]} that the tool does not have")

    for fault in faults:
        print(f"check_man_page: {fault}")
    if faults:
        return 1
    print(f"check_man_page: {len(commands)} commands and "
          f"{sum(len(h[0]) for h in helps.values())} options of the help are in the man page as the help has them")
    return 0


if __name__ == "__main__":
    sys.exit(main())
