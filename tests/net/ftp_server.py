"""FTP server for the network tests: serves ROOT on 127.0.0.1 and prints its port.

Options shape the server's behaviour for one test each:
  --user NAME:PASSWORD   a named account besides the anonymous one
  --dos                  DOS-style listing lines and a "215 Windows_NT" system reply
  --long-greeting        a greeting of several lines
  --blank-line           a blank line at the top of every listing
  --no-final-newline     the last listing line ends without its line end
  --silent-noop          NOOP gets no reply; a second later the server sends 421 and closes
"""
import argparse
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class DosFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        for name in listing:
            st = os.stat(os.path.join(basedir, name))
            stamp = time.strftime("%m-%d-%y  %I:%M%p", time.localtime(st.st_mtime))
            if os.path.isdir(os.path.join(basedir, name)):
                line = "%s       <DIR>          %s\r\n" % (stamp, name)
            else:
                line = "%s %20d %s\r\n" % (stamp, st.st_size, name)
            yield line.encode("utf8")


class BlankLineFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        yield b"\r\n"
        yield from super().format_list(basedir, listing, ignore_err)


class NoFinalNewlineFS(AbstractedFS):
    def format_list(self, basedir, listing, ignore_err=True):
        lines = list(super().format_list(basedir, listing, ignore_err))
        if lines:
            lines[-1] = lines[-1].rstrip(b"\r\n")
        yield from lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("--user")
    parser.add_argument("--dos", action="store_true")
    parser.add_argument("--long-greeting", action="store_true")
    parser.add_argument("--blank-line", action="store_true")
    parser.add_argument("--no-final-newline", action="store_true")
    parser.add_argument("--silent-noop", action="store_true")
    args = parser.parse_args()
    logging.basicConfig(level=logging.ERROR)

    authorizer = DummyAuthorizer()
    authorizer.add_anonymous(args.root)
    if args.user:
        name, password = args.user.split(":", 1)
        authorizer.add_user(name, password, args.root, perm="elr")

    class Handler(FTPHandler):
        def ftp_SYST(self, line):
            if args.dos:
                self.respond("215 Windows_NT")
            else:
                super().ftp_SYST(line)

        def ftp_NOOP(self, line):
            if not args.silent_noop:
                super().ftp_NOOP(line)
                return

            def close():
                self.respond("421 Service not available, closing control connection.")
                self.close_when_done()
            self.ioloop.call_later(1, close)

    Handler.authorizer = authorizer
    if args.dos:
        Handler.abstracted_fs = DosFS
    if args.blank_line:
        Handler.abstracted_fs = BlankLineFS
    if args.no_final_newline:
        Handler.abstracted_fs = NoFinalNewlineFS
    if args.long_greeting:
        Handler.banner = "Korvane test server\r\n220-A greeting of several lines, " \
                         "long enough to be sent as a continued reply."

    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
