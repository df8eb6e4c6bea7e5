"""A scripted FTP server for replies a real server seldom gives: serves 127.0.0.1,
prints its port, and answers each command with a fixed reply.

Arguments of the form COMMAND=REPLY replace the reply to COMMAND (for example
"USER=230 Logged in." or "QUIT=500 No."). With --reset-listing the data connection of
a listing is reset after its lines instead of closed; with --abort-listing the server
sends "426" on the control connection and holds the data connection open. With
--trickle-greeting or --trickle-listing the greeting or the listing is sent one byte
every 0.1 s. With --log=FILE every command line received is appended to FILE.

Hostile forms: --silent accepts and says nothing for a minute; --endless-greeting
sends "220-" lines without end; --long-greeting sends a greeting line without end;
--listing-entries=N lists N files; --long-listing-line sends a listing line without end.
"""
import socket
import struct
import sys
import time

LISTING = [
    b"drwxr-xr-x   2 user group     4096 Dec  7 08:10 models\r\n",
    b"-rw-r--r--   1 user group     2048 Dec  7 08:10 box.3ds\r\n",
]

REPLIES = {
    "USER": "331 Password required.",
    "PASS": "230 Logged in.",
    "SYST": "215 UNIX Type: L8",
    "PWD": '257 "/" is the current directory.',
    "CWD": "250 Folder changed.",
    "PORT": "200 PORT command successful.",
    "LIST": "150 Opening data connection.",
    "QUIT": "221 Goodbye.",
}


OPTIONS = {}
TRICKLE_PAUSE = 0.1
# "Without end" stops here, or when the client goes.
ENDLESS_BYTES = 4 << 30
SILENCE_SECONDS = 60


def endless(connection, start, piece):
    connection.sendall(start)
    for _ in range(ENDLESS_BYTES // len(piece)):
        connection.sendall(piece)


def listing():
    if "--long-listing-line" in OPTIONS:
        return None
    if "--listing-entries" in OPTIONS:
        count = int(OPTIONS["--listing-entries"])
        return b"".join(b"-rw-r--r--   1 user group     2048 Dec  7 08:10 model%06d.3ds\r\n" % i
                        for i in range(count))
    return b"".join(LISTING)


def trickle(connection, data):
    for value in data:
        connection.sendall(bytes([value]))
        time.sleep(TRICKLE_PAUSE)


def send(control, text):
    control.sendall(text.encode("latin-1") + b"\r\n")


def log(line):
    if "--log" in OPTIONS:
        with open(OPTIONS["--log"], "a", encoding="latin-1") as file:
            file.write(line + "\n")


def list_folder(control, port_address, reset, abort):
    numbers = [int(n) for n in port_address.split(",")]
    host = ".".join(str(n) for n in numbers[:4])
    if host != "127.0.0.1":
        send(control, "501 Loopback only.")
        return
    send(control, REPLIES["LIST"])
    data = socket.create_connection((host, numbers[4] * 256 + numbers[5]))
    lines = listing()
    if lines is None:
        endless(data, b"-rw-r--r--   1 user group     2048 Dec  7 08:10 ", b"n" * 65536)
    elif "--trickle-listing" in OPTIONS:
        trickle(data, lines)
    else:
        data.sendall(lines)
    if abort:
        send(control, "426 Connection closed; transfer aborted.")
        time.sleep(5)
    if reset:
        data.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    data.close()
    send(control, "226 Transfer complete.")


def serve(control, reset, abort):
    greeting = "220 Scripted server ready."
    if "--silent" in OPTIONS:
        time.sleep(SILENCE_SECONDS)
        return
    if "--endless-greeting" in OPTIONS:
        endless(control, b"", b"220-Welcome, and more to come.\r\n" * 64)
    if "--long-greeting" in OPTIONS:
        endless(control, b"220 ", b"g" * 65536)
    if "--trickle-greeting" in OPTIONS:
        trickle(control, greeting.encode("latin-1") + b"\r\n")
    else:
        send(control, greeting)
    reader = control.makefile("rb")
    port_address = None
    for raw in reader:
        line = raw.decode("latin-1").rstrip("\r\n")
        log(line)
        command, _, argument = line.partition(" ")
        command = command.upper()
        if command == "PORT":
            port_address = argument
        if command == "LIST" and port_address and REPLIES["LIST"][0] in "12":
            list_folder(control, port_address, reset, abort)
        else:
            send(control, REPLIES.get(command, "502 Command not implemented."))
        if command == "QUIT":
            break


def main():
    reset = "--reset-listing" in sys.argv[1:]
    abort = "--abort-listing" in sys.argv[1:]
    for argument in sys.argv[1:]:
        if argument.startswith("--"):
            name, _, value = argument.partition("=")
            OPTIONS[name] = value
        elif "=" in argument:
            command, reply = argument.split("=", 1)
            REPLIES[command.upper()] = reply
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    print(listener.getsockname()[1], flush=True)
    while True:
        control, _ = listener.accept()
        with control:
            try:
                serve(control, reset, abort)
            except OSError:
                pass


if __name__ == "__main__":
    sys.exit(main())
