#!/usr/bin/env python3
"""Lists every include that runs the wrong way through the program's layers.

The layers, lowest first: memory and the resource identifiers; text; net and crypt (beside each
other, neither uses the other); the dialog's helpers in app/window; job; the program itself in
app. A file may include files of its own folder and of layers below its own. Prints one line
per wrong-way include and exits with 1 when there is any; prints nothing and exits with 0
otherwise."""

import pathlib
import re
import sys

# Longest prefix first, so that app/window is not taken for app.
LAYERS = [
    ("app/window/", 3),
    ("app/", 5),
    ("job/", 4),
    ("net/", 2),
    ("crypt/", 2),
    ("text/", 1),
    ("memory/", 0),
    ("res/", 0),
]
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    for prefix, rank in LAYERS:
        if path.startswith(prefix):
            return prefix, rank
    return None


def wrong_way_includes(root):
    for prefix, _ in LAYERS:
        folder = root / prefix
        for source in sorted(folder.glob("*")):
            if source.suffix not in (".h", ".cpp", ".rc"):
                continue
            relative = source.relative_to(root).as_posix()
            own_prefix, own_rank = layer_of(relative)
            text = source.read_text(encoding="utf-8", errors="replace")
            for match in INCLUDE.finditer(text):
                target = layer_of(match.group(1))
                if target is None:
                    continue
                target_prefix, target_rank = target
                if target_prefix == own_prefix or target_rank < own_rank:
                    continue
                line = text.count("\n", 0, match.start()) + 1
                yield f"{relative}:{line}: includes {match.group(1)}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    found = list(wrong_way_includes(root))
    for entry in found:
        print(entry)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
