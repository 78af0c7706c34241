#!/usr/bin/env python3
"""Local HTTP and HTTPS server for the download and update-check tests.

Listens on loopback only and ends by itself: when its standard input closes
(the test process that started it went away), when the file --while-exists
names is gone (for a test process that cannot hand it a pipe, such as one
under Wine), or after --lifetime seconds.
It makes its own certificate authority with openssl in --workdir, and two
server certificates signed by it: one for 127.0.0.1/localhost (the "good"
HTTPS port) and one for another host name (the "wrong-host" HTTPS port).

When it is ready it prints one line to stdout (or, with --ready-file, writes
it to that file in one step):
  ready <http-port> <https-port> <wrong-host-https-port> <ca-file>
Ports given as 0 are chosen by the system.

Paths:
  /files/<name>             the file <docroot>/<name>, or 404
  /status/<code>            that status with a short body
A query string ("?...") is ignored, except by /goto.
  /redirect/<n>/<path>      302 to /redirect/<n-1>/<path>; at 0 to /<path>
  /loop                     302 to itself, for ever
  /goto?<url>               302 to <url> (any scheme, host and port)
  /cut/<announced>/<sent>   Content-Length <announced>, then <sent> bytes and
                            the connection closed
  /stall/<announced>/<sent> like /cut, but the connection stays open and
                            silent for 30 seconds before it is closed
  /chunked/<n>              <n> bytes in chunks, no length announced
  /chunked-cut/<n>          <n> bytes in chunks, connection closed before the
                            last chunk
  /headers                  the request line and headers as the body
  /endless                  64 MiB in chunks, no length announced: as good as
                            endless for a client that keeps a limit, and a
                            complete body for one that does not
"""
import argparse
import errno
import http.server
import os
import ssl
import subprocess
import sys
import threading
import time


def body_bytes(n):
    # A pattern that shows reordering or loss: byte i is i mod 251.
    return bytes(i % 251 for i in range(n))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    docroot = "."

    def log_message(self, fmt, *args):
        pass

    def send_body(self, code, body, content_type="application/octet-stream"):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def send_chunks(self, data, cut):
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.send_header("Connection", "close")
        self.end_headers()
        for i in range(0, len(data), 700):
            piece = data[i:i + 700]
            self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
        if not cut:
            self.wfile.write(b"0\r\n\r\n")
        self.wfile.flush()
        self.close_connection = True

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True

    def do_GET(self):
        parts = self.path.split("?")[0].lstrip("/").split("/")
        kind, rest = parts[0], parts[1:]
        try:
            if kind == "files" and len(rest) == 1:
                path = os.path.join(self.docroot, rest[0])
                if rest[0] in ("", ".", "..") or not os.path.isfile(path):
                    self.send_body(404, b"not found")
                else:
                    with open(path, "rb") as f:
                        self.send_body(200, f.read())
            elif kind == "status" and len(rest) == 1:
                self.send_body(int(rest[0]), b"status " + rest[0].encode())
            elif kind == "redirect" and len(rest) >= 2:
                n = int(rest[0])
                target = "/".join(rest[1:])
                self.redirect("/redirect/%d/%s" % (n - 1, target) if n > 0
                              else "/" + target)
            elif kind == "loop":
                self.redirect("/loop")
            elif kind == "goto" and "?" in self.path:
                self.redirect(self.path.split("?", 1)[1])
            elif kind in ("cut", "stall") and len(rest) == 2:
                self.send_response(200)
                self.send_header("Content-Length", rest[0])
                self.send_header("Connection", "close")
                self.end_headers()
                self.wfile.write(body_bytes(int(rest[1])))
                self.wfile.flush()
                if kind == "stall":
                    time.sleep(30)
                self.close_connection = True
            elif kind in ("chunked", "chunked-cut") and len(rest) == 1:
                self.send_chunks(body_bytes(int(rest[0])), kind == "chunked-cut")
            elif kind == "endless":
                self.send_response(200)
                self.send_header("Transfer-Encoding", "chunked")
                self.send_header("Connection", "close")
                self.end_headers()
                piece = body_bytes(65536)
                for _ in range(1024):
                    self.wfile.write(b"%x\r\n" % len(piece) + piece + b"\r\n")
                self.wfile.write(b"0\r\n\r\n")
                self.close_connection = True
            elif kind == "headers":
                text = self.requestline + "\r\n" + "".join(
                    "%s: %s\r\n" % item for item in self.headers.items())
                self.send_body(200, text.encode("latin-1"), "text/plain")
            else:
                self.send_body(404, b"not found")
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            pass


def make_certificates(workdir):
    def run(*args):
        subprocess.run(["openssl", *args], cwd=workdir, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem",
        "-days", "2", "-subj", "/CN=Zararod test CA",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign")
    for name, san in (("good", "IP:127.0.0.1,DNS:localhost"),
                      ("wronghost", "DNS:other.invalid")):
        run("req", "-new", *ec, "-keyout", name + ".key", "-out", name + ".csr",
            "-subj", "/CN=" + san.split(",")[0].split(":")[1])
        with open(os.path.join(workdir, name + ".ext"), "w") as f:
            f.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n" % san)
        run("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem",
            "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
            "-extfile", name + ".ext", "-out", name + ".pem")
    return os.path.join(workdir, "ca.pem")


# Ports tried when none is given: below 32768, where Linux never hands a port
# to an outgoing connection. Several tests may run servers at once, so a busy
# port is skipped.
FREE_PORTS = range(23200, 23800)


def bind(port):
    if port:
        return http.server.ThreadingHTTPServer(("127.0.0.1", port), Handler)
    for candidate in FREE_PORTS:
        try:
            return http.server.ThreadingHTTPServer(("127.0.0.1", candidate), Handler)
        except OSError as error:
            if error.errno != errno.EADDRINUSE:
                raise
    raise OSError(errno.EADDRINUSE, "no free port in %d-%d" % (FREE_PORTS[0], FREE_PORTS[-1]))


def serve(port, wrap_with=None):
    server = bind(port)
    server.daemon_threads = True
    if wrap_with:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*wrap_with)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--docroot", required=True)
    parser.add_argument("--workdir", required=True)
    parser.add_argument("--http-port", type=int, default=0)
    parser.add_argument("--https-port", type=int, default=0)
    parser.add_argument("--wrong-host-port", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=300)
    parser.add_argument("--ready-file")
    parser.add_argument("--while-exists")
    args = parser.parse_args()

    Handler.docroot = args.docroot
    ca = make_certificates(args.workdir)
    w = args.workdir
    ports = (serve(args.http_port),
             serve(args.https_port, (os.path.join(w, "good.pem"),
                                     os.path.join(w, "good.key"))),
             serve(args.wrong_host_port, (os.path.join(w, "wronghost.pem"),
                                          os.path.join(w, "wronghost.key"))))
    ready = "ready %d %d %d %s" % (*ports, ca)
    if args.ready_file:
        # Written aside and renamed, so the test never reads half a line.
        with open(args.ready_file + ".part", "w") as f:
            f.write(ready + "\n")
        os.rename(args.ready_file + ".part", args.ready_file)
    else:
        print(ready, flush=True)

    if args.while_exists:
        # Stop when the test removes the file, at the latest after the lifetime.
        end = time.monotonic() + args.lifetime
        while os.path.exists(args.while_exists) and time.monotonic() < end:
            time.sleep(0.2)
        return
    # Stop when the test closes our stdin, or at the latest after the lifetime.
    watcher = threading.Thread(target=sys.stdin.read, daemon=True)
    watcher.start()
    watcher.join(args.lifetime)


if __name__ == "__main__":
    main()
