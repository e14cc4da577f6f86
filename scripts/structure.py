#!/usr/bin/env python3
"""Draws the structure of one source folder: its components (a header and
its source file, by name), which component depends on which, and the
circles among them.

Usage: structure.py FOLDER [FOLDER ...]   (e.g. scripts/structure.py xml)

A depends on B when a file of A includes B's header ("include"), declares
a class of B ahead instead of including it ("declares"), or is named a
friend by B ("friend": A reaches B's private parts). Prints the friend
declarations, one line per component with its dependencies, and every
circle: a set of components that reach each other.
"""
import os
import re
import sys


def components(folders):
    """Maps a component name to its files' texts and the classes it defines."""
    found = {}
    for folder in folders:
        for name in sorted(os.listdir(folder)):
            stem, ext = os.path.splitext(name)
            if ext not in (".h", ".cpp"):
                continue
            with open(os.path.join(folder, name), encoding="utf-8") as source:
                text = source.read()
            entry = found.setdefault(stem, {"texts": [], "classes": set()})
            entry["texts"].append(text)
            if ext == ".h":
                entry["classes"] |= set(re.findall(r"^(?:class|struct) (\w+)(?: final)?\s*(?::[^;{]*)?\{",
                                                   text, re.M))
    return found


def dependencies(found):
    owner = {cls: name for name, entry in found.items() for cls in entry["classes"]}
    edges = {name: {} for name in found}
    friends = []
    for name, entry in found.items():
        for text in entry["texts"]:
            for included in re.findall(r'#include "\w+/(\w+)\.h"', text):
                if included in found and included != name:
                    edges[name].setdefault(included, set()).add("include")
            for declared in re.findall(r"^(?:class|struct) (\w+);", text, re.M):
                target = owner.get(declared)
                if target and target != name:
                    edges[name].setdefault(target, set()).add("declares")
            for friend in re.findall(r"friend (?:class|struct) (\w+);", text):
                friends.append((name, friend))
                target = owner.get(friend)
                if target and target != name:
                    edges[target].setdefault(name, set()).add("friend")
    return edges, friends


def circles(edges):
    """Strongly connected components of more than one member (Tarjan)."""
    index, low, stack, on_stack, result = {}, {}, [], set(), []

    def visit(node):
        index[node] = low[node] = len(index)
        stack.append(node)
        on_stack.add(node)
        for target in edges[node]:
            if target not in index:
                visit(target)
                low[node] = min(low[node], low[target])
            elif target in on_stack:
                low[node] = min(low[node], index[target])
        if low[node] == index[node]:
            member, group = None, []
            while member != node:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
            if len(group) > 1:
                result.append(sorted(group))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return result


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    found = components(sys.argv[1:])
    edges, friends = dependencies(found)
    print("friend declarations: %d" % len(friends))
    for name, friend in friends:
        print("  in %s: friend %s" % (name, friend))
    print("components and what they depend on:")
    for name in sorted(edges):
        parts = ["%s (%s)" % (target, ", ".join(sorted(kinds))) for target, kinds in sorted(edges[name].items())]
        print("  %s -> %s" % (name, "; ".join(parts) if parts else "nothing"))
    found_circles = circles(edges)
    print("circles: %d" % len(found_circles))
    for group in found_circles:
        print("  " + " <-> ".join(group))


if __name__ == "__main__":
    main()
