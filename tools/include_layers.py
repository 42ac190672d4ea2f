#!/usr/bin/env python3
"""Reads the program's #include lines and fails on an include that runs back up the layers or on a loop.

The folders are layers, highest first:

    app > mainwindow > input > switcher > overlays > tilt > shell > device > toolkit

A file may include files of its own folder and of the folders below it. Inside every folder the portable
files (Foo.h, Foo.cpp: no <windows.h>, host-tested) sit below the Windows halves (Foo_win.h, Foo_win.cpp), and
toolkit/ is Windows only, so a portable file includes neither a Windows half nor the toolkit. resources/ is
the resource script's header, which any file may include.

A loop is counted between units, among the includes that keep the layers (an up-include is a finding of its
own), a unit being a header and its source (Foo.h with Foo.cpp, Foo_win.h with Foo_win.cpp): two units whose
files include each other, directly or round a longer chain, are one loop however the includes are spread over
the header and the source.

Exceptions are listed in EXCEPTIONS below, each with its reason; an exception that no longer matches anything
is reported, so the list only shrinks.

Usage: tools/include_layers.py [--root DIR] [--verbose]
Prints one line per finding and a summary "include-layers: N files, N includes, N up, N loops (N pairs of units
that include each other), N excepted";
exits 1 when anything is found that the list does not except.
"""
import argparse
import os
import re
import sys

LAYERS = ["app", "mainwindow", "input", "switcher", "overlays", "tilt", "shell", "device", "toolkit"]
NEUTRAL = {"resources"}  # the resource ids: a leaf every layer may include
SOURCE_SUFFIXES = (".h", ".cpp")

