#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""HTTPS server for the end-to-end fixture pages, on loopback only.

Serves the files of the fixtures folder under any host name (Chromium is told to resolve the chat
hosts to this server), and prints every report that a page POSTs to /report as one line
"report <json>" on stdout (and every unknown page as "missing /<name>"), so the harness learns when a page has focused its input and where that
input is on the screen. The first line of output is "port <number>", the port the system chose.
"""
import argparse
import http.server
import json
import os
import ssl
import sys
import threading

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")
TYPES = {".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8",
         ".css": "text/css; charset=utf-8"}
OUTPUT_LOCK = threading.Lock()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # keep stdout for the protocol and stderr quiet
        pass

    def send_body(self, status, body, content_type="text/plain; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        name = self.path.split("?", 1)[0].lstrip("/") or "index.html"
        # Only plain file names from the fixtures folder: no path walks out of it.
        path = os.path.join(FIXTURES, name)
        if "/" in name or name.startswith(".") or not os.path.isfile(path):
            # Said on stdout too, so the harness fails at once instead of waiting for a report.
            with OUTPUT_LOCK:
                print("missing /" + name, flush=True)
            self.send_body(404, b"not found\n")
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_body(200, body, TYPES.get(os.path.splitext(name)[1], "application/octet-stream"))

    def do_POST(self):
        length = int(self.headers.get("Content-Length") or 0)
        data = self.rfile.read(length) if 0 < length <= 65536 else b""
        if self.path not in ("/report", "/sent"):
            self.send_body(404, b"not found\n")
            return
        try:
            report = json.loads(data)
        except ValueError:
            self.send_body(400, b"bad report\n")
            return
        with OUTPUT_LOCK:
            print(self.path[1:] + " " + json.dumps(report, separators=(",", ":")), flush=True)
        self.send_body(204, b"")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cert", required=True, help="PEM certificate")
    parser.add_argument("--key", required=True, help="PEM private key")
    args = parser.parse_args()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    server.socket = context.wrap_socket(server.socket, server_side=True)
    print("port %d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
