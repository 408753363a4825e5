#!/usr/bin/python3
"""A local Lumora server that misbehaves on request: the FTP server of tools/lumora_server.py
(pyftpdlib, same arguments, same tree) whose answers to chosen commands can be refused, held
back forever, delayed, garbled, cut short or falsely acknowledged, so that tests can put the
program through every way a server or a network lets it down.

    /usr/bin/python3 tests/support/fault_ftp_server.py --root DIR [--user corvane]
        [--password secret] [--port 0] [--readonly-user NAME:PASSWORD] [--seed layout]
        [--exit-on-stdin-eof] [--rules FILE] [--command-log FILE] [--tools-dir DIR]

--rules names a JSON file holding a list of rules. It is read again whenever it changes (looked
at on every received command), so a test can change the faults while the server runs; a
missing or empty file means no faults. Each rule:

    command   the command it applies to, upper case ("CWD", "STOR", "PASS", ...), or "*"
    match     optional: a text the command's argument must contain
    nth       optional: only the nth such command (from 1, counted over all sessions since the
              file was last read); from_nth: that one and every later one
    action    reply    answer "reply" (default "550 Refused") instead of carrying the command
                       out; with "close": true, close the connection after that answer
              silence  never answer this command nor any later one of the session
              junk     send the line "junk" (no reply code), then as silence
              close    close the control connection without an answer
              delay    wait "seconds" (other sessions are served meanwhile), then carry out the
                       command; the session's later commands wait behind it
              cut      STOR, RETR, LIST, NLST: only the first "bytes" bytes of the data pass
                       (an upload stores just those), the data connection is closed and "reply"
                       (default "226 Transfer complete.") is sent; with "drain": true an upload
                       is read to its end (the rest discarded) before that
              after    carry out the command, but close the control connection in place of its
                       final reply (the client never learns that it was done)

The first rule that applies wins; every rule whose command and match fit counts the command
towards its nth, also when an earlier rule takes it.

--command-log appends one line per received command, "<session> <COMMAND> <argument>" (the
argument of PASS written as "***"), as soon as it arrives.
"""

import argparse
import itertools
import json
import logging
import os
import socket
import sys

from pyftpdlib.filesystems import FilesystemError
from pyftpdlib.handlers import DTPHandler, FTPHandler, _strerror
from pyftpdlib.ioloop import RetryError

ACTIONS = {"reply", "silence", "junk", "close", "delay", "cut", "after"}
TRANSFERS = {"STOR", "RETR", "LIST", "NLST"}


def warn(text):
    print("fault_ftp_server: " + text, file=sys.stderr, flush=True)


