#!/usr/bin/env python3
# Writes the keyframer shapes that fuzz_3ds starts from into fuzz/seeds/3ds/:
# cameras aimed at a target at the end of a chain of nodes, nodes that place
# one mesh, alike or each its own way, and stored cameras and lights (omni, spot,
# with every optional part and values past any sense) with their keyframer nodes. Small versions: the fuzzer grows them.
#     python3 fuzz/make_3ds_seeds.py
import os
import struct


class Chunks:
    def __init__(self):
        self.bytes = bytearray()
        self.open = []

    def begin(self, tag):
        self.open.append(len(self.bytes))
        self.bytes += struct.pack('<HI', tag, 0)

    def end(self):
        start = self.open.pop()
        struct.pack_into('<I', self.bytes, start + 2, len(self.bytes) - start)

    def put(self, layout, *values):
        self.bytes += struct.pack('<' + layout, *values)

    def text(self, value):
        self.bytes += (value if isinstance(value, bytes) else value.encode()) + b'\0'


def strip_mesh(w, name, vertices):
    w.begin(0x4000); w.text(name); w.begin(0x4100)
    w.begin(0x4110); w.put('H', vertices)
    for i in range(vertices):
        w.put('fff', i // 2, i % 2, 0)
    w.end()
    w.begin(0x4120); w.put('H', vertices - 2)
    for i in range(vertices - 2):
        w.put('HHHH', i, i + 1, i + 2, 0)
    w.end()
    w.end(); w.end()


def node(w, tag, id, name, parent=-1, instance='', pivot=None, at=(0, 0, 0)):
    w.begin(tag)
    w.begin(0xB030); w.put('h', id); w.end()
    w.begin(0xB010); w.text(name); w.put('HHh', 0, 0, parent); w.end()
    if instance:
        w.begin(0xB011); w.text(instance); w.end()
    if pivot is not None:
        w.begin(0xB013); w.put('fff', *pivot); w.end()
    w.begin(0xB020); w.put('HIII', 0, 0, 0, 1); w.put('IH', 0, 0); w.put('fff', *at); w.end()
    w.end()


def camera(w, name, values, ranges):
    w.begin(0x4000); w.text(name); w.begin(0x4700); w.put('8f', *values)
    w.begin(0x4720); w.put('ff', *ranges); w.end()
    w.end(); w.end()


def light(w, name, position, spot=None):
    w.begin(0x4000); w.text(name); w.begin(0x4600); w.put('fff', *position)
    w.begin(0x0010); w.put('fff', 1, 0.5, 2); w.end()
    w.begin(0x4625); w.end()
    for tag, value in [(0x465B, 2.0), (0x4659, 1.0), (0x465A, 50.0)]:
        w.begin(tag); w.put('f', value); w.end()
    if spot is not None:
        w.begin(0x4610); w.put('5f', *spot)
        w.begin(0x4656); w.put('f', 15); w.end()
        w.end()
    w.end(); w.end()


def cameras_and_lights(w):
    nan, inf = float('nan'), float('inf')
    camera(w, 'Camera', (0, -10, 2, 0, 0, 2, 30, 50), (1, 500))
    camera(w, 'Wild', (nan, 0, inf, 0, -inf, 0, nan, 0), (nan, -1))
    light(w, 'Omni', (1, 2, 3))
    light(w, '\u30e9\u30a4\u30c8'.encode('cp932'), (0, 0, 9), (0, 0, 0, 20, 40))
    light(w, 'Beam', (5, 5, 5), (nan, 0, 0, inf, -inf))


def model(vertices, nodes, scene_extra=None):
    w = Chunks()
    w.begin(0x4D4D)
    w.begin(0x3D3D); strip_mesh(w, 'Strip', vertices)
    if scene_extra is not None:
        scene_extra(w)
    w.end()
    w.begin(0xB000)
    w.begin(0xB008); w.put('II', 0, 20); w.end()
    w.begin(0xB009); w.put('I', 0); w.end()
    for arguments in nodes:
        node(w, **arguments)
    w.end()
    w.end()
    return bytes(w.bytes)


def camera_target_chain(depth, cameras):
    nodes = [dict(tag=0xB002, id=i, name='Strip' if i == depth - 1 else '$$$DUMMY', parent=i - 1,
                  instance='' if i == depth - 1 else 'Link%d' % i, at=(1, 0, 0)) for i in range(depth)]
    nodes += [dict(tag=0xB003, id=depth + i, name='Camera', at=(0, i, 5)) for i in range(cameras)]
    nodes.append(dict(tag=0xB004, id=depth + cameras, name='Camera', parent=depth - 1))
    return model(3, nodes)


def cameras_lights_nodes():
    nodes = [dict(tag=0xB002, id=0, name='Strip'), dict(tag=0xB003, id=1, name='Camera', at=(0, -10, 2)),
             dict(tag=0xB004, id=2, name='Camera', parent=0), dict(tag=0xB005, id=3, name='Omni', parent=1),
             dict(tag=0xB007, id=4, name='Beam', parent=3), dict(tag=0xB006, id=5, name='Beam', parent=4)]
    return model(3, nodes, cameras_and_lights)


def mesh_copies(count, vertices, alike):
    return model(vertices, [dict(tag=0xB002, id=i, name='Strip', pivot=(0 if alike else i, 0, 0), at=(i, 0, 0))
                            for i in range(count)])


folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'seeds', '3ds')
os.makedirs(folder, exist_ok=True)
for name, data in [('camera-target-chain.3ds', camera_target_chain(40, 20)),
                   ('mesh-copies-alike.3ds', mesh_copies(30, 40, True)),
                   ('mesh-copies-apart.3ds', mesh_copies(30, 40, False)),
                   ('cameras-lights.3ds', cameras_lights_nodes())]:
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)
