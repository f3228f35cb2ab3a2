#!/usr/bin/env python3
"""Update server for the tests: serves a folder on 127.0.0.1 like the maker's web
server, and on request misbehaves (drops a body half-way, answers a status code,
redirects).

Writes its port to --port-file once it listens, and one JSON line per request
(method, path, headers, whether it came through as a proxy request) to --log.
"""
import argparse
import http.server
import json
import os
import re
import socket
import ssl
import sys
import threading
import urllib.parse


def normalised(path):
    """The request path without query, with repeated slashes collapsed."""
    return re.sub(r"/+", "/", urllib.parse.urlsplit(path).path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--drop", action="append", default=[], help="path whose body stops half-way")
    parser.add_argument("--status", action="append", default=[], help="PATH=CODE to answer with")
    parser.add_argument("--redirect", action="append", default=[], help="PATH=URL to send elsewhere")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    args = parser.parse_args()

    drops = {normalised(p) for p in args.drop}
    statuses = {}
    for rule in args.status:
        path, code = rule.rsplit("=", 1)
        statuses[normalised(path)] = int(code)
    redirects = {}
    for rule in args.redirect:
        path, target = rule.split("=", 1)
        redirects[normalised(path)] = target
    log_lock = threading.Lock()

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=args.root, **kw)

        def log_message(self, *a):
            pass

        def do_GET(self):
            proxied = self.path.startswith("http://") or self.path.startswith("https://")
            if proxied:
                self.path = "/" + self.path.split("/", 3)[3] if self.path.count("/") >= 3 else "/"
            path = normalised(self.path)
            with log_lock, open(args.log, "a") as log:
                log.write(json.dumps({"method": self.command, "path": path, "proxied": proxied,
                                      "headers": {k: v for k, v in self.headers.items()}}) + "\n")
            if path in statuses:
                self.send_error(statuses[path])
                return
            if path in redirects:
                self.send_response(302)
                self.send_header("Location", redirects[path])
                self.send_header("Content-Length", "0")
                self.end_headers()
                return
            if path in drops:
                with open(os.path.join(args.root, path.lstrip("/")), "rb") as f:
                    body = f.read()
                self.send_response(200)
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body[: len(body) // 2])
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
                self.close_connection = True
                return
            self.path = path
            super().do_GET()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.tls[0], args.tls[1])
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(args.port_file + ".part", "w") as f:
        f.write(str(server.server_address[1]))
    os.rename(args.port_file + ".part", args.port_file)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
