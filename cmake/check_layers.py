#!/usr/bin/env python3
"""Fails when a C++ file includes a header of the project from above its
own layer, or from a layer its target does not link. The map of the layers
and of what each file's target links is written by CMake
(lumora_write_layer_map).

usage: check_layers.py LAYER_MAP SOURCE_DIR
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')


def read_map(path):
    ranks, folders, files = {}, {}, {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.split()
            if len(parts) != 3:
                continue
            kind, name, value = parts
            if kind == "L":
                ranks[name] = int(value)
            else:
                target = folders if kind == "D" else files
                target.setdefault(name, set()).update(value.split(","))
    return ranks, folders, files


def layer_of(ranks, folder):
    """The innermost layer folder holding `folder`."""
    best = None
    for layer in ranks:
        if (folder == layer or folder.startswith(layer + "/")) and (best is None or len(layer) > len(best)):
            best = layer
    return best


def resolve(root, folder, name):
    """The folder, relative to root, of the project file an include names."""
    for base in (os.path.join(root, folder), root):
        path = os.path.realpath(os.path.join(base, name))
        if os.path.isfile(path) and path.startswith(root + os.sep):
            return os.path.dirname(os.path.relpath(path, root))
    return None


def check_file(root, rel, allowed, ranks, layer):
    folder = os.path.dirname(rel)
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            home = resolve(root, folder, m.group(1))
            if home is None or home == folder:
                continue
            other = layer_of(ranks, home)
            if other is None or ranks[other] > ranks[layer]:
                yield f"{rel}:{number}: includes {m.group(1)} from {home}/, above the layer {layer}/"
            elif home not in allowed:
                yield f"{rel}:{number}: includes {m.group(1)} from {home}/, which {layer}/ does not link"


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    ranks, folders, files = read_map(sys.argv[1])
    root = os.path.realpath(sys.argv[2])
    faults = []
    checked = 0
    for folder in sorted(folders):
        layer = layer_of(ranks, folder)
        if layer is None:
            faults.append(f"{folder}/: builds sources but is in no layer")
            continue
        for entry in sorted(os.listdir(os.path.join(root, folder))):
            if not entry.endswith((".cpp", ".h")):
                continue
            rel = os.path.join(folder, entry)
            allowed = files.get(rel, folders[folder])
            if os.path.basename(folder) == "tests":
                # Tests share the helpers of the tests of the layers they see.
                allowed = allowed | {a + "/tests" for a in allowed}
            checked += 1
            faults.extend(check_file(root, rel, allowed, ranks, layer))
    for fault in faults:
        print(fault)
    print(f"{checked} files checked, {len(faults)} includes outside their layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
