#!/usr/bin/env python3
# Writes the keyframer shapes that fuzz_3ds starts from into fuzz/seeds/3ds/:
# cameras aimed at a target at the end of a chain of nodes, and nodes that place
# one mesh, alike or each its own way. Small versions: the fuzzer grows them.
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
        self.bytes += value.encode() + b'\0'


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


def model(vertices, nodes):
    w = Chunks()
    w.begin(0x4D4D)
    w.begin(0x3D3D); strip_mesh(w, 'Strip', vertices); w.end()
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


def mesh_copies(count, vertices, alike):
    return model(vertices, [dict(tag=0xB002, id=i, name='Strip', pivot=(0 if alike else i, 0, 0), at=(i, 0, 0))
                            for i in range(count)])


folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'seeds', '3ds')
os.makedirs(folder, exist_ok=True)
for name, data in [('camera-target-chain.3ds', camera_target_chain(40, 20)),
                   ('mesh-copies-alike.3ds', mesh_copies(30, 40, True)),
                   ('mesh-copies-apart.3ds', mesh_copies(30, 40, False))]:
    with open(os.path.join(folder, name), 'wb') as out:
        out.write(data)
