#!/usr/bin/env python3
"""Self-test of fault_server.py, run-servers, with-test-ca and nginx-server.

Starts its own fault server (HTTP, proxy and HTTPS on OS-chosen ports), drives
each behaviour once over raw sockets, checking status, headers and byte
counts, then checks the TLS material, the trust of the test CA in a private
mount namespace (with curl), run-servers with nginx, and that the server
stops on SIGTERM and when its parent goes away.

    fault_server_test.py [--build-dir DIR]

Ends with 'N passed, N failed, N skipped'; a check that cannot run on this
machine (no root, no unshare, no curl, no nginx) is skipped and says why.
"""
import argparse
import base64
import concurrent.futures
import email.utils
import hashlib
import os
import select
import shutil
import signal
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "fault_server.py")
HUGE = 4611686018427387904
MAX_STALL = 5  # the server's bound on stalls in this test
IO_TIMEOUT = 10  # no single exchange may take longer
SYSTEM_BUNDLE = "/etc/ssl/certs/ca-certificates.crt"


def pattern(offset, n):
    return bytes((offset + i) % 251 for i in range(n))


class Skip(Exception):
    pass


class Response:
    def __init__(self):
        self.status = 0
        self.headers = []
        self.body = b""
        self.closed = False
        self.elapsed = 0.0
        self.first_body_byte = None  # seconds after the request was sent

    def header(self, name):
        values = [v for k, v in self.headers if k.lower() == name.lower()]
        return values[-1] if values else None


class Connection:
    """A raw client: sees exactly what the server sends and when it closes."""

    def __init__(self, port, tls=None, hostname="127.0.0.1"):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=IO_TIMEOUT)
        if tls:
            self.sock = tls.wrap_socket(self.sock, server_hostname=hostname)
        self.buf = b""
        self.eof = False

    def close(self):
        self.sock.close()

    def _fill(self, deadline):
        left = deadline - time.monotonic()
        if left <= 0:
            raise AssertionError("timed out waiting for the server")
        self.sock.settimeout(left)
        try:
            data = self.sock.recv(65536)
        except socket.timeout:
            raise AssertionError("timed out waiting for the server") from None
        except (ConnectionResetError, ssl.SSLEOFError):
            data = b""
        if not data:
            self.eof = True
        self.buf += data
        return bool(data)

    def _take(self, n):
        out, self.buf = self.buf[:n], self.buf[n:]
        return out

    def read_until(self, marker, deadline):
        while marker not in self.buf:
            if not self._fill(deadline):
                raise AssertionError("connection closed before %r" % marker)
        return self._take(self.buf.index(marker) + len(marker))

    def read_exact(self, n, deadline):
        while len(self.buf) < n:
            if not self._fill(deadline):
                raise AssertionError("connection closed after %d of %d bytes" % (len(self.buf), n))
        return self._take(n)

    def read_to_eof(self, deadline):
        while self._fill(deadline):
            pass
        return self._take(len(self.buf))

    def request(self, method, path, headers=(), until="framed", host=None, timeout=IO_TIMEOUT):
        """until: 'framed' reads the body as framed; 'close' reads until the server closes."""
        lines = ["%s %s HTTP/1.1" % (method, path), "Host: %s" % (host or "127.0.0.1")]
        lines += ["%s: %s" % kv for kv in headers]
        began = time.monotonic()
        deadline = began + timeout
        self.sock.sendall(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))
        r = Response()
        head = self.read_until(b"\r\n\r\n", deadline).decode("latin-1").split("\r\n")
        version, status, _ = (head[0] + " ").split(" ", 2)
        assert version == "HTTP/1.1", "status line %r" % head[0]
        r.status = int(status)
        r.headers = [tuple(x.strip() for x in line.split(":", 1)) for line in head[1:] if line]
        if method == "HEAD" or r.status in (204, 304):
            pass
        elif until == "close":
            if self.buf:
                r.first_body_byte = time.monotonic() - began
            while not self.eof:
                if self._fill(deadline) and r.first_body_byte is None:
                    r.first_body_byte = time.monotonic() - began
            r.body = self._take(len(self.buf))
            r.closed = True
        elif (r.header("Transfer-Encoding") or "").lower() == "chunked":
            body = []
            while True:
                size = int(self.read_until(b"\r\n", deadline).split(b";")[0], 16)
                body.append(self.read_exact(size, deadline))
                self.read_exact(2, deadline)
                if size == 0:
                    break
            r.body = b"".join(body)
        elif r.header("Content-Length") is not None:
            r.body = self.read_exact(int(r.header("Content-Length")), deadline)
        else:
            r.body = self.read_to_eof(deadline)
            r.closed = True
        r.elapsed = time.monotonic() - began
        return r


