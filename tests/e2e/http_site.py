#!/usr/bin/python3
"""A small real web site for the end-to-end tests.

   /            200 "ok"
   /missing     404
   /slow?ms=N   200 after N milliseconds
   /state       200 or 503 after the first line of the file named by --state-file
                ("up" or "down"), so a test can take the site down and up again
Requests without a Host header get 400, as on most sites of today.
--delay-ms LO,HI makes every answer wait a random LO to HI milliseconds first,
so a chart of its load times looks like one of a real site.
Prints its port on stdout, then serves until killed.
"""
import argparse
import http.server
import random
import ssl
import sys
import time
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    state_file = None
    delay_ms = None

    def log_message(self, *args):
        pass

    def answer(self, code, body=b"ok"):
        self.send_response(code)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if self.delay_ms:
            time.sleep(random.uniform(*self.delay_ms) / 1000.0)
        if not self.headers.get("Host"):
            return self.answer(400, b"no host")
        url = urllib.parse.urlparse(self.path)
        query = urllib.parse.parse_qs(url.query)
        if url.path == "/missing":
            return self.answer(404, b"missing")
        if url.path == "/slow":
            time.sleep(int(query.get("ms", ["0"])[0]) / 1000.0)
            return self.answer(200)
        if url.path == "/state":
            try:
                with open(self.state_file) as f:
                    up = f.readline().strip() == "up"
            except OSError:
                up = False
            return self.answer(200 if up else 503)
        return self.answer(200)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--state-file")
    parser.add_argument("--delay-ms")
    args = parser.parse_args()
    Handler.state_file = args.state_file
    if args.delay_ms:
        Handler.delay_ms = tuple(float(ms) for ms in args.delay_ms.split(","))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
