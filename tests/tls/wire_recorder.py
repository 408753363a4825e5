#!/usr/bin/python3
"""Relays TCP connections from a free local port to TARGET (host:port), appending every byte the
clients send to LOG: `wire_recorder.py TARGET LOG`. Prints "PORT <n>"; stops at stdin EOF."""

import os
import socket
import sys
import threading


def pump(source, sink, log, lock):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            if log:
                with lock:
                    log.write(data)
                    log.flush()
            sink.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, sink):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def main(argv):
    host, _, port = argv[0].rpartition(":")
    log = open(argv[1], "ab")
    lock = threading.Lock()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    def stop_on_eof():
        while os.read(0, 4096):
            pass
        os._exit(0)

    threading.Thread(target=stop_on_eof, daemon=True).start()
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        upstream = socket.create_connection((host, int(port)))
        threading.Thread(target=pump, args=(client, upstream, log, lock), daemon=True).start()
        threading.Thread(target=pump, args=(upstream, client, None, lock), daemon=True).start()


if __name__ == "__main__":
    main(sys.argv[1:])
