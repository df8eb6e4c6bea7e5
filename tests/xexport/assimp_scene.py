#!/usr/bin/env python3
"""Reads an assimp JSON dump (assjson) and prints, one line each, tab-separated:
  node NAME PARENT          (PARENT empty for the root)
  animation TICKS_PER_SECOND CHANNELS
  channel NAME FIRST_KEY_ERROR
where FIRST_KEY_ERROR is the largest difference between the node's transformation
and the matrix of the channel's first position, rotation and scaling keys."""
import json
import sys


def key_matrix(position, rotation, scaling):
    w, x, y, z = rotation
    rot = [[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
           [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
           [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]]
    rows = [[rot[r][c] * scaling[c] for c in range(3)] + [position[r]] for r in range(3)]
    return [v for row in rows for v in row] + [0, 0, 0, 1]


def main():
    scene = json.load(open(sys.argv[1]))
    transforms = {}
    stack = [(scene["rootnode"], "")]
    while stack:
        node, parent = stack.pop()
        print("node\t%s\t%s" % (node["name"], parent))
        transforms[node["name"]] = node["transformation"]
        for child in reversed(node.get("children", [])):
            stack.append((child, node["name"]))
    for animation in scene.get("animations", []):
        print("animation\t%g\t%d" % (animation["tickspersecond"], len(animation["channels"])))
        for channel in animation["channels"]:
            first = key_matrix(channel["positionkeys"][0][1], channel["rotationkeys"][0][1],
                               channel["scalingkeys"][0][1])
            error = max(abs(a - b) for a, b in zip(first, transforms[channel["name"]]))
            print("channel\t%s\t%g" % (channel["name"], error))


main()
