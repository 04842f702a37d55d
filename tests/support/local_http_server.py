#!/usr/bin/env python3
"""A local HTTP server for the update tests.

Serves the files of a folder through http.server, and scripted misbehaviour under
/odd/<mode>/<size>[/<bytes before the stall>][/<any file name>]:
  nolength  the body with no Content-Length header; the connection closes after it
  short     Content-Length <size>, half the body, then the connection closes
  slow      Content-Length <size>, 1024 bytes every 20 ms
  stall     Content-Length <size>, the given number of bytes in pieces of 700 (as a
            network hands them over, not in whole kilobytes), then nothing; the
            connection stays open. Without that number not even the headers come.
A file of the folder named as the path's last part is served as it is, whatever the
mode, so that a program whose update address points at a mode still reads its version.
Listens on 127.0.0.1 on a free port, prints the port, and serves until it is killed.
Usage: local_http_server.py FOLDER
"""
import functools
import os
import http.server
import sys
import time


def body(size):
    return bytes(i % 251 for i in range(size))


class Handler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        try:
            self.serve()
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client cancelled

    def serve(self):
        parts = self.path.strip("/").split("/")
        if len(parts) < 3 or parts[0] != "odd":
            return super().do_GET()
        if os.path.isfile(os.path.join(self.directory, parts[-1])):
            self.path = "/" + parts[-1]
            return super().do_GET()
        mode, size = parts[1], int(parts[2])
        before_stall = int(parts[3]) if len(parts) > 3 and parts[3].isdigit() else None
        data = body(size)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if mode == "stall" and before_stall is None:
            time.sleep(3600)
            return
        if mode != "nolength":
            self.send_header("Content-Length", str(size))
        self.end_headers()
        if mode == "short":
            self.wfile.write(data[: size // 2])
        elif mode == "slow":
            for start in range(0, size, 1024):
                self.wfile.write(data[start : start + 1024])
                self.wfile.flush()
                time.sleep(0.02)
        elif mode == "stall":
            for start in range(0, before_stall, 700):
                self.wfile.write(data[start : min(start + 700, before_stall)])
                self.wfile.flush()
                time.sleep(0.005)
            time.sleep(3600)
        else:
            self.wfile.write(data)
        self.close_connection = True


def main():
    handler = functools.partial(Handler, directory=sys.argv[1])
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
