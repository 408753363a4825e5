#!/usr/bin/python3
"""A local Lumora server: an FTP server (pyftpdlib) whose Corvane account has DIR as its home.

Listens on 127.0.0.1 (data connections too), prints "PORT <n>" once it accepts connections and
stops cleanly on SIGTERM or SIGINT, and with --exit-on-stdin-eof also when its standard input
is closed (so that it never outlives the test that started it).

    /usr/bin/python3 tools/lumora_server.py --root DIR [--user corvane] [--password secret]
        [--port 0] [--readonly-user NAME:PASSWORD] [--seed demo] [--exit-on-stdin-eof]
        [--tls-cert FILE --tls-key FILE] [--command-log FILE]

With --tls-cert and --tls-key the server also offers encrypted sessions (AUTH TLS, PBSZ, PROT);
clients that do not ask for them are served in clear text as before. --command-log appends one
line per received command: "<session> <COMMAND> tls=<0|1> prot=<0|1>", where tls tells whether
the control connection was encrypted when the command arrived and prot whether data
connections are protected (arguments are not logged, so no password is written).
"""

import argparse
import itertools
import logging
import os
import signal
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

DEMO_ACCOUNTS = [
    ("alice", "wonder", "Alice Liddell"),
    ("bob", "builder", "Bob Fixit"),
    ("carol", "c4rol", "Carol Singer"),
]
DEMO_CLASSES = ["cs101fall26", "hist200spring27", "math150winter26", "phys110summer26"]
# The smallest valid GIF image (1x1 pixel), for the demo lecture's slides.
TINY_GIF = bytes.fromhex(
    "47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b")
# The demo lecture, laid out as the program uploads one: class, lecture directory
# <month>.<day>.<year>.<session>, slide images, description (title LF, user LF, date CR LF),
# slide text and notes text (CR LF lines).
DEMO_LECTURE = ("cs101fall26", "Sep.14.2026.1")
DEMO_DESCRIPTION = b"Welcome\nalice\nMon Sep 14 10:00:00 EDT 2026\r\n"
DEMO_SLIDE_TEXT = [
    "<stml>",
    "<slide>", "<title>Welcome</title>",
    "<sentence>Introduction to Computer Science</sentence>",
    "<sentence>Fall 2026</sentence>", "</slide>",
    "<slide>", "<title>This week</title>",
    "<sentence>How the course works</sentence>",
    "<sentence>Your first program</sentence>", "</slide>",
    "</stml>",
]
DEMO_NOTES_TEXT = [
    "<ntml>",
    "<slide>", "<sentence>Greet the class and introduce the teaching assistants.</sentence>",
    "</slide>",
    "<slide>", "<sentence>Labs start next week.</sentence>", "</slide>",
    "</ntml>",
]


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def seed_tree(root, demo):
    """Creates the Lumora layout below root; with demo, accounts, classes and one lecture."""
    lumora = os.path.join(root, "lumora")
    os.makedirs(os.path.join(lumora, "admin"), exist_ok=True)
    os.makedirs(os.path.join(lumora, "classes"), exist_ok=True)
    if not demo:
        return
    lines = ["# Lumora accounts: user:password:name\n"]
    lines += ["%s:%s:%s\n" % a for a in DEMO_ACCOUNTS]
    write(os.path.join(lumora, "admin", "passwd"), "".join(lines).encode("ascii"))
    for name in DEMO_CLASSES:
        os.makedirs(os.path.join(lumora, "classes", name), exist_ok=True)
    lecture = os.path.join(lumora, "classes", *DEMO_LECTURE)
    for name in ("blank.gif", "Slide1.gif", "Slide2.gif"):
        write(os.path.join(lecture, name), TINY_GIF)
    write(os.path.join(lecture, "description"), DEMO_DESCRIPTION)
    for name, lines in (("extract.stml", DEMO_SLIDE_TEXT), ("extract.ntml", DEMO_NOTES_TEXT)):
        text = "".join(line + "\r\n" for line in lines)
        write(os.path.join(lecture, name), text.encode("cp1252"))