def expect(cond, message):
    if not cond:
        raise AssertionError(message)


def expect_eq(actual, wanted, what):
    if actual != wanted:
        raise AssertionError("%s: got %r, wanted %r" % (what, actual, wanted))


def expect_chunks(raw, wanted, last):
    """Checks a chunked body read raw up to the close: its data, and whether the last chunk came."""
    data, pos, ended = [], 0, False
    while pos < len(raw) and not ended:
        line_end = raw.index(b"\r\n", pos)
        size = int(raw[pos:line_end], 16)
        data.append(raw[line_end + 2:line_end + 2 + size])
        expect_eq(raw[line_end + 2 + size:line_end + 4 + size], b"\r\n", "chunk end")
        pos = line_end + 4 + size
        ended = size == 0
    expect_eq(pos, len(raw), "bytes after the chunks")
    expect_eq(ended, last, "last chunk sent")
    expect(b"".join(data) == wanted, "chunk data differ from the pattern")


def basic(user_password):
    return "Basic " + base64.b64encode(user_password.encode()).decode()


class Suite:
    def __init__(self, build):
        self.build = build
        self.root = os.path.join(build, "root")
        self.tls_dir = os.path.join(build, "tls")
        os.makedirs(self.root, exist_ok=True)
        self.file_body = b"Tallivo test file\n" * 100
        with open(os.path.join(self.root, "hello.bin"), "wb") as f:
            f.write(self.file_body)
        self.file_mtime = 1700000000
        os.utime(os.path.join(self.root, "hello.bin"), (self.file_mtime, self.file_mtime))
        self.server = None
        self.ports = {}

    # -- the server under test ----------------------------------------------

    def start(self):
        self.port_file = os.path.join(self.build, "ports")
        self.log_file = os.path.join(self.build, "requests.log")
        for stale in (self.port_file, self.log_file):
            if os.path.exists(stale):
                os.remove(stale)
        # A file, not a pipe: a pipe nobody reads could fill and block the server.
        self.err_file = os.path.join(self.build, "server.err")
        with open(self.err_file, "w") as err:
            self.server = subprocess.Popen(
                [sys.executable, SERVER, "--root", self.root, "--tls-dir", self.tls_dir, "--port-file",
                 self.port_file, "--log-file", self.log_file, "--max-stall", str(MAX_STALL)],
                stdout=subprocess.PIPE, stderr=err, text=True)
        # Ready when it prints its ports.
        ready, _, _ = select.select([self.server.stdout], [], [], 60)
        line = self.server.stdout.readline() if ready else ""
        self.server.stdout.close()
        if not line:
            self.server.kill()
            self.server.wait(10)
            with open(self.err_file) as err:
                raise SystemExit("fault server did not start: %s" % err.read())
        self.ports = dict(item.split("=", 1) for item in line.split())
        self.ca = self.ports.pop("ca")
        self.ports = {k: int(v) for k, v in self.ports.items()}
        self.tls = ssl.create_default_context(cafile=self.ca)

    def stop(self):
        if self.server and self.server.poll() is None:
            self.server.send_signal(signal.SIGTERM)
            try:
                return self.server.wait(10)
            except subprocess.TimeoutExpired:
                self.server.kill()
                self.server.wait(10)
                return None
        return self.server.returncode if self.server else None

    def connect(self, listener="http", hostname="127.0.0.1"):
        return Connection(self.ports[listener], self.tls if listener == "https" else None, hostname)

    def fetch(self, path, headers=(), listener="http", until="framed", method="GET"):
        c = self.connect(listener)
        try:
            return c.request(method, path, headers, until)
        finally:
            c.close()

    # -- table-driven request checks ------------------------------------------

    def table(self):
        lm_gen = "Fri, 01 Jan 2021 00:00:00 GMT"
        lm_file = email.utils.formatdate(self.file_mtime, usegmt=True)
        f = self.file_body
        proxy_target = "http://127.0.0.1:%d" % self.ports["http"]
        auth = basic("proxyuser:proxypass")
        # name, path, request headers, how to read, status, headers wanted (None: absent), body or length, closes
        return [
            ("gen with length and date", "/gen/1000", [], "framed", 200,
             {"Content-Length": "1000", "Last-Modified": lm_gen, "Accept-Ranges": "bytes", "Connection": None},
             pattern(0, 1000), False),
            ("gen without length", "/gen/1000?len=0", [], "close", 200,
             {"Content-Length": None, "Connection": "close"}, pattern(0, 1000), True),
            ("gen without date", "/gen/10?lastmod=0", [], "framed", 200, {"Last-Modified": None}, pattern(0, 10), False),
            ("gen with own date and etag", "/gen/16?mtime=86400&etag=1", [], "framed", 200,
             {"Last-Modified": "Fri, 02 Jan 1970 00:00:00 GMT", "ETag": '"10-15180"'}, pattern(0, 16), False),
            ("gen chunked", "/gen/200000?chunked=1", [], "framed", 200,
             {"Transfer-Encoding": "chunked", "Content-Length": None}, pattern(0, 200000), False),
            ("gen empty", "/gen/0", [], "framed", 200, {"Content-Length": "0"}, b"", False),
            ("file with length and date", "/file/hello.bin", [], "framed", 200,
             {"Content-Length": str(len(f)), "Last-Modified": lm_file}, f, False),
            ("file without length or date", "/file/hello.bin?len=0&lastmod=0", [], "close", 200,
             {"Content-Length": None, "Last-Modified": None}, f, True),
            ("file outside the root", "/file/../fault_server_test.py", [], "framed", 404, {}, None, False),
            ("file escaping through %2F", "/file/..%2F..%2Fetc%2Fpasswd", [], "framed", 404, {}, None, False),
            ("missing file", "/file/nothing.bin", [], "framed", 404, {}, None, False),
            ("range", "/gen/1000", [("Range", "bytes=100-199")], "framed", 206,
             {"Content-Range": "bytes 100-199/1000", "Content-Length": "100"}, pattern(100, 100), False),
            ("range open-ended on a file", "/file/hello.bin", [("Range", "bytes=1000-")], "framed", 206,
             {"Content-Range": "bytes 1000-%d/%d" % (len(f) - 1, len(f))}, f[1000:], False),
            ("range suffix", "/gen/1000", [("Range", "bytes=-10")], "framed", 206,
             {"Content-Range": "bytes 990-999/1000"}, pattern(990, 10), False),
            ("range past the end", "/gen/1000", [("Range", "bytes=1000-")], "framed", 416,
             {"Content-Range": "bytes */1000"}, None, False),
            ("range ignored when asked", "/gen/1000?ranges=0", [("Range", "bytes=100-199")], "framed", 200,
             {"Accept-Ranges": None, "Content-Range": None}, pattern(0, 1000), False),
            ("range with a stale If-Range", "/gen/1000", [("Range", "bytes=100-199"),
                                                          ("If-Range", "Sat, 02 Jan 2021 00:00:00 GMT")],
             "framed", 200, {"Content-Range": None}, pattern(0, 1000), False),
            ("range with a matching If-Range", "/gen/1000", [("Range", "bytes=100-199"), ("If-Range", lm_gen)],
             "framed", 206, {"Content-Range": "bytes 100-199/1000"}, pattern(100, 100), False),
            ("range on a truncated body", "/gen/1000?cut=50", [("Range", "bytes=500-")], "close", 206,
             {"Content-Range": "bytes 500-999/1000", "Content-Length": "500"}, pattern(500, 50), True),
            ("not modified", "/gen/1000", [("If-Modified-Since", lm_gen)], "framed", 304,
             {"Last-Modified": lm_gen}, b"", False),
            ("modified", "/gen/10", [("If-Modified-Since", "Thu, 31 Dec 2020 00:00:00 GMT")], "framed", 200, {},
             pattern(0, 10), False),
            ("short body", "/gen/1000?cut=600", [], "close", 200, {"Content-Length": "1000", "Connection": "close"},
             pattern(0, 600), True),
            ("fewer bytes than announced", "/gen/600?announce=1000", [], "close", 200, {"Content-Length": "1000"},
             pattern(0, 600), True),
            ("more bytes than announced", "/gen/1000?announce=600", [], "close", 200, {"Content-Length": "600"},
             pattern(0, 1000), True),
            ("2^62 announced", "/gen/4096?announce=%d" % HUGE, [], "close", 200, {"Content-Length": str(HUGE)},
             pattern(0, 4096), True),
            ("chunked and cut", "/gen/100000?chunked=1&cut=70000", [], "close", 200,
             {"Transfer-Encoding": "chunked"}, lambda r: expect_chunks(r.body, pattern(0, 70000), last=False), True),
            ("head", "/gen/1000", [], "framed", 200, {"Content-Length": "1000"}, b"", False),
            ("auth without credentials", "/auth/alice/s3cret/gen/10", [], "framed", 401,
             {"WWW-Authenticate": 'Basic realm="Tallivo test"'}, None, False),
            ("auth with wrong credentials", "/auth/alice/s3cret/gen/10?realm=Other",
             [("Authorization", basic("alice:wrong"))], "framed", 401, {"WWW-Authenticate": 'Basic realm="Other"'},
             None, False),
            ("auth with credentials", "/auth/alice/s3cret/gen/10", [("Authorization", basic("alice:s3cret"))],
             "framed", 200, {}, pattern(0, 10), False),
            ("auth with an escaped user", "/auth/a%20b/p%3Aq/gen/3", [("Authorization", basic("a b:p:q"))],
             "framed", 200, {}, pattern(0, 3), False),
            ("redirect 301", "/redirect/301/gen/10?len=0", [], "framed", 301, {"Location": "/gen/10?len=0"}, None,
             False),
            ("redirect 302 chain", "/redirect/302/redirect/307/gen/10", [], "framed", 302,
             {"Location": "/redirect/307/gen/10"}, None, False),
            ("redirect 307", "/redirect/307/file/hello.bin", [], "framed", 307, {"Location": "/file/hello.bin"}, None,
             False),
            ("redirect elsewhere", "/redirect/302?location=https://localhost:1/x", [], "framed", 302,
             {"Location": "https://localhost:1/x"}, None, False),
            ("redirect off the machine refused", "/redirect/302?location=http://example.com/", [], "framed", 400,
             {}, None, True),
            ("redirect loop", "/loop/302", [], "framed", 302, {"Location": "/loop/302"}, None, False),
            ("404 with a body", "/status/404", [], "framed", 404, {"Content-Type": "text/html; charset=utf-8"},
             b"<html><head><title>404 Not Found</title></head><body><h1>404 Not Found</h1><p>/status/404</p>"
             b"</body></html>\n", False),
            ("unknown path", "/no/such/thing", [], "framed", 404, {}, None, False),
            ("500", "/status/500", [], "framed", 500, {}, None, False),
            ("added header", "/status/503?header=Retry-After:5", [], "framed", 503, {"Retry-After": "5"}, None, False),
            ("bad parameter", "/gen/10?cut=x", [], "framed", 400, {"Connection": "close"}, None, True),
            ("close asked for", "/gen/10?close=1", [], "framed", 200, {"Connection": "close"}, pattern(0, 10), True),
            ("https", ("https", "/gen/1000"), [], "framed", 200, {"Content-Length": "1000"}, pattern(0, 1000), False),
            ("https range", ("https", "/gen/1000"), [("Range", "bytes=10-19")], "framed", 206, {}, pattern(10, 10),
             False),
            ("https short body", ("https", "/gen/1000?cut=600"), [], "close", 200, {"Content-Length": "1000"},
             pattern(0, 600), True),
            ("proxy without credentials", ("proxy", proxy_target + "/gen/10"), [], "framed", 407,
             {"Proxy-Authenticate": 'Basic realm="Tallivo proxy"'}, None, False),
            ("proxy with wrong credentials", ("proxy", proxy_target + "/gen/10"),
             [("Proxy-Authorization", basic("proxyuser:nope"))], "framed", 407, {}, None, False),
            ("proxy forwards", ("proxy", proxy_target + "/gen/1000"), [("Proxy-Authorization", auth)], "close", 200,
             {"Content-Length": "1000", "Via": None}, pattern(0, 1000), True),
            ("proxy forwards faults as they are", ("proxy", proxy_target + "/gen/1000?cut=600"),
             [("Proxy-Authorization", auth)], "close", 200, {"Content-Length": "1000"}, pattern(0, 600), True),
            ("proxy without auth when asked", ("proxy", proxy_target + "/gen/10?proxyauth=0"), [], "close", 200, {},
             pattern(0, 10), True),
            ("proxy refuses other hosts", ("proxy", "http://example.com/"), [("Proxy-Authorization", auth)],
             "framed", 403, {}, None, True),
            ("proxy refuses origin-form", ("proxy", "/gen/10"), [], "framed", 400, {}, None, True),
        ]

    def run_row(self, row):
        name, target, headers, until, status, wanted, body, closes = row
        listener, path = target if isinstance(target, tuple) else ("http", target)
        method = "HEAD" if name == "head" else "GET"
        r = self.fetch(path, headers, listener, until, method)
        expect_eq(r.status, status, "status")
        for key, value in wanted.items():
            expect_eq(r.header(key), value, key)
        if isinstance(body, bytes):
            expect_eq(len(r.body), len(body), "body length")
            expect(r.body == body, "body bytes differ from the pattern")
        elif callable(body):
            body(r)
        if status >= 400 and body is None:
            expect(len(r.body) > 0, "an error status comes with a body")
        expect_eq(r.closed or r.header("Connection") == "close", closes, "connection closed")

    # -- checks that need more than one request --------------------------------

    def check_keep_alive(self):
        c = self.connect()
        try:
            for path, size in (("/gen/1000", 1000), ("/status/404", None), ("/auth/u/p/gen/5", None),
                               ("/gen/7", 7)):
                r = c.request("GET", path)
                expect(r.header("Connection") is None, "%s closes the connection" % path)
                if size is not None:
                    expect_eq(r.body, pattern(0, size), path)
        finally:
            c.close()

    def check_stall_until_bound(self):
        c = self.connect()
        try:
            r = c.request("GET", "/gen/1000?stall=300&stallsecs=1", until="close")
        finally:
            c.close()
        expect_eq(r.header("Content-Length"), "1000", "Content-Length")
        expect_eq(r.body, pattern(0, 300), "body before the stall")
        expect(r.elapsed >= 1.0, "closed after %.2f s, before the 1 s stall ended" % r.elapsed)

    def check_stall_then_resume(self):
        r = self.fetch("/gen/1000?stall=300&stallsecs=1&resume=1")
        expect_eq(r.body, pattern(0, 1000), "body")
        expect(r.elapsed >= 1.0, "done after %.2f s, before the 1 s stall ended" % r.elapsed)
        expect(r.header("Connection") is None, "a resumed body keeps the connection")

    def check_stall_until_client_leaves(self):
        # The default stall is the server's maximum (5 s here): data stops, and the
        # server lets the connection go once the client closes it.
        c = self.connect()
        try:
            sent_at = time.monotonic()
            c.sock.sendall(b"GET /gen/1000?stall=300 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
            deadline = time.monotonic() + IO_TIMEOUT
            c.read_until(b"\r\n\r\n", deadline)
            expect_eq(c.read_exact(300, deadline), pattern(0, 300), "body before the stall")
            readable, _, _ = select.select([c.sock], [], [], 1.0)
            if readable:
                # Only the bounded end of the stall may come here (on a slow
                # machine): the server closing, at least MAX_STALL after the request.
                data = c.sock.recv(1)
                expect(not data, "the server sent %r during the stall" % data)
                expect(time.monotonic() - sent_at >= MAX_STALL, "the stall ended early")
        finally:
            c.close()

    def check_wait(self):
        r = self.fetch("/gen/10?wait=1")
        expect_eq(r.body, pattern(0, 10), "body")
        expect(r.elapsed >= 1.0, "answered after %.2f s, before the 1 s wait" % r.elapsed)

    def check_rate(self):
        r = self.fetch("/gen/4000?rate=8000")
        expect_eq(r.body, pattern(0, 4000), "body")
        expect(r.elapsed >= 0.4, "4000 bytes at 8000 B/s took only %.2f s" % r.elapsed)

    def check_log(self):
        tag = "tag=log-check-%d" % os.getpid()
        r = self.fetch("/gen/5?" + tag, [("X-Tallivo-Test", "sent by the client")])
        seq = r.header("X-Request-Seq")
        expect(seq and seq.isdigit(), "X-Request-Seq missing")
        log = self.fetch("/_log?match=" + tag).body.decode()
        expect_eq(log.count("\n#"), 0, "entries beyond the one matched")
        expect(log.startswith("#%s http 127.0.0.1:" % seq), "log entry header: %r" % log[:60])
        lines = log.splitlines()
        expect_eq(lines[1], "GET /gen/5?%s HTTP/1.1" % tag, "request line")
        expect("X-Tallivo-Test: sent by the client" in lines, "header missing from the log")
        expect(self.fetch("/_log?since=%s&match=%s" % (seq, tag)).body == b"", "since= left an old entry in")
        with open(self.log_file) as f:
            expect("GET /gen/5?%s HTTP/1.1" % tag in f.read(), "request missing from the log file")

    def check_proxy_passes_on(self):
        tag = "tag=proxy-check-%d" % os.getpid()
        target = "http://127.0.0.1:%d/gen/3?%s" % (self.ports["http"], tag)
        r = self.fetch(target, [("Proxy-Authorization", basic("proxyuser:proxypass")), ("X-Mine", "1")], "proxy",
                       "close")
        expect_eq(r.status, 200, "status")
        log = self.fetch("/_log?match=" + urllib.parse.quote(tag, safe="")).body.decode()
        entries = [e for e in log.split("\n\n") if e]
        expect_eq(len(entries), 2, "log entries (proxy, then origin)")
        proxy_entry, origin_entry = entries
        expect(" proxy " in proxy_entry.splitlines()[0] and "GET %s HTTP/1.1" % target in proxy_entry,
               "proxy entry: %r" % proxy_entry)
        origin = origin_entry.splitlines()
        expect(" http " in origin[0], "origin entry is not from the http listener")
        expect_eq(origin[1], "GET /gen/3?%s HTTP/1.1" % tag, "origin's request line")
        expect("X-Mine: 1" in origin and "Via: 1.1 tallivo-test-proxy" in origin and "Connection: close" in origin,
               "origin's headers: %r" % origin)
        expect(not any(line.lower().startswith("proxy-") for line in origin), "proxy headers reached the origin")
        refused = self.fetch("http://example.com/?" + tag, [("Proxy-Authorization", basic("proxyuser:proxypass"))],
                             "proxy")
        expect_eq(refused.status, 403, "status for example.com")
        log = self.fetch("/_log?match=" + urllib.parse.quote(tag, safe="")).body.decode()
        expect_eq(log.count(" http 127.0.0.1"), 1, "origin requests after the refused one")

    def check_proxy_connect_and_bad_gateway(self):
        c = Connection(self.ports["proxy"])
        try:
            c.sock.sendall(b"CONNECT 127.0.0.1:%d HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" % self.ports["https"])
            status_line = c.read_until(b"\r\n", time.monotonic() + IO_TIMEOUT)
            expect(status_line.startswith(b"HTTP/1.1 501 "), "CONNECT got %r" % status_line)
        finally:
            c.close()
        # A port nobody listens on: bound, then closed without listening.
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        dead = s.getsockname()[1]
        s.close()
        r = self.fetch("http://127.0.0.1:%d/x" % dead, [("Proxy-Authorization", basic("proxyuser:proxypass"))],
                       "proxy")
        expect_eq(r.status, 502, "status for an unreachable origin")

    def check_certificate(self):
        for hostname in ("127.0.0.1", "localhost"):
            c = Connection(self.ports["https"], self.tls, hostname)
            try:
                cert = c.sock.getpeercert()
            finally:
                c.close()
            expect_eq(sorted(cert["subjectAltName"]), [("DNS", "localhost"), ("IP Address", "127.0.0.1")], "SAN")
            crl_url = "http://127.0.0.1:%d/_crl/ca.crl" % self.ports["http"]
            expect_eq(cert.get("crlDistributionPoints"), (crl_url,), "CRL distribution points")
        r = self.fetch("/_crl/ca.crl")
        expect_eq(r.header("Content-Type"), "application/pkix-crl", "CRL content type")
        crl_pem = os.path.join(self.build, "fetched-crl.pem")
        run(["openssl", "crl", "-inform", "DER", "-outform", "PEM", "-out", crl_pem], input_bytes=r.body)
        out = run(["openssl", "crl", "-in", crl_pem, "-noout", "-CAfile", self.ca])
        expect("verify OK" in out, "the CRL is not signed by the test CA: %r" % out)
        # With the CRL checked, the good certificate passes and the revoked one fails.
        checking = ssl.create_default_context(cafile=self.ca)
        checking.load_verify_locations(cafile=crl_pem)
        checking.verify_flags |= ssl.VERIFY_CRL_CHECK_LEAF
        Connection(self.ports["https"], checking).close()
        Connection(self.ports["https_revoked"], self.tls).close()  # a valid chain, only revoked
        self.expect_tls_failure("https_revoked", checking, "certificate revoked")
        self.expect_tls_failure("https_wronghost", self.tls, "certificate is not valid for '127.0.0.1'")
        self.expect_tls_failure("https_untrusted", self.tls, "self-signed certificate")
        with open(self.ca, "rb") as f:
            expect_eq(self.fetch("/_ca/ca.crt").body, f.read(), "served CA certificate")

    def expect_tls_failure(self, listener, context, reason):
        try:
            Connection(self.ports[listener], context).close()
        except ssl.SSLCertVerificationError as e:
            expect(reason in str(e), "%s failed for another reason: %s" % (listener, e))
            return
        raise AssertionError("%s was trusted" % listener)

    def check_trust_in_namespace(self):
        if os.geteuid() != 0:
            raise Skip("needs root for unshare -m")
        for tool in ("unshare", "curl"):
            if not shutil.which(tool):
                raise Skip("%s is not installed" % tool)
        with open(SYSTEM_BUNDLE, "rb") as f:
            before = hashlib.sha256(f.read()).hexdigest()
        url = "https://127.0.0.1:%d/gen/1000" % self.ports["https"]
        inside = subprocess.run([os.path.join(HERE, "with-test-ca"), "--ca", self.ca, "curl", "-sS", url],
                                capture_output=True, timeout=30)
        expect_eq(inside.returncode, 0, "curl's status inside (%s)" % inside.stderr.decode().strip())
        expect(inside.stdout == pattern(0, 1000), "curl's body inside")
        outside = subprocess.run(["curl", "-sS", "-o", "/dev/null", url], capture_output=True, timeout=30)
        expect_eq(outside.returncode, 60, "curl's status outside (60: certificate not trusted)")
        with open(SYSTEM_BUNDLE, "rb") as f:
            expect_eq(hashlib.sha256(f.read()).hexdigest(), before, "the system bundle's hash")

    def check_run_servers(self):
        # Without HTTPS: certificates were made and checked above; this is about the harness.
        nginx = bool(shutil.which("nginx") or os.path.exists("/usr/sbin/nginx"))
        with open(os.path.join(self.root, "big.bin"), "wb") as f:
            f.write(pattern(0, 300000))
        script = ('cat "$TALLIVO_SERVERS_FILE"; exec 3<>/dev/tcp/127.0.0.1/$TALLIVO_HTTP_PORT; '
                  'printf "GET /file/big.bin HTTP/1.0\\r\\n\\r\\n" >&3; head -n 1 <&3')
        if nginx:
            script += '; exec 4<>/dev/tcp/127.0.0.1/$TALLIVO_NGINX_PORT; printf "GET /big.bin HTTP/1.0\\r\\n\\r\\n" >&4; head -n 1 <&4'
        script += "; exit 7"
        shutil.rmtree(os.path.join(self.build, "harness"), ignore_errors=True)  # old runs' logs
        args = [os.path.join(HERE, "run-servers"), "--build", os.path.join(self.build, "harness"), "--root",
                self.root, "--no-https"] + (["--nginx"] if nginx else []) + ["--", "bash", "-c", script]
        done = subprocess.run(args, capture_output=True, text=True, timeout=60)
        expect_eq(done.returncode, 7, "run-servers' status (the command's): %s" % done.stderr.strip())
        out = done.stdout.splitlines()
        env = dict(line.split("=", 1) for line in out if "=" in line)
        for key in ("TALLIVO_HTTP_PORT", "TALLIVO_PROXY_PORT") + (("TALLIVO_NGINX_PORT",) if nginx else ()):
            expect(env.get(key, "").isdigit(), "%s missing from servers.env" % key)
        expect_eq(out.count("HTTP/1.1 200 OK"), 2 if nginx else 1, "200 answers")
        for key in ("TALLIVO_HTTP_PORT", "TALLIVO_PROXY_PORT", "TALLIVO_NGINX_PORT"):
            if key in env:
                expect(not accepts(int(env[key])), "%s still accepts connections after run-servers" % key)
        if not nginx:
            raise Skip("nginx is not installed: run-servers checked without it")

    def check_nginx_missing_is_reported(self):
        env = dict(os.environ, TALLIVO_NGINX="/nonexistent/nginx")
        build = os.path.join(self.build, "no-nginx")
        shutil.rmtree(build, ignore_errors=True)  # a failed run keeps its logs there
        alone = subprocess.run([os.path.join(HERE, "nginx-server"), "start", "--dir", build, "--root", self.root],
                               capture_output=True, text=True, timeout=30, env=env)
        expect_eq(alone.returncode, 3, "nginx-server's status without nginx")
        expect("nginx is not installed" in alone.stderr, "message: %r" % alone.stderr)
        harness = subprocess.run([os.path.join(HERE, "run-servers"), "--build", build, "--no-https", "--nginx", "--",
                                  "true"], capture_output=True, text=True, timeout=60, env=env)
        expect_eq(harness.returncode, 3, "run-servers' status without nginx")
        expect("nginx is not installed" in harness.stderr, "message: %r" % harness.stderr)

    def check_sigterm(self):
        if self.server.poll() is not None:
            raise AssertionError("the server died during the test")
        status = self.stop()
        expect_eq(status, 0, "exit status after SIGTERM")
        expect(not os.path.exists(self.port_file), "port file left behind")
        expect(not accepts(self.ports["http"]), "still accepting after SIGTERM")
        leftovers = [d for d in os.listdir(self.tls_dir) if d.startswith("run-%d-" % self.server.pid)]
        expect_eq(leftovers, [], "certificate folders left behind")

    def check_parent_gone(self):
        parent = subprocess.Popen(["sleep", "60"])
        err_file = os.path.join(self.build, "orphan.err")
        try:
            with open(err_file, "w") as err:
                child = subprocess.Popen([sys.executable, SERVER, "--parent-pid", str(parent.pid)],
                                         stdout=subprocess.PIPE, stderr=err, text=True)
            with child.stdout:
                ready, _, _ = select.select([child.stdout], [], [], 30)
                expect(ready and child.stdout.readline().startswith("http="), "second server did not start")
        finally:
            parent.kill()
            parent.wait(10)
        try:
            status = child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait(10)
            raise AssertionError("the server outlived its parent by 10 s")
        expect_eq(status, 0, "exit status")
        with open(err_file) as err:
            expect("parent gone" in err.read(), "reason given")


def accepts(port):
    try:
        socket.create_connection(("127.0.0.1", port), timeout=2).close()
        return True
    except OSError:
        return False


def run(cmd, input_bytes=None):
    done = subprocess.run(cmd, input=input_bytes, capture_output=True, timeout=30)
    if done.returncode != 0:
        raise AssertionError("%s failed: %s" % (" ".join(cmd), done.stderr.decode().strip()))
    return (done.stdout + done.stderr).decode()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build-dir", help="folder for the test's files (default: a temporary one)")
    args = p.parse_args()
    began = time.monotonic()
    build = args.build_dir or tempfile.mkdtemp(prefix="fault-server-test-")
    os.makedirs(build, exist_ok=True)
    suite = Suite(os.path.abspath(build))
    suite.start()
    print("server: %s (started in %.1f s)" % (" ".join("%s=%d" % kv for kv in suite.ports.items()),
                                              time.monotonic() - began), flush=True)
    results = {"passed": 0, "failed": 0, "skipped": 0}

    def report(name, fn):
        try:
            fn()
            results["passed"] += 1
            return "ok      %s" % name
        except Skip as e:
            results["skipped"] += 1
            return "SKIPPED %s: %s" % (name, e)
        except Exception as e:  # noqa: BLE001 - every failure is reported, not raised
            results["failed"] += 1
            return "FAIL    %s: %s: %s" % (name, type(e).__name__, e)

    try:
        checks = [(row[0], lambda row=row: suite.run_row(row)) for row in suite.table()]
        checks += [(name[len("check_"):].replace("_", " "), getattr(suite, name)) for name in dir(suite)
                   if name.startswith("check_") and name not in ("check_sigterm", "check_parent_gone")]
        # Independent checks, several of which wait on purpose: side by side.
        with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
            for line in pool.map(lambda c: report(*c), checks):
                print(line, flush=True)
        print(report("parent gone", suite.check_parent_gone), flush=True)
        print(report("sigterm", suite.check_sigterm), flush=True)
    finally:
        suite.stop()
    if results["failed"]:
        with open(suite.err_file) as err:
            print("server's stderr:\n" + err.read())
    print("took %.1f s" % (time.monotonic() - began))
    print("%d passed, %d failed, %d skipped" % (results["passed"], results["failed"], results["skipped"]))
    return 1 if results["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