# (including file, included file, reason). An up-include or a loop edge listed here is not a failure.
EXCEPTIONS = [
    ("device/DeviceLink_win.cpp", "shell/ProcessState.h",
     "the device worker reads the mode and button order the settings store shares, among the process-wide "
     "atomics"),
    ("input/Dispatcher_win.cpp", "mainwindow/MainWindowRules.h",
     "a group function hides the settings window and sets its foreground timer, whose number and period are "
     "the settings window's"),
    ("switcher/ExposeDlg_win.cpp", "input/RawInput_win.h",
     "the switcher registers the raw keyboard through input's registration"),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def layer_rank(folder):
    """Lower is higher up; None for folders outside the layers."""
    return LAYERS.index(folder) if folder in LAYERS else None


def is_windows_half(path):
    folder = path.split("/", 1)[0]
    stem = os.path.splitext(os.path.basename(path))[0]
    return folder == "toolkit" or stem.endswith("_win")


def unit_of(path):
    return os.path.splitext(path)[0]


def read_includes(root):
    """{file: [included file, ...]} for every source file of the layer folders, paths relative to root."""
    graph = {}
    for folder in LAYERS + sorted(NEUTRAL):
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for dirpath, _, names in os.walk(base):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, root).replace(os.sep, "/")
                targets = []
                with open(full, encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if m:
                            targets.append(m.group(1))
                graph[rel] = targets
    return graph


def up_includes(graph):
    """[(from, to, why)] for every include that runs back up the layers or from a portable file to a Windows one."""
    found = []
    for src, targets in sorted(graph.items()):
        src_folder = src.split("/", 1)[0]
        if src_folder in NEUTRAL:
            continue
        src_rank = layer_rank(src_folder)
        for dst in targets:
            dst_folder = dst.split("/", 1)[0]
            if dst_folder in NEUTRAL or "/" not in dst:
                continue
            dst_rank = layer_rank(dst_folder)
            if dst_rank is None:
                found.append((src, dst, "outside the layers"))
            elif dst_rank < src_rank:
                found.append((src, dst, f"{src_folder} is below {dst_folder}"))
            elif not is_windows_half(src) and is_windows_half(dst):
                found.append((src, dst, "a portable file includes a Windows half"))
    return found


def loops(graph):
    """The loops between units: [[unit, ...]] each sorted, the strongly connected parts of more than one unit."""
    edges = {}
    for src, targets in graph.items():
        u = unit_of(src)
        edges.setdefault(u, set())
        for dst in targets:
            v = unit_of(dst)
            if v != u and dst in graph:
                edges[u].add(v)
                edges.setdefault(v, set())
    # Tarjan's algorithm, iterative (a deep chain must not meet Python's recursion limit).
    index, low, on_stack, stack, parts = {}, {}, set(), [], []
    counter = 0
    for start in sorted(edges):
        if start in index:
            continue
        work = [(start, iter(sorted(edges[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges[child]))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    top = stack.pop()
                    on_stack.discard(top)
                    part.append(top)
                    if top == node:
                        break
                if len(part) > 1:
                    parts.append(sorted(part))
    return sorted(parts), edges


def mutual_pairs(graph):
    """Pairs of units that include each other directly: [(unit, unit)], the shortest loops."""
    edges = {}
    for src, targets in graph.items():
        for dst in targets:
            if dst in graph and unit_of(dst) != unit_of(src):
                edges.setdefault(unit_of(src), set()).add(unit_of(dst))
    return sorted((a, b) for a, outs in edges.items() for b in outs if a < b and a in edges.get(b, ()))


def loop_edges(graph, part):
    """The file-level includes inside one loop: [(from, to)]."""
    members = set(part)
    return sorted((src, dst) for src, targets in graph.items() for dst in targets
                  if unit_of(src) in members and unit_of(dst) in members and unit_of(src) != unit_of(dst))


def check(root, exceptions, out=sys.stdout, verbose=False):
    """Returns (counts, failures); counts is a dict of what was found before the exceptions."""
    graph = read_includes(root)
    excepted = {(a, b) for a, b, _ in exceptions}
    used = set()
    failures = []

    ups = up_includes(graph)
    for src, dst, why in ups:
        if (src, dst) in excepted:
            used.add((src, dst))
            if verbose:
                print(f"excepted up-include {src} -> {dst} ({why})", file=out)
            continue
        failures.append(f"up-include {src} -> {dst}: {why}")

    # Loops are counted among the includes that keep the layers: an up-include is a finding of its own (and
    # one of them is enough to close a loop through half the program).
    up_edges = {(src, dst) for src, dst, _ in ups}
    level = {s: [d for d in t if (s, d) not in up_edges] for s, t in graph.items()}
    parts, _ = loops(level)
    for part in parts:
        inner = loop_edges(level, part)
        # A loop is excepted when an excepted include breaks it: without the excepted edges it is no loop.
        remaining = {s: [d for d in t if (s, d) not in excepted] for s, t in level.items()}
        still = [p for p in loops(remaining)[0] if set(p) & set(part)]
        broken_by = [(s, d) for s, d in inner if (s, d) in excepted]
        if not still and broken_by:
            used.update(broken_by)
            if verbose:
                print(f"excepted loop {' <-> '.join(part)}", file=out)
            continue
        failures.append(f"loop of {len(part)} units: {' <-> '.join(part)}")
        if verbose:
            for s, d in inner:
                print(f"  in the loop: {s} -> {d}", file=out)

    for a, b, reason in exceptions:
        if (a, b) not in used:
            failures.append(f"stale exception {a} -> {b} ({reason}): nothing it excepts is left")

    counts = {
        "files": len(graph),
        "mutual": len(mutual_pairs(level)),
        "includes": sum(len(t) for t in graph.values()),
        "up": len(ups),
        "loops": len(parts),
        "excepted": len(used),
    }
    return counts, failures


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args(argv)
    counts, failures = check(args.root, EXCEPTIONS, verbose=args.verbose)
    for line in failures:
        print(line)
    summary = ("include-layers: {files} files, {includes} includes, {up} up, {loops} loops "
               "({mutual} pairs of units that include each other), {excepted} excepted").format(**counts)
    print(summary + ("" if not failures else f", {len(failures)} failing"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
