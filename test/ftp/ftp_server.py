#!/usr/bin/python3
"""Anonymous FTP servers on loopback for the transfer tests (Debian's pyftpdlib).

ftp_server.py ROOT PORTFILE: serves ROOT read-only on two ports of 127.0.0.1 chosen
by the system, written to PORTFILE as "anon PORT" and "noanon PORT" lines:
  anon   anonymous users are welcome; a file whose name starts with "early-close"
         breaks off after its first 64 KiB (the server answers 426);
  noanon no anonymous login (the login is refused with 530).
Stops on SIGTERM.
"""
import os
import signal
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.ioloop import IOLoop
from pyftpdlib.servers import FTPServer


class BreakingFile:
    """A file that fails after its first 64 KiB have been read."""

    def __init__(self, f):
        self._f, self._left = f, 64 * 1024

    def read(self, size=-1):
        if self._left <= 0:
            raise OSError("transfer broken off on purpose")
        data = self._f.read(min(size if size > 0 else self._left, self._left))
        self._left -= len(data)
        return data

    def __getattr__(self, name):
        return getattr(self._f, name)


class BreakingFS(AbstractedFS):
    def open(self, filename, mode):
        f = super().open(filename, mode)
        if os.path.basename(filename).startswith("early-close"):
            return BreakingFile(f)
        return f


def main():
    root, portfile = sys.argv[1], sys.argv[2]
    ioloop = IOLoop.instance()

    anon = DummyAuthorizer()
    anon.add_anonymous(root)
    welcome = type("Anon", (FTPHandler,), {"authorizer": anon, "abstracted_fs": BreakingFS})

    closed = DummyAuthorizer()
    closed.add_user("someone", "secret", root)
    refusing = type("NoAnon", (FTPHandler,), {"authorizer": closed, "auth_failed_timeout": 0})

    servers = {"anon": FTPServer(("127.0.0.1", 0), welcome, ioloop=ioloop),
               "noanon": FTPServer(("127.0.0.1", 0), refusing, ioloop=ioloop)}
    with open(portfile + ".part", "w") as f:
        for name, server in servers.items():
            f.write("%s %d\n" % (name, server.address[1]))
    os.rename(portfile + ".part", portfile)

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    ioloop.loop()


if __name__ == "__main__":
    main()