class Rules:
    """The rules file as last read, with the count of matching commands of each rule."""

    def __init__(self, path):
        self.path = path
        self.stamp = None
        self.rules = []
        self.counts = []

    def refresh(self):
        if not self.path:
            return
        try:
            st = os.stat(self.path)
            stamp = (st.st_ino, st.st_mtime_ns, st.st_size)
        except FileNotFoundError:
            stamp = None
        if stamp == self.stamp:
            return
        self.stamp = stamp
        self.rules = self.load() if stamp else []
        self.counts = [0] * len(self.rules)

    def load(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                text = f.read()
            data = json.loads(text) if text.strip() else []
        except (OSError, ValueError) as e:
            warn("cannot read the rules file %s (%s): no faults" % (self.path, e))
            return []
        if not isinstance(data, list):
            warn("the rules file holds no list: no faults")
            return []
        rules = []
        for i, rule in enumerate(data, 1):
            if (not isinstance(rule, dict) or not rule.get("command")
                    or rule.get("action") not in ACTIONS):
                warn("rule %d ignored (needs a command and one of %s): %r"
                     % (i, sorted(ACTIONS), rule))
                continue
            rules.append(rule)
        return rules

    def pick(self, cmd, arg):
        """The rule that takes this command, or None; counts it for every rule it fits."""
        self.refresh()
        chosen = None
        for i, rule in enumerate(self.rules):
            if rule["command"] not in ("*", cmd) or rule.get("match", "") not in arg:
                continue
            self.counts[i] += 1
            n, nth, from_nth = self.counts[i], rule.get("nth", 0), rule.get("from_nth", 0)
            if chosen is None and (not nth or n == nth) and (not from_nth or n >= from_nth):
                chosen = rule
        return chosen


class FaultDTPHandler(DTPHandler):
    """A data connection that obeys a "cut" rule taken from its control connection when its
    transfer starts."""

    _cut = None

    def _take_cut(self):
        if self._cut is not None:
            return
        self._cut, self.cmd_channel._cut_rule = self.cmd_channel._cut_rule, None
        if self._cut is not None:
            self._room = max(0, int(self._cut.get("bytes", 0)))

    def use_sendfile(self):
        return self._cut is None and super().use_sendfile()

    def push(self, data):
        self._take_cut()
        super().push(data[:self._room] if self._cut is not None else data)

    def push_with_producer(self, producer):
        self._take_cut()
        if self._cut is not None:
            producer = LimitedProducer(producer, self._room)
        super().push_with_producer(producer)

    def enable_receiving(self, type, cmd):
        self._take_cut()
        super().enable_receiving(type, cmd)
        if self._cut is not None and self._room == 0 and not self._cut.get("drain"):
            self.ioloop.call_later(0, self.close)

    def handle_read(self):
        if self._cut is None:
            return super().handle_read()
        try:
            chunk = self.recv(self.ac_in_buffer_size)
        except RetryError:
            return
        except socket.error:
            return self.handle_error()
        if not chunk:
            return  # the end of the upload: recv() has already closed the channel
        self.tot_bytes_received += len(chunk)
        kept = chunk[:self._room]
        self._room -= len(kept)
        if kept:
            self.file_obj.write(self._data_wrapper(kept) if self._data_wrapper else kept)
        if self._room == 0 and not self._cut.get("drain"):
            self.close()

    handle_read_event = handle_read

    def close(self):
        if not self._closed and self._cut is not None:
            # The rule's reply in place of whatever the transfer would have ended with.
            self._resp = (self._cut.get("reply", "226 Transfer complete."), logging.info)
            self.transfer_finished = True
        super().close()


class LimitedProducer:
    """Hands on only the first `room` bytes of another producer."""

    def __init__(self, producer, room):
        self.producer = producer
        self.room = room

    def more(self):
        if self.room <= 0:
            return b""
        data = self.producer.more()[:self.room]
        self.room -= len(data)
        return data


def make_handler(base, rules, command_log):
    sessions = itertools.count(1)

    class Handler(base):
        _session = 0
        _muted = False      # silence or junk: nothing is answered any more
        _held = None        # commands waiting behind a delayed one
        _cut_rule = None    # the cut rule for the transfer the current command starts
        _swallow = False    # "after": the final reply is replaced by closing

        def handle(self):
            self._session = next(sessions)
            super().handle()

        def pre_process_command(self, line, cmd, arg):
            if command_log:
                shown = "***" if cmd == "PASS" else arg
                command_log.write(("%d %s %s" % (self._session, cmd, shown)).rstrip(" ") + "\n")
                command_log.flush()
            if self._muted:
                return
            if self._held is not None:
                self._held.append((line, cmd, arg))
                return
            self._apply(line, cmd, arg)

        def _apply(self, line, cmd, arg):
            self._cut_rule = None
            rule = rules.pick(cmd, arg)
            action = rule["action"] if rule else None
            if action is None:
                super().pre_process_command(line, cmd, arg)
            elif action == "reply":
                self.respond(rule.get("reply", "550 Refused"))
                if rule.get("close"):
                    self.close_when_done()
            elif action == "silence":
                self._mute()
            elif action == "junk":
                self.push(rule.get("junk", "garbage without a code") + "\r\n")
                self._mute()
            elif action == "close":
                self.close()
            elif action == "delay":
                self._held = []
                self.call_later(float(rule.get("seconds", 0)), self._resume, line, cmd, arg)
            elif action == "cut":
                self._cut_rule = rule if cmd in TRANSFERS else None
                super().pre_process_command(line, cmd, arg)
            elif action == "after":
                self._swallow = True
                super().pre_process_command(line, cmd, arg)

        def _resume(self, line, cmd, arg):
            waiting, self._held = self._held or [], None
            if self._closed:
                return
            super().pre_process_command(line, cmd, arg)
            while waiting and not self._closed and not self._muted:
                if self._held is not None:  # delayed again: the rest waits behind that one
                    self._held.extend(waiting)
                    return
                self._apply(*waiting.pop(0))

        def _mute(self):
            self._muted = True
            if self._idler is not None and not self._idler.cancelled:
                self._idler.cancel()  # no idle time-out either: the session stays open

        def ftp_CWD(self, path):
            # pyftpdlib tries a directory by entering it with the whole process and leaves it
            # only after replying, so a test that removes the directory as soon as the reply
            # arrives could strand the process in a removed folder, after which every CWD of
            # every session fails. Here the process leaves it before the reply goes out.
            home = os.getcwd()
            try:
                self.run_as_current_user(self.fs.chdir, path)
            except (OSError, FilesystemError) as err:
                self.respond("550 %s." % _strerror(err))
                return None
            finally:
                os.chdir(home)
            self.respond('250 "%s" is the current directory.' % self.fs.cwd)
            return path

        def respond(self, resp, logfun=logging.debug):
            if self._swallow and resp[:1] in "2345":
                self._swallow = False
                # Closed on the next turn of the loop: a transfer's reply comes while its data
                # connection is still being closed, which must finish first.
                self.call_later(0, self.close_when_done)
                return
            super().respond(resp, logfun)

    Handler.dtp_handler = FaultDTPHandler
    return Handler


def parse_args(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    p = argparse.ArgumentParser(description="Local Lumora FTP server with injected faults")
    p.add_argument("--root", required=True, help="home directory of the FTP account")
    p.add_argument("--user", default="corvane")
    p.add_argument("--password", default="secret")
    p.add_argument("--host", default="127.0.0.1")
    p.add_argument("--port", type=int, default=0, help="0 picks a free port")
    p.add_argument("--readonly-user", action="append", default=[], metavar="NAME:PASSWORD")
    p.add_argument("--seed", choices=["none", "layout", "demo"], default="layout")
    p.add_argument("--exit-on-stdin-eof", action="store_true")
    p.add_argument("--verbose", action="store_true", help="log every command on stderr")
    p.add_argument("--rules", metavar="FILE", help="JSON list of fault rules, read on change")
    p.add_argument("--command-log", metavar="FILE", help="append each received command")
    p.add_argument("--tools-dir", default=os.path.join(here, "..", "..", "tools"),
                   help="the folder of lumora_server.py (for the tree's seed)")
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    logging.basicConfig(level=logging.INFO if args.verbose else logging.WARNING,
                        format="fault_ftp_server: %(message)s")
    sys.path.insert(0, os.path.abspath(args.tools_dir))
    from lumora_server import make_authorizer, seed_tree, serve

    root = os.path.abspath(args.root)
    os.makedirs(root, exist_ok=True)
    if args.seed != "none":
        seed_tree(root, args.seed == "demo")

    command_log = open(args.command_log, "a", encoding="utf-8") if args.command_log else None
    rules = Rules(os.path.abspath(args.rules) if args.rules else None)
    handler = make_handler(FTPHandler, rules, command_log)
    return serve(handler, make_authorizer(args, root), args)

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
