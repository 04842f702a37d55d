#!/usr/bin/env python3
"""local_http_server.py FOLDER: serves the folder on 127.0.0.1 (a free port, printed) until
killed, and scripted misbehaviour under /odd/<mode>/<size>[/<n>][/<file name>]:
  nolength  the body without Content-Length, then the connection closes
  short     Content-Length <size>, half the body, then the connection closes
  slow      Content-Length <size>, 1024 bytes every 20 ms (every <n> ms)
  stall     Content-Length <size>, <n> bytes in pieces of 700 as a network hands them over,
            then nothing with the connection open; without <n> not even the headers.
A file of the folder named as the path's last part is served as it is, whatever the mode,
so that a program whose update address points at a mode still reads its version."""
import functools
import http.server
import os
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        parts = self.path.strip("/").split("/")
        if len(parts) < 3 or parts[0] != "odd":
            return super().do_GET()
        if os.path.isfile(os.path.join(self.directory, parts[-1])):
            self.path = "/" + parts[-1]
            return super().do_GET()
        mode, size = parts[1], int(parts[2])
        given = int(parts[3]) if len(parts) > 3 and parts[3].isdigit() else None
        if mode == "stall" and given is None:
            return time.sleep(3600)
        self.send_response(200)
        if mode != "nolength":
            self.send_header("Content-Length", str(size))
        self.end_headers()
        # (piece, pause after each, bytes sent) for each mode
        piece, pause, end = {"short": (size, 0, size // 2),
                             "slow": (1024, (given or 20) / 1000, size),
                             "stall": (700, 0.005, given)}.get(mode, (size, 0, size))
        data = bytes(i % 251 for i in range(size))
        try:
            for start in range(0, end, piece or 1):
                self.wfile.write(data[start:min(start + piece, end)])
                self.wfile.flush()
                time.sleep(pause)
        except (BrokenPipeError, ConnectionResetError):
            return  # the client cancelled
        time.sleep(3600 if mode == "stall" else 0)
        self.close_connection = True


server = http.server.ThreadingHTTPServer(
    ("127.0.0.1", 0), functools.partial(Handler, directory=sys.argv[1]))
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
