#!/usr/bin/env python3
"""Reads an assimp JSON dump (assjson) and prints, one line each, tab-separated:
  node NAME PARENT          (PARENT empty for the root)
  animation TICKS_PER_SECOND CHANNELS
  channel NAME FIRST_KEY_ERROR
  point TICK NODE X Y Z     (for every TICK given after the dump)
where FIRST_KEY_ERROR is the largest difference between the node's transformation
and the matrix of the channel's first position, rotation and scaling keys, and a
point is a vertex of a mesh of the node where the first animation puts it at TICK:
keys interpolated linearly (rotations spherically), matrices composed down the
nodes, and the reader's mirroring of z into its right-handed axes undone."""
import json
import math
import sys


def key_matrix(position, rotation, scaling):
    w, x, y, z = rotation
    rot = [[1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)],
           [2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)],
           [2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)]]
    rows = [[rot[r][c] * scaling[c] for c in range(3)] + [position[r]] for r in range(3)]
    return [v for row in rows for v in row] + [0, 0, 0, 1]


def multiply(a, b):
    return [sum(a[4 * r + k] * b[4 * k + c] for k in range(4)) for r in range(4) for c in range(4)]


def slerp(a, b, t):
    dot = sum(p * q for p, q in zip(a, b))
    if dot < 0:
        b, dot = [-q for q in b], -dot
    if dot > 0.9999:
        wa, wb = 1 - t, t
    else:
        angle = math.acos(min(dot, 1.0))
        wa, wb = math.sin((1 - t) * angle) / math.sin(angle), math.sin(t * angle) / math.sin(angle)
    q = [wa * p + wb * r for p, r in zip(a, b)]
    length = math.sqrt(sum(v * v for v in q))
    return [v / length for v in q]


def lerp(a, b, t):
    return [p + (q - p) * t for p, q in zip(a, b)]


def at(keys, tick, blend):
    if tick <= keys[0][0]:
        return keys[0][1]
    for (t0, v0), (t1, v1) in zip(keys, keys[1:]):
        if tick <= t1:
            return blend(v0, v1, (tick - t0) / (t1 - t0))
    return keys[-1][1]


def print_points(scene, channels, tick):
    stack = [(scene["rootnode"], [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1])]
    while stack:
        node, above = stack.pop()
        channel = channels.get(node["name"])
        local = node["transformation"]
        if channel is not None:
            local = key_matrix(at(channel["positionkeys"], tick, lerp), at(channel["rotationkeys"], tick, slerp),
                               at(channel["scalingkeys"], tick, lerp))
        world = multiply(above, local)
        for mesh in node.get("meshes", []):
            vertices = scene["meshes"][mesh]["vertices"]
            for i in range(0, len(vertices), 3):
                p = [sum(world[4 * r + c] * v for c, v in enumerate(vertices[i:i + 3])) + world[4 * r + 3]
                     for r in range(3)]
                print("point\t%g\t%s\t%.9g\t%.9g\t%.9g" % (tick, node["name"], p[0], p[1], -p[2]))
        for child in node.get("children", []):
            stack.append((child, world))


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
    animations = scene.get("animations", [])
    channels = {c["name"]: c for c in animations[0]["channels"]} if animations else {}
    for tick in sys.argv[2:]:
        print_points(scene, channels, float(tick))


main()