def make_authorizer(args, root):
    """The Corvane account (and the read-only ones) of the arguments, with root as home."""
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, root, perm="elradfmwMT")
    for entry in args.readonly_user:
        name, _, password = entry.partition(":")
        authorizer.add_user(name, password, root, perm="elr")
    return authorizer


def serve(handler, authorizer, args):
    """Serves with handler on args.host and args.port, prints "PORT <n>" once listening, and
    returns 0 on SIGTERM or SIGINT (or, with --exit-on-stdin-eof, when standard input closes)."""
    handler.authorizer = authorizer
    handler.banner = "Lumora FTP server ready."
    handler.permit_foreign_addresses = False
    server = FTPServer((args.host, args.port), handler)
    server.max_cons = 256

    def stop(_signum, _frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.exit_on_stdin_eof:
        def watch_stdin():
            try:
                while os.read(0, 4096):
                    pass
            finally:
                os.kill(os.getpid(), signal.SIGTERM)
        threading.Thread(target=watch_stdin, daemon=True).start()

    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever(handle_exit=False)
    except SystemExit:
        pass
    finally:
        server.close_all()
    return 0


def parse_args(argv):
    p = argparse.ArgumentParser(description="Local Lumora FTP server")
    p.add_argument("--root", required=True, help="home directory of the FTP account")
    p.add_argument("--user", default="corvane")
    p.add_argument("--password", default="secret")
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0, help="0 picks a free port")
    p.add_argument("--readonly-user", action="append", default=[], metavar="NAME:PASSWORD",
                   help="an extra account that may only list and download")
    p.add_argument("--seed", choices=["none", "layout", "demo"], default="layout",
                   help="layout: lumora/admin and lumora/classes; demo: plus accounts, classes and "
                   "the lecture cs101fall26/Sep.14.2026.1")
    p.add_argument("--exit-on-stdin-eof", action="store_true")
    p.add_argument("--verbose", action="store_true", help="log every command on stderr")
    p.add_argument("--tls-cert", metavar="FILE", help="PEM certificate: offer AUTH TLS")
    p.add_argument("--tls-key", metavar="FILE", help="PEM private key of --tls-cert")
    p.add_argument("--command-log", metavar="FILE",
                   help="append each received command (name only) with its TLS state")
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    logging.basicConfig(level=logging.INFO if args.verbose else logging.WARNING,
                        format="lumora_server: %(message)s")
    root = os.path.abspath(args.root)
    os.makedirs(root, exist_ok=True)
    if args.seed != "none":
        seed_tree(root, args.seed == "demo")

    authorizer = make_authorizer(args, root)

    if bool(args.tls_cert) != bool(args.tls_key):
        print("--tls-cert and --tls-key go together", file=sys.stderr)
        return 2
    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler

        class DataHandler(TLS_DTPHandler):
            # A client may start the data connection's TLS handshake before it sends the
            # transfer command (curl does). pyftpdlib would take the early ClientHello for a
            # closed connection and drop it, so the channel stays readable while handshaking.
            def readable(self):
                if self._ssl_accepting or self._ssl_want_read:
                    return True
                return super().readable()

        base = TLS_FTPHandler
    command_log = open(args.command_log, "a", buffering=1) if args.command_log else None

    sessions = itertools.count(1)

    class Handler(base):
        def pre_process_command(self, line, cmd, arg):
            if command_log:
                if not hasattr(self, "_log_session"):
                    self._log_session = next(sessions)
                command_log.write("%d %s tls=%d prot=%d\n" % (
                    self._log_session, cmd, bool(getattr(self, "_ssl_established", False)),
                    bool(getattr(self, "_prot", False))))
            return super().pre_process_command(line, cmd, arg)

    if args.tls_cert:
        Handler.dtp_handler = DataHandler
        Handler.certfile = os.path.abspath(args.tls_cert)
        Handler.keyfile = os.path.abspath(args.tls_key)
        Handler.get_ssl_context()  # an unusable certificate or key fails here, at start
    return serve(Handler, authorizer, args)

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
