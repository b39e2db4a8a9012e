#!/usr/bin/env python3
"""Checks that no source includes a header of a higher layer (or of another folder of its own
layer): the include lines name their folder, so the folder tells the layer. Run by ctest.

usage: check_layers.py SOURCE_ROOT"""
import os
import re
import sys

# Folder -> layer, from the bottom. The simulator stands apart: it is written from the wire
# formats, never from the host's code.
LAYERS = {
    'sim': 1,
    'link': 1,
    'rows': 2,
    'service': 2,
    'feed': 3,
    'station': 4,
    'programs/common': 4,
    'logchart': 5,
    'programs/halyard-log': 6,
    'ui/common': 7,
    'ui/commands': 8,
    'ui/service': 8,
    'ui/graphs': 8,
    'ui/main': 9,
    'programs/halyard': 10,
    'programs/halyard-service': 6,
    'programs/kestrel-sim': 10,
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    best = None
    for folder in LAYERS:
        if path == folder or path.startswith(folder + '/'):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def main():
    root = sys.argv[1]
    faults = []
    for folder in LAYERS:
        top = os.path.join(root, folder)
        for dirpath, _, names in os.walk(top):
            for name in names:
                if not name.endswith(('.h', '.cpp')):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                if folder_of(rel) != folder:
                    continue  # a deeper folder of its own is checked on its own
                with open(path, encoding='latin-1') as f:
                    text = f.read()
                for included in INCLUDE.findall(text):
                    theirs = folder_of(included)
                    if theirs is None:
                        if '/' not in included and not os.path.exists(os.path.join(dirpath, included)):
                            faults.append(f'{rel}: "{included}" does not name its folder')
                        continue
                    if theirs != folder and LAYERS[theirs] >= LAYERS[folder]:
                        faults.append(f'{rel} ({folder}, layer {LAYERS[folder]}) includes "{included}" '
                                      f'({theirs}, layer {LAYERS[theirs]})')
    for fault in faults:
        print(fault)
    print(f'{len(faults)} include(s) against the layers')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
