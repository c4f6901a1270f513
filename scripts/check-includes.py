#!/usr/bin/env python3
"""Checks every #include of the source tree against the folder rules.

Usage: scripts/check-includes.py [ROOT [TABLE]]
ROOT defaults to the folder above this script, TABLE to scripts/layers.txt.
Prints one line per include that breaks a rule (file:line, the include, the
rule) and exits 1 when there is any, 2 when the table itself is wrong.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".h", ".hpp", ".inc", ".ipp", ".rc")
SKIPPED_DIRS = {".git", "build", "out"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


class TableError(Exception):
    pass


def read_table(path):
    """Returns {folder: (allowed folders, rule text)} from the table file."""
    rules = {}
    pending = []  # (folders, words, line number, text)
    with open(path, encoding="utf-8") as table:
        for number, raw in enumerate(table, 1):
            text = raw.split("#", 1)[0].strip()
            if not text:
                continue
            if ":" not in text:
                raise TableError(f"{path}:{number}: expected 'folders: allowed folders'")
            left, right = text.split(":", 1)
            folders = left.replace(",", " ").split()
            words = right.replace(",", " ").split()
            if not folders or not words:
                raise TableError(f"{path}:{number}: a rule needs folders on both sides")
            pending.append((folders, words, number, " ".join(text.split())))
    known = {folder for folders, _, _, _ in pending for folder in folders}
    for folders, words, number, text in pending:
        if words[0] == "all":
            if len(words) > 1 and words[1] != "except":
                raise TableError(f"{path}:{number}: write 'all' or 'all except ...'")
            excluded = set(words[2:])
            allowed = known - excluded
            named = excluded
        else:
            allowed = set(words)
            named = allowed
        unknown = sorted(named - known)
        if unknown:
            raise TableError(f"{path}:{number}: no rule for {' '.join(unknown)}")
        for folder in folders:
            if folder in rules:
                raise TableError(f"{path}:{number}: a second rule for {folder}")
            rules[folder] = (allowed, text)
    return rules


def folder_of(path, rules):
    """The longest folder of the table that begins the path, or None."""
    best = None
    for folder in rules:
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best


def sources(root):
    for top, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if d not in SKIPPED_DIRS)
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(top, name), root).replace(os.sep, "/")


def target_of(root, source, quote, name):
    """The tree path an include refers to, or None for a header from outside
    the tree. "..." looks beside the including file first, then at the root;
    <...> only at the root."""
    candidates = [name]
    if quote == '"':
        candidates.insert(0, os.path.join(os.path.dirname(source), name))
    for candidate in candidates:
        path = os.path.normpath(candidate).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, path)):
            return path
    # A quoted include of a tree folder that does not exist (yet) still
    # names a layer.
    return os.path.normpath(name).replace(os.sep, "/") if quote == '"' else None


def check(root, rules):
    problems = []
    for source in sources(root):
        own = folder_of(source, rules)
        if own is None:
            if "/" in source:
                problems.append(f"{source}: its folder has no rule in the table")
            continue
        allowed, rule = rules[own]
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                quote, name = match.groups()
                target = target_of(root, source, quote, name)
                if target is None:
                    continue
                layer = folder_of(target, rules)
                if layer is None or layer in allowed:
                    continue
                problems.append(
                    f'{source}:{number}: includes {quote}{name}{">" if quote == "<" else quote}'
                    f" ({layer}), but the rule \"{rule}\" does not allow {layer}")
    return problems


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    root = argv[1] if len(argv) > 1 else os.path.dirname(here)
    table = argv[2] if len(argv) > 2 else os.path.join(here, "layers.txt")
    try:
        rules = read_table(table)
    except (OSError, TableError) as error:
        print(f"include check: {error}")
        return 2
    problems = check(root, rules)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
