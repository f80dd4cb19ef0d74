#!/usr/bin/env python3
"""The maker's web server as the update tests need it, on 127.0.0.1.

    update_server.py FOLDER

Listens on a free port and writes it to FOLDER/port. Every GET is answered as
FOLDER/reply says (read at each request), and its path and User-Agent are added
to FOLDER/requests, one "path<TAB>agent" line each. The reply file is one of:
    text BODY          200 with BODY (\\n and \\r written as escapes)
    bytes HEX          200 with the bytes HEX spells (any bytes, UTF-8 or not)
    html BODY          200 with BODY as an HTML page (a captive portal's)
    status CODE BODY   that status with BODY
    redirect URL       302 to URL
    hang               no answer at all
    big BYTES          200 with BYTES bytes of digits (with their length)
    stream BYTES       the same without the length: the connection's end ends it
"""
import http.server
import os
import sys
import threading
import time

FOLDER = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, code, body, headers=(), kind="text/plain"):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        with open(os.path.join(FOLDER, "requests"), "a") as log:
            log.write("%s\t%s\n" % (self.path, self.headers.get("User-Agent", "")))
        with open(os.path.join(FOLDER, "reply")) as f:
            kind, _, rest = f.read().partition(" ")
        kind = kind.strip()
        if kind == "hang":
            time.sleep(3600)
        elif kind == "redirect":
            self.send_body(302, b"", [("Location", rest.strip())])
        elif kind in ("big", "stream"):
            size = int(rest)
            self.send_response(200)
            if kind == "big":
                self.send_header("Content-Length", str(size))
            else:
                self.send_header("Connection", "close")
                self.close_connection = True
            self.end_headers()
            chunk = b"0123456789" * 6554
            try:
                while size > 0:
                    self.wfile.write(chunk[:size])
                    size -= len(chunk)
            except OSError:
                pass  # the client stopped reading, as it should
        elif kind == "bytes":
            self.send_body(200, bytes.fromhex(rest.strip()))
        elif kind == "html":
            self.send_body(200, rest.encode(), kind="text/html; charset=utf-8")
        elif kind == "status":
            code, _, body = rest.partition(" ")
            self.send_body(int(code), body.encode())
        else:
            body = rest.replace("\\n", "\n").replace("\\r", "\r")
            self.send_body(200, body.encode())


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(os.path.join(FOLDER, "port.tmp"), "w") as f:
    f.write(str(server.server_address[1]))
os.rename(os.path.join(FOLDER, "port.tmp"), os.path.join(FOLDER, "port"))
server.serve_forever()
