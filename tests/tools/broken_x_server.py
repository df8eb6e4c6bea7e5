#!/usr/bin/env python3
"""An X display that goes away while a program starts: it takes one connection,
answers GetInputFocus on it (closing it at any other request), and then stops
listening, so the program's next connection is refused.
Listens on 127.0.0.1 at the port of the first free display number from 40
(port 6000 + the number) and prints the port."""
import socket
import struct
import sys
import threading


def read_exactly(client, count):
    data = b""
    while len(data) < count:
        chunk = client.recv(count - len(data))
        if not chunk:
            raise ConnectionError
        data += chunk
    return data


def serve(client):
    pad = lambda n: (4 - n % 4) % 4
    try:
        request = read_exactly(client, 12)
        name_length, data_length = struct.unpack("<HH", request[6:10])
        read_exactly(client, name_length + pad(name_length) + data_length + pad(data_length))
        # Success, protocol 11.0: no vendor or formats, one screen without depths.
        screen = struct.pack("<IIIIIHHHHHHIBBBB", 0x100, 0x20, 0xFFFFFF, 0, 0, 640, 480, 170, 130, 1, 1, 0x21,
                             0, 0, 24, 0)
        extra = struct.pack("<IIIIHHBBBBBBBB4x", 0, 0x200000, 0x1FFFFF, 0, 0, 0xFFFF, 1, 0, 0, 0, 32, 32, 8,
                            255) + screen
        client.sendall(struct.pack("<BxHHH", 1, 11, 0, len(extra) // 4) + extra)
        # GetInputFocus is answered; any other request ends the connection.
        sequence = 0
        while True:
            opcode, _, length = struct.unpack("<BBH", read_exactly(client, 4))
            read_exactly(client, max(length, 1) * 4 - 4)
            sequence += 1
            if opcode != 43:
                return
            client.sendall(struct.pack("<BBHII20x", 1, 0, sequence, 0, 0))
    except ConnectionError:
        pass
    finally:
        client.close()


def listen():
    for display in range(40, 100):
        server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        try:
            server.bind(("127.0.0.1", 6000 + display))
        except OSError:
            server.close()
            continue
        server.listen(8)
        return server
    sys.exit("no free display number")


def main():
    server = listen()
    print(server.getsockname()[1], flush=True)
    client, _ = server.accept()
    serve(client)
    server.close()
    threading.Event().wait()


main()
