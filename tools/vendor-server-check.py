#!/usr/bin/env python3
"""Checks the vendor test server over raw sockets: every mode, the control interface, package
folders. Starts its own servers on free loopback ports; needs neither root nor a namespace.
  tools/vendor-server-check.py
"""

import hashlib
import os
import socket
import subprocess
import sys
import tempfile
import time

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vendor-server.py")
PAGE = "/Products/Veltrane/2012/Download.aspx"
HASH = "quorvex-download-hashcode"
IDENTITY = {"ZEPH_OS_VERSION": "7", "ZEPH_CPU_TYPE": "x64"}
SIZE = 204800
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print(f"FAILED: {what}", flush=True)


def sha1(data):
    return hashlib.sha1(data).hexdigest().upper()


class Response:
    def __init__(self, data, reset):
        head, _, self.body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status = int(lines[0].split(" ")[1]) if lines[0] else 0
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(": ")
            self.headers[name.lower()] = value
        self.reset = reset


class Server:
    def __init__(self, *options):
        self.process = subprocess.Popen(
            [sys.executable, SERVER, "--port", "0", *options],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.port = int(self.process.stdout.readline().rsplit(":", 1)[1])

    def Send(self, raw):
        """Sends raw request bytes and reads until the server closes or resets."""
        data, reset = bytearray(), False
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as connection:
            connection.sendall(raw)
            try:
                while piece := connection.recv(1 << 16):
                    data += piece
            except ConnectionResetError:
                reset = True
        return Response(bytes(data), reset)

    def Get(self, path, headers=None):
        lines = [f"GET {path} HTTP/1.1", "Host: vendor.tornquill.test"]
        lines += [f"{name}: {value}" for name, value in (headers or {}).items()]
        lines.append("Connection: close")
        return self.Send(("\r\n".join(lines) + "\r\n\r\n").encode("latin-1"))

    def Control(self, command):
        answer = self.Get("/__control/" + command)
        check(answer.status == 200, f"control {command} answered {answer.status}")
        return answer.body

    def Mode(self, query):
        check(self.Control("mode?" + query) == b"OK", f"mode {query} accepted")
        return self.Get(PAGE, IDENTITY)

    def Stop(self):
        self.process.terminate()
        self.process.wait()
        self.process.stdout.close()


def check_packages(server):
    identities = [(edition, cpu) for edition in ("XP", "Vista", "7") for cpu in ("x64", "Win32")]
    bodies = set()
    for edition, cpu in identities:
        response = server.Get(PAGE, {"ZEPH_OS_VERSION": edition, "ZEPH_CPU_TYPE": cpu})
        body = response.body
        bodies.add(body)
        label = f"{edition} {cpu}"
        check(response.status == 200 and len(body) == SIZE, f"{label}: 200 with {SIZE} bytes")
        check(response.headers.get("content-length") == str(SIZE), f"{label}: Content-Length")
        check(response.headers.get(HASH) == sha1(body), f"{label}: hash header is the SHA-1")
        check(body.startswith(f"Veltrane 2012 {label} block 00000000\n".encode()),
              f"{label}: first block label")
        check(body[65536:].startswith(f"Veltrane 2012 {label} block 00000001\n".encode()),
              f"{label}: second block label")
        query = f"os={edition}&cpu={cpu}"
        check(server.Control("package?" + query) == body, f"{label}: control package = body")
        check(server.Control("hash?" + query) == sha1(body).encode(), f"{label}: control hash")
    check(len(bodies) == len(identities), "every identity has its own package")
    for headers in ({"ZEPH_OS_VERSION": "8", "ZEPH_CPU_TYPE": "x64"},
                    {"ZEPH_OS_VERSION": "7", "ZEPH_CPU_TYPE": "X64"}, {"ZEPH_CPU_TYPE": "x64"}):
        response = server.Get(PAGE, headers)
        check(response.status == 404 and response.body.startswith(b"<!DOCTYPE html>")
              and HASH not in response.headers, f"unknown identity {headers}: 404 page")
    small = server.Mode("name=normal&size=1000")
    check(small.body == server.Control("package?os=7&cpu=x64&size=204800")[:1000],
          "a smaller size gives a prefix of the package")


def check_hash_modes(server):
    body = server.Control("package?os=7&cpu=x64")
    right = sha1(body)
    expected = {
        "no-hash": None,
        "wrong-hash": sha1(body + b"\0"),
        "lower-hash": right.lower(),
        "odd-hash": right[:39],
        "short-hash": right[:38],
        "huge-hash": (right * 30000)[:1 << 20],
        "empty": sha1(b""),
    }
    for mode, code in expected.items():
        response = server.Mode("name=" + mode)
        check(response.headers.get(HASH) == code, f"{mode}: hash header value")
        size = 0 if mode == "empty" else SIZE
        check(response.body == body[:size], f"{mode}: body")
        check(response.headers.get("content-length") == str(size), f"{mode}: Content-Length")
    check(expected["wrong-hash"] != right, "wrong-hash differs from the right hash")
    for query, code in (("normal&hash=ABC", "ABC"), ("chunked&hash=", ""),
                        ("no-hash&hash=ABC", None)):
        response = server.Mode("name=" + query)
        check(response.headers.get(HASH) == code, f"{query}: hash header value")


def dechunk(raw):
    """The decoded body, the chunk sizes and what follows the last chunk's size line."""
    decoded, sizes = b"", []
    while True:
        line, _, raw = raw.partition(b"\r\n")
        count = int(line, 16)
        sizes.append(count)
        if count == 0:
            return decoded, sizes, raw
        decoded, raw = decoded + raw[:count], raw[count + 2:]


def check_framing(server):
    body = server.Control("package?os=7&cpu=x64")
    for mode, length in (("no-length", None), ("bad-length", f"{SIZE}x"),
                         ("huge-length", str(SIZE + (1 << 64)))):
        response = server.Mode("name=" + mode)
        check(response.headers.get("content-length") == length, f"{mode}: Content-Length")
        check(response.headers.get("connection") == "close", f"{mode}: Connection: close")
        check(response.body == body and not response.reset, f"{mode}: body ends at the close")
        check(response.headers.get(HASH) == sha1(body), f"{mode}: hash of the whole body")

    response = server.Mode("name=chunked&chunk=50000")
    check(response.headers.get("transfer-encoding") == "chunked"
          and "content-length" not in response.headers, "chunked: framing headers")
    decoded, sizes, rest = dechunk(response.body)
    check(sizes == [50000] * 4 + [SIZE - 200000, 0], f"chunked: chunk sizes {sizes}")
    check(decoded == body and rest == b"\r\n", "chunked: decoded body and last chunk")

    response = server.Mode("name=short-body&cut=1000")
    check(response.headers.get("content-length") == str(SIZE), "short-body: full length")
    check(response.body == body[:1000] and not response.reset, "short-body: 1000 bytes, FIN")
    response = server.Mode("name=reset&cut=1000")
    check(response.headers.get("content-length") == str(SIZE), "reset: full length")
    check(response.reset and body.startswith(response.body), "reset: connection reset")

    started = time.monotonic()
    response = server.Mode("name=slow&size=50000&chunk=10000&delay=100")
    elapsed = time.monotonic() - started
    check(response.body == body[:50000] and response.headers.get(HASH) == sha1(body[:50000]),
          "slow: body and hash")
    check(elapsed >= 0.35, f"slow: four pauses of 100 ms, took {elapsed:.2f} s")


def check_pages(server):
    body = server.Control("package?os=7&cpu=x64")
    response = server.Mode("name=not-found")
    check(response.status == 404 and HASH not in response.headers, "not-found: 404, no hash")
    check(response.headers.get("content-type", "").startswith("text/html")
          and b"<html>" in response.body, "not-found: HTML body")
    response = server.Mode("name=redirect")
    location = "http://vendor.tornquill.test/Products/Veltrane/2012/Packages/Veltrane-2012-7-x64.msi"
    check(response.status == 302 and response.headers.get("location") == location,
          "redirect: 302 to the package file")
    target = server.Get(location[len("http://vendor.tornquill.test"):])
    check(target.status == 200 and target.body == body and target.headers.get(HASH) == sha1(body),
          "redirect: the package file serves the package")
    response = server.Mode("name=redirect-missing")
    location = response.headers.get("location", "")
    check(response.status == 302 and location.startswith("http://vendor.tornquill.test/"),
          "redirect-missing: 302")
    target = server.Get(location[len("http://vendor.tornquill.test"):])
    check(target.status == 404 and HASH not in target.headers, "redirect-missing: target is 404")
    response = server.Mode("name=server-error")
    check(response.status == 500 and b"<html>" in response.body
          and response.headers.get(HASH) == sha1(response.body),
          "server-error: 500, HTML body, hash header of that body")


def check_stalls(server):
    body = server.Control("package?os=7&cpu=x64")
    request = (f"GET {PAGE} HTTP/1.1\r\nHost: v\r\nZEPH_OS_VERSION: 7\r\n"
               "ZEPH_CPU_TYPE: x64\r\n\r\n").encode()
    for query, sent in (("stall-request", None), ("stall-headers", b""),
                        ("stall-body&cut=1000", body[:1000])):
        check(server.Control("mode?name=" + query) == b"OK", f"mode {query} accepted")
        with socket.create_connection(("127.0.0.1", server.port), timeout=20) as connection:
            connection.sendall(request)
            data = bytearray()
            connection.settimeout(1.5)
            try:
                while piece := connection.recv(1 << 16):
                    data += piece
                check(False, f"{query}: the server closed without a reset")
            except socket.timeout:
                pass
            if sent is None:
                check(data == b"", f"{query}: nothing is sent")
            else:
                response = Response(bytes(data), False)
                check(response.status == 200 and response.body == sent
                      and response.headers.get("content-length") == str(SIZE),
                      f"{query}: the head and {len(sent)} body bytes, then silence")
            started = time.monotonic()
            server.Control("reset")
            connection.settimeout(5)
            try:
                closed = connection.recv(1 << 16) == b""
            except (socket.timeout, ConnectionResetError):
                closed = False
            check(closed and time.monotonic() - started < 2, f"{query}: reset closes the stall")


def check_control(server):
    server.Control("reset")
    check(server.Control("mode") == b"normal size=204800 cut=half chunk=4096 delay=100",
          "reset restores mode normal")
    server.Control("mode?name=slow&size=7&cut=3&chunk=2&delay=9")
    check(server.Control("mode") == b"slow size=7 cut=3 chunk=2 delay=9", "mode reads back")
    server.Control("mode?name=normal&hash=A%20B")
    check(server.Control("mode") == b"normal size=204800 cut=half chunk=4096 delay=100 hash=A B",
          "mode reads back the hash value")
    for query in ("name=bogus", "name=slow&delay=x", "name=slow&chunk=0", "name=normal&hash=%0D"):
        check(server.Get("/__control/mode?" + query).status == 400, f"mode {query} refused")
    check(server.Get("/__control/hash?os=8&cpu=x64").status == 404, "hash of unknown identity")
    check(server.Get("/__control/nothing").status == 404, "unknown control command")
    check(server.Control("icmp") in (b"silent", b"answering"), "icmp reads the state")

    server.Control("reset")
    first = (b"GET " + PAGE.encode() + b"?x=1 HTTP/1.1\r\nHost:  vendor.tornquill.test \r\n"
             b"ZEPH_OS_VERSION:7\r\nZEPH_CPU_TYPE: x64\r\nx-Odd_Case:\tvalue\r\nConnection: close"
             b"\r\n\r\n")
    second = b"GET /elsewhere HTTP/1.0\r\nUser-Agent: Tornquill\r\n\r\n"
    check(server.Send(first).status == 200, "a request with unusual spacing is served")
    check(server.Send(second).status == 404, "an unknown page gets 404")
    check(server.Control("requests") == first + second, "requests recorded exactly as received")
    server.Control("clear")
    check(server.Control("requests") == b"", "clear forgets the requests")

    request = f"GET {PAGE} HTTP/1.1\r\nHost: v\r\nZEPH_OS_VERSION: 7\r\nZEPH_CPU_TYPE: x64\r\n"
    both = server.Send(f"{request}\r\n{request}Connection: close\r\n\r\n".encode())
    body = server.Control("package?os=7&cpu=x64")
    check(both.headers.get("connection") == "keep-alive" and both.body.endswith(body)
          and both.body.count(b"Connection: close\r\n") == 1,
          "two requests are served on one connection")


def check_folder():
    with tempfile.TemporaryDirectory() as folder:
        package = os.urandom(300000)
        with open(os.path.join(folder, "Veltrane-2012-Vista-Win32.msi"), "wb") as target:
            target.write(package)
        server = Server("--packages", folder)
        try:
            identity = {"ZEPH_OS_VERSION": "Vista", "ZEPH_CPU_TYPE": "Win32"}
            response = server.Get(PAGE, identity)
            check(response.body == package and response.headers.get(HASH) == sha1(package),
                  "package folder: the file and its hash")
            check(server.Get(PAGE, IDENTITY).status == 404, "package folder: missing file 404")
            server.Control("mode?name=chunked")
            check(dechunk(server.Get(PAGE, identity).body)[0] == package,
                  "package folder: chunked")
        finally:
            server.Stop()


def main():
    server = Server()
    try:
        for group in (check_packages, check_hash_modes, check_framing, check_pages,
                      check_stalls, check_control):
            server.Control("reset")
            group(server)
    finally:
        server.Stop()
    check_folder()
    print(f"{len(failures)} failed" if failures else "all checks passed")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
