#!/usr/bin/python3
"""Reads a DXF file written by the tool with ezdxf and compares its entities
with an expectation file.

usage: check_dxf.py FILE.dxf EXPECTED.json

EXPECTED.json: {"encoding": optional, "layers_declared": optional (every layer
  used must be in the layer table), "entities": [
  {"type": "CIRCLE", "layer": "ZAMO", "center": [x, y, z], "radius": r},
  {"type": "TEXT", "layer": "ZAMO_NO", "insert": [x, y, z], "text": "...",
   "height": h, "rotation": deg}, ...]}
Exit status: 0 as expected, 1 different (each difference printed), 2 the file
cannot be read or ezdxf is missing.
"""
import json
import math
import sys

try:
    import ezdxf
except ImportError:
    print("python3-ezdxf is not installed", file=sys.stderr)
    sys.exit(2)


def close(a, b):
    return math.isclose(a, b, rel_tol=1e-12, abs_tol=1e-9)


def compare_point(problems, where, name, got, want):
    if len(want) != 3 or not all(close(g, w) for g, w in zip(got, want)):
        problems.append(f"{where}: {name} {tuple(got)} != {tuple(want)}")


def check(path, expected):
    try:
        doc = ezdxf.readfile(path)
    except Exception as e:  # noqa: BLE001 - any reader failure is the finding
        print(f"{path}: cannot be read: {e}", file=sys.stderr)
        return 2
    problems = []
    auditor = doc.audit()
    for err in auditor.errors:
        problems.append(f"audit error: {err.message}")
    if "encoding" in expected and doc.encoding != expected["encoding"]:
        problems.append(f"encoding {doc.encoding} != {expected['encoding']}")
    entities = list(doc.modelspace())
    want = expected["entities"]
    if len(entities) != len(want):
        problems.append(f"{len(entities)} entities, expected {len(want)}")
    layer_names = {layer.dxf.name for layer in doc.layers}
    for i, (e, w) in enumerate(zip(entities, want)):
        where = f"entity {i} ({e.dxftype()})"
        if e.dxftype() != w["type"]:
            problems.append(f"{where}: type {e.dxftype()} != {w['type']}")
            continue
        if e.dxf.layer != w["layer"]:
            problems.append(f"{where}: layer {e.dxf.layer} != {w['layer']}")
        if expected.get("layers_declared") and e.dxf.layer not in layer_names:
            problems.append(f"{where}: layer {e.dxf.layer} is not in the layer table")
        if w["type"] == "CIRCLE":
            compare_point(problems, where, "center", e.dxf.center, w["center"])
            if not close(e.dxf.radius, w["radius"]):
                problems.append(f"{where}: radius {e.dxf.radius} != {w['radius']}")
        elif w["type"] == "TEXT":
            compare_point(problems, where, "insert", e.dxf.insert, w["insert"])
            if e.dxf.text != w["text"]:
                problems.append(f"{where}: text {e.dxf.text!r} != {w['text']!r}")
            if not close(e.dxf.height, w["height"]):
                problems.append(f"{where}: height {e.dxf.height} != {w['height']}")
            if not close(e.dxf.get("rotation", 0.0), w["rotation"]):
                problems.append(f"{where}: rotation {e.dxf.get('rotation', 0.0)} != {w['rotation']}")
    for p in problems:
        print(f"{path}: {p}")
    return 1 if problems else 0


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(sys.argv[2], encoding="utf-8") as f:
        expected = json.load(f)
    return check(sys.argv[1], expected)


if __name__ == "__main__":
    sys.exit(main())
