"""A local FTP server for the update tests.

Serves one folder to one account on 127.0.0.1, on a free port that it picks
itself and prints as "PORT <number>" on standard output once it listens. The
options make it misbehave in the ways a real server can:

  --size-reply TEXT   answer every SIZE with this reply ("213 0", "502 ...")
  --retr drop         send half of the file, then close both connections
  --retr short        send half of the file and report success
  --retr stall        send half of the file, then keep the data connection
                      open and silent
  --retr noconfirm    send the whole file and close the data connection, but
                      never confirm the transfer on the control connection
  --throttle BYTES    send at most BYTES per second on data connections
  --list drop         close the connection when asked for a listing
  --list endless      answer a listing with lines that never end

"LIST <pattern>" matches the pattern against the names, case-sensitively, as
common Unix servers do.
"""

import argparse
import fnmatch
import glob
import logging
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import BufferedIteratorProducer, DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


class StallingDTPHandler(DTPHandler):
    """Sends what RETR gave it and then neither sends nor closes."""

    def close_when_done(self):
        if self.cmd != "RETR":
            super().close_when_done()


def endless_listing():
    number = 0
    while True:
        lines = []
        for _ in range(100):
            number += 1
            lines.append("-rw-r--r--   1 owner group   1234 Jan 01 12:00 file%09d.exe\r\n" % number)
        yield "".join(lines).encode()


def make_handler(options):
    class Handler(FTPHandler):
        _drop_on_reply = False
        _swallow_reply = False

        def ftp_LIST(self, path):
            if options.list == "drop":
                self.close()
                return
            if options.list == "endless":
                producer = BufferedIteratorProducer(endless_listing())
                self.push_dtp_data(producer, isproducer=True, cmd="LIST")
                return path
            folder, pattern = os.path.split(path)
            if not glob.has_magic(pattern):
                return super().ftp_LIST(path)
            names = sorted(name for name in os.listdir(folder)
                           if fnmatch.fnmatchcase(name, pattern))
            producer = BufferedIteratorProducer(self.fs.format_list(folder, names))
            self.push_dtp_data(producer, isproducer=True, cmd="LIST")
            return path

        def ftp_SIZE(self, path):
            if options.size_reply:
                self.respond(options.size_reply)
                return
            super().ftp_SIZE(path)

        def ftp_RETR(self, file):
            if options.retr == "normal":
                return super().ftp_RETR(file)
            if options.retr == "noconfirm":
                self._swallow_reply = True
                return super().ftp_RETR(file)
            with open(file, "rb") as f:
                data = f.read()
            self._drop_on_reply = options.retr == "drop"
            self.push_dtp_data(data[: len(data) // 2], cmd="RETR")
            return file

        def respond(self, resp, logfun=logging.debug):
            if self._swallow_reply and resp.startswith("226"):
                self._swallow_reply = False
                return
            if self._drop_on_reply and resp.startswith("226"):
                self._drop_on_reply = False
                self.close()
                return
            super().respond(resp, logfun)

    if options.retr == "stall":
        Handler.dtp_handler = StallingDTPHandler
    elif options.throttle:
        class Throttled(ThrottledDTPHandler):
            write_limit = options.throttle
        Handler.dtp_handler = Throttled
    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--size-reply", default="")
    parser.add_argument("--retr", choices=["normal", "drop", "short", "stall", "noconfirm"], default="normal")
    parser.add_argument("--throttle", type=int, default=0)
    parser.add_argument("--list", choices=["normal", "drop", "endless"], default="normal")
    parser.add_argument("--verbose", action="store_true")
    # The port goes into this file (whole, by a rename), and the server ends
    # once the file is gone; without it, the port is printed.
    parser.add_argument("--port-file", default="")
    options = parser.parse_args()

    logging.basicConfig(level=logging.DEBUG if options.verbose else logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(options.user, options.password, options.root, perm="elr")
    handler = make_handler(options)
    handler.authorizer = authorizer
    handler.passive_ports = None
    # A refused log-in is answered at once, not after the usual pause.
    handler.auth_failed_timeout = 0
    server = FTPServer(("127.0.0.1", 0), handler)
    port_line = "PORT %d\n" % server.socket.getsockname()[1]
    if not options.port_file:
        print(port_line, end="", flush=True)
        server.serve_forever(handle_exit=True)
        return
    with open(options.port_file + ".new", "w") as f:
        f.write(port_line)
    os.replace(options.port_file + ".new", options.port_file)
    try:
        while os.path.exists(options.port_file):
            server.serve_forever(timeout=0.2, blocking=False, handle_exit=False)
    finally:
        server.close_all()


if __name__ == "__main__":
    sys.exit(main())
