#!/usr/bin/env python3
"""Checks the program's layout (README, "Where program code goes").

  check_layout.py APP_DIR

- A core file (any folder outside ui/ and shell/main) includes no header of a
  ui/ folder or of shell/main, and no Qt Widgets header.
- A ui/ file includes no header of shell/main.
- The include graph between the folders of app/ (tests/ folders left out) has
  no cycle.
- No code outside shell/edition compares an edition number (tests left out).

Prints every fault found and exits 1 when there is one.
"""
import os
import re
import sys

CORE, GUI, MAIN = 0, 1, 2
TIER_NAMES = {CORE: "core", GUI: "ui", MAIN: "main"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
EDITION_WORD = r"\w*(?:edition|Edition|customer|Customer)\w*(?:\(\))?"
EDITION_COMPARISONS = [
    re.compile(EDITION_WORD + r"\s*(?:==|!=|<=|>=|<|>)\s*(?:\d+|k\w*Edition)"),
    re.compile(r"\b\d+\s*(?:==|!=|<=|>=|<|>)\s*" + EDITION_WORD),
    re.compile(r"\bswitch\s*\(\s*" + EDITION_WORD + r"\s*\)"),
    re.compile(r"\bisOneOf\s*\(\s*" + EDITION_WORD),
]


def folder_of(rel_path):
    return os.path.dirname(rel_path)


def without_tests(folder):
    parts = folder.split("/")
    return "/".join(parts[: parts.index("tests")]) if "tests" in parts else folder


def is_test(folder):
    return "tests" in folder.split("/")


def tier(folder):
    base = without_tests(folder)
    if base == "shell/main" or base.startswith("shell/main/"):
        return MAIN
    if "ui" in base.split("/"):
        return GUI
    return CORE


def strip_comments_and_strings(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    return re.sub(r'"(?:\\.|[^"\\\n])*"', '""', text)


def find_cycle(graph):
    state = {}
    stack = []

    def visit(node):
        state[node] = 1
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == 1:
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    app = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(__file__)))
    faults = []
    graph = {}
    for root, _, files in os.walk(app):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, app).replace(os.sep, "/")
            folder = folder_of(rel)
            with open(path, encoding="utf-8") as f:
                text = f.read()
            for kind, target in INCLUDE.findall(text):
                if kind == "<":
                    if tier(folder) == CORE and target.startswith("QtWidgets/"):
                        faults.append(f"{rel}: a core file includes the Qt Widgets header <{target}>")
                    continue
                if not os.path.isfile(os.path.join(app, target)):
                    continue  # a header of the library side or of the build
                target_folder = folder_of(target)
                if tier(target_folder) > tier(folder):
                    faults.append(
                        f"{rel}: a {TIER_NAMES[tier(folder)]} file includes {target} "
                        f"({TIER_NAMES[tier(target_folder)]})")
                if target_folder != folder and not is_test(folder):
                    graph.setdefault(folder, set()).add(target_folder)
            if is_test(folder) or without_tests(folder).startswith("shell/edition"):
                continue
            code = strip_comments_and_strings(text)
            for number, line in enumerate(code.split("\n"), 1):
                for pattern in EDITION_COMPARISONS:
                    match = pattern.search(line)
                    if match:
                        faults.append(
                            f"{rel}:{number}: compares an edition ({match.group(0).strip()}); "
                            "ask the edition profile (shell/edition) instead")
                        break
    cycle = find_cycle(graph)
    if cycle:
        faults.append("folders include each other: " + " -> ".join(cycle))
    for fault in faults:
        print(fault)
    if not faults:
        print(f"layout of {app}: {len(graph)} folders with includes, no fault")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
