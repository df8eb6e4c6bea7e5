"""HTTP/1.0 server for the network tests: serves ROOT on 127.0.0.1 and prints its port.

Besides the files of ROOT it answers these paths:
  /nolength   100000 bytes without a Content-Length line
  /redirect   302 to /echo on the host name "localhost", setting a cookie
  /relative   302 to the relative address /echo
  /loop       302 to itself, for ever
  /missing    404 with a page of its own
  /stall      a header and 10 bytes of a promised 1000, then silence
  /echo       the request line and header lines as the server received them
              (also a whole address ending in /echo, as a proxy receives it)
  /headonly   a status line and one header line, then the server closes (no empty line)
  /endless    header lines without end
  /reset      a header and part of the content, then the connection is reset
  /raw?HEX    the hex-decoded bytes as the status line, then a header and the content "body"
  .../goto?L  302 to the location L (percent-decoded), relative or not
  /trickle    a header promising 600 bytes, then one byte every 0.1 s (a minute at most)
  /trickle-header   a status line, then a header line one byte every 0.1 s
  /endless-status        a status line without end
  /endless-header-line   a status line, then a header line without end
  /endless-body          a header without Content-Length, then content without end
  /silent     nothing at all for a minute, then the server closes
"""
import http.server
import socket
import struct
import sys
import time
import urllib.parse

TRICKLE_BYTES = 600
TRICKLE_PAUSE = 0.1
# "Without end" stops here, or when the client goes.
ENDLESS_BYTES = 4 << 30
SILENCE_SECONDS = 60


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):
        pass

    def reply(self, status, body, headers=(), length=True):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def trickle(self, data):
        try:
            for value in data[:TRICKLE_BYTES]:
                self.wfile.write(bytes([value]))
                self.wfile.flush()
                time.sleep(TRICKLE_PAUSE)
        except OSError:
            pass
        self.close_connection = True

    def endless(self, start, piece):
        """Sends start, then piece after piece until the client goes (at most 4 GiB)."""
        try:
            self.wfile.write(start)
            for _ in range(ENDLESS_BYTES // len(piece)):
                self.wfile.write(piece)
        except OSError:
            pass
        self.close_connection = True

    def do_GET(self):
        port = self.server.server_address[1]
        address = urllib.parse.urlsplit(self.path)
        if address.path == "/raw":
            self.wfile.write(bytes.fromhex(address.query) + b"\r\nContent-Length: 4\r\n\r\nbody")
            self.close_connection = True
        elif address.path.endswith("/goto"):
            self.reply(302, b"moved", [("Location", urllib.parse.unquote(address.query))])
        elif self.path == "/trickle":
            self.send_response(200)
            self.send_header("Content-Length", str(TRICKLE_BYTES))
            self.end_headers()
            self.trickle(b"t" * TRICKLE_BYTES)
        elif self.path == "/trickle-header":
            self.wfile.write(b"HTTP/1.0 200 OK\r\n")
            self.trickle(b"X-Slow: " + b"s" * TRICKLE_BYTES)
        elif self.path == "/nolength":
            self.reply(200, b"n" * 100000, length=False)
        elif self.path == "/redirect":
            self.reply(302, b"moved", [("Location", "http://localhost:%d/echo" % port),
                                        ("Set-Cookie", "session=abc")])
        elif self.path == "/relative":
            self.reply(302, b"moved", [("Location", "/echo")])
        elif self.path == "/loop":
            self.reply(302, b"again", [("Location", "http://127.0.0.1:%d/loop" % port)])
        elif self.path == "/missing":
            self.reply(404, b"<html><body>No such file</body></html>")
        elif self.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "1000")
            self.end_headers()
            self.wfile.write(b"s" * 10)
            self.wfile.flush()
            time.sleep(60)
        elif self.path == "/headonly":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nX-Note: no empty line follows\r\n")
            self.close_connection = True
        elif self.path == "/endless":
            self.send_response(200)
            self.flush_headers()
            line = b"X-Filler: " + b"f" * 1000 + b"\r\n"
            try:
                for _ in range(1000000):
                    self.wfile.write(line)
            except OSError:
                pass
            self.close_connection = True
        elif self.path == "/endless-status":
            self.endless(b"HTTP/1.0 200 ", b"s" * 4096)
        elif self.path == "/endless-header-line":
            self.endless(b"HTTP/1.0 200 OK\r\nX-Long: ", b"h" * 4096)
        elif self.path == "/endless-body":
            self.endless(b"HTTP/1.0 200 OK\r\n\r\n", b"b" * 65536)
        elif self.path == "/silent":
            time.sleep(SILENCE_SECONDS)
            self.close_connection = True
        elif self.path == "/reset":
            self.send_response(200)
            self.end_headers()
            self.wfile.write(b"r" * 50000)
            self.wfile.flush()
            time.sleep(0.2)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.connection.close()
            self.close_connection = True
        elif self.path.endswith("/echo"):
            text = self.requestline + "\r\n" + "".join(
                "%s: %s\r\n" % (name, value) for name, value in self.headers.items())
            self.reply(200, text.encode("latin-1"))
        else:
            super().do_GET()


def main():
    root = sys.argv[1]
    handler = lambda *a, **k: Handler(*a, directory=root, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
