#!/usr/bin/env python3
"""seo-site under load, slow clients and broken targets.

Usage: faults_and_load.py PATH_TO_SEO_SITE

Starts the service on a free loopback port and a target web server of its own, then
checks, each step bounded in time and reported on one line:
  a. it keeps answering under wrk load on the overview route (skipped without wrk);
  b. 100 clients trickling their requests do not keep a normal client waiting 1 s;
  c. targets that never finish, are too large, redirect in a loop or send broken gzip
     each give the failure page in time;
  d. parallel overview requests for one fresh target cost one fetch of it;
  e. its memory stays bounded throughout.
Exits non-zero on any failure; the service is always killed at the end.
"""

import http.server
import re
import shutil
import socket
import subprocess
import sys
import threading
import time
import urllib.parse
import urllib.request

MIB = 1024 * 1024
PAGE_LIMIT = 8 * MIB  # the service's own limit on a target's body
FAILURE_BOUND = 25.0  # seconds; the service gives up on a target after 15 s
TITLE_MARK = ">标题（Title）"

failures = []


def report(step, ok, text):
    print(f"{step}: {'ok' if ok else 'FAILED'}: {text}", flush=True)
    if not ok:
        failures.append(step)


def mixed_page(size):
    chinese = "搜索引擎优化是提高网站在搜索结果中排名的方法，数据库服务器的性能直接影响页面的加载速度。"
    english = "Search engine optimization improves the visibility of a website. "
    parts = ["<html><head><title>网站优化 SEO</title>"
             '<meta name="keywords" content="SEO,网站优化"></head><body>']
    i = 0
    while sum(len(p.encode()) for p in parts) < size:
        parts.append(f"<p>第{i}节 {chinese}{english}</p>\n")
        i += 1
    parts.append("</body></html>")
    return "".join(parts).encode()


class Target(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), TargetHandler)
        self.hits = {}
        self.hits_lock = threading.Lock()
        self.stopping = threading.Event()
        self.load_page = mixed_page(40 * 1024)

    def url(self, path):
        return f"http://127.0.0.1:{self.server_address[1]}{path}"


class TargetHandler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        server = self.server
        path = self.path.split("?")[0]
        with server.hits_lock:
            server.hits[self.path] = server.hits.get(self.path, 0) + 1
        try:
            if path == "/load.html" or path == "/fresh":
                if path == "/fresh":
                    time.sleep(0.3)  # long enough for every parallel request to arrive
                self.answer(200, server.load_page)
            elif path == "/never":
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", "100000")
                self.end_headers()
                self.wfile.write(b"<html><body>")
                self.wfile.flush()
                server.stopping.wait(60)
            elif path == "/too-large":
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Length", str(PAGE_LIMIT + MIB))
                self.end_headers()
                self.stream(PAGE_LIMIT + MIB)
            elif path == "/too-large-streamed":
                self.send_response(200)  # HTTP/1.0: no length, the body ends at close
                self.send_header("Content-Type", "text/html")
                self.end_headers()
                self.stream(PAGE_LIMIT + 2 * MIB)
            elif path == "/loop":
                self.send_response(302)
                self.send_header("Location", "/loop")
                self.send_header("Content-Length", "0")
                self.end_headers()
            elif path == "/broken-gzip":
                body = b"\x1f\x8b\x08\x00" + b"this is not deflate data at all" * 100
                self.send_response(200)
                self.send_header("Content-Type", "text/html")
                self.send_header("Content-Encoding", "gzip")
                self.send_header("Content-Length", str(len(body)))
                self.end_headers()
                self.wfile.write(body)
            else:
                self.answer(404, b"not here")
        except (BrokenPipeError, ConnectionResetError):
            pass

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def stream(self, size):
        chunk = b"<p>" + b"x" * (64 * 1024 - 7) + b"</p>\n"
        sent = 0
        while sent < size and not self.server.stopping.is_set():
            self.wfile.write(chunk)
            sent += len(chunk)


class Service:
    def __init__(self, path):
        self.process = subprocess.Popen([path, "--port", "0"], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL)
        self.port = None
        line = []

        def read_line():
            line.append(self.process.stdout.readline().decode(errors="replace"))

        reader = threading.Thread(target=read_line, daemon=True)
        reader.start()
        reader.join(120)  # loading the lexicon takes a while, longer under sanitizers
        match = re.match(r"seo-site listening on http://(.+):(\d+)/", line[0] if line else "")
        if not match:
            raise RuntimeError(f"service did not announce its port: {line!r}")
        self.port = int(match.group(2))

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def overview_path(self, target_url):
        return "/?q=" + urllib.parse.quote(target_url, safe="")

    def get(self, path, timeout):
        with urllib.request.urlopen(self.url(path), timeout=timeout) as response:
            return response.status, response.read().decode()

    def memory_kib(self, field):
        try:
            with open(f"/proc/{self.process.pid}/status") as status:
                for row in status:
                    if row.startswith(field + ":"):
                        return int(row.split()[1])
        except OSError:
            pass
        return 0

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


class MemoryWatch:
    def __init__(self, service):
        self.service = service
        self.peak_rss = 0
        self.done = threading.Event()
        self.thread = threading.Thread(target=self.run, daemon=True)
        self.thread.start()

    def run(self):
        while not self.done.wait(0.1):
            self.peak_rss = max(self.peak_rss, self.service.memory_kib("VmRSS"))

    def stop(self):
        self.done.set()
        self.thread.join()


def answers(service, bound=10):
    try:
        status, body = service.get("/veltro/shenji.txt", bound)
        return status == 200 and body.endswith("\r\n")
    except OSError:
        return False


def step_load(service, target):
    if shutil.which("wrk") is None:
        print("a. load: skipped: wrk is not installed", flush=True)
        return
    url = service.url(service.overview_path(target.url("/load.html")))
    service.get(service.overview_path(target.url("/load.html")), 30)  # fetched once, then cached
    try:
        run = subprocess.run(["wrk", "-t2", "-c16", "-d5s", "--timeout", "5s", "--latency", url],
                             capture_output=True, text=True, timeout=40)
    except subprocess.TimeoutExpired:
        report("a. load", False, "wrk did not finish in 40 s")
        return
    out = run.stdout
    rate = re.search(r"Requests/sec:\s*([\d.]+)", out)
    p99 = re.search(r"^\s*99%\s+(\S+)", out, re.MULTILINE)
    non_2xx = re.search(r"Non-2xx or 3xx responses:\s*(\d+)", out)
    errors = re.search(r"Socket errors: connect (\d+), read (\d+), write (\d+), timeout (\d+)", out)
    error_count = sum(int(n) for n in errors.groups()) if errors else 0
    bad = int(non_2xx.group(1)) if non_2xx else 0
    still = answers(service)
    ok = run.returncode == 0 and rate is not None and bad == 0 and error_count <= 5 and still
    report("a. load", ok,
           f"{rate.group(1) if rate else '?'} req/s, p99 {p99.group(1) if p99 else '?'}, "
           f"non-2xx {bad}, socket errors {error_count}, answering afterwards: {still}")


def step_slow_clients(service):
    slow = []
    try:
        for _ in range(100):
            slow.append(socket.create_connection(("127.0.0.1", service.port), timeout=5))
    except OSError as error:
        report("b. slow clients", False, f"could only open {len(slow)} connections: {error}")
        for sock in slow:
            sock.close()
        return
    done = threading.Event()
    request = b"GET /veltro/shenji.txt HTTP/1.1\r\nHost: x\r\n"

    def trickle():
        i = 0
        while not done.wait(0.5):
            for sock in slow:
                try:
                    sock.send(request[i % len(request):i % len(request) + 1])
                except OSError:
                    pass
            i += 1

    trickler = threading.Thread(target=trickle, daemon=True)
    trickler.start()
    time.sleep(1.2)  # every slow client has started its request
    # The best of three tries: a loaded machine may stall one request now and then,
    # while slow clients that block the service block every try.
    best = None
    for _ in range(3):
        start = time.monotonic()
        ok = answers(service, bound=5)
        took = time.monotonic() - start
        if ok:
            best = took if best is None else min(best, took)
            if best < 1.0:
                break
    done.set()
    trickler.join()
    for sock in slow:
        sock.close()
    report("b. slow clients", best is not None and best < 1.0,
           f"normal client answered in {best:.3f} s beside 100 trickling clients"
           if best is not None else "normal client got no answer beside 100 trickling clients")


def step_broken_targets(service, target):
    results = {}

    def query(name):
        start = time.monotonic()
        try:
            status, body = service.get(service.overview_path(target.url(name)), FAILURE_BOUND + 5)
            failed_page = status == 200 and TITLE_MARK not in body and "查询网址" in body
        except OSError:
            failed_page = False
        results[name] = (failed_page, time.monotonic() - start)

    names = ["/never", "/too-large", "/too-large-streamed", "/loop", "/broken-gzip"]
    threads = [threading.Thread(target=query, args=(name,), daemon=True) for name in names]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(FAILURE_BOUND + 10)
    for name in names:
        failed_page, took = results.get(name, (False, float("inf")))
        report(f"c. target {name}", failed_page and took <= FAILURE_BOUND,
               f"failure page in {took:.1f} s" if failed_page else f"no failure page ({took:.1f} s)")


def step_one_fetch(service, target):
    fresh = target.url(f"/fresh?run={time.time_ns()}")
    statuses = []

    def query():
        try:
            status, body = service.get(service.overview_path(fresh), 30)
            statuses.append(status == 200 and TITLE_MARK in body)
        except OSError:
            statuses.append(False)

    threads = [threading.Thread(target=query, daemon=True) for _ in range(10)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(40)
    path = fresh[fresh.index("/fresh"):]
    with target.hits_lock:
        hits = target.hits.get(path, 0)
    report("d. one fetch", hits == 1 and len(statuses) == 10 and all(statuses),
           f"10 parallel overviews, {sum(statuses)} full pages, {hits} fetch(es) of the target")


def built_with_address_sanitizer(path):
    with open(path, "rb") as binary:
        return b"__asan_init" in binary.read()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    path = sys.argv[1]
    # AddressSanitizer's shadow memory and its quarantine of freed blocks (up to 256 MiB,
    # filled quickly under load) count in the resident set.
    memory_limit_mib = 800 if built_with_address_sanitizer(path) else 300

    target = Target()
    threading.Thread(target=target.serve_forever, daemon=True).start()
    started = time.monotonic()
    service = None
    try:
        service = Service(path)
        print(f"service on port {service.port}, up in {time.monotonic() - started:.1f} s",
              flush=True)
        watch = MemoryWatch(service)
        step_load(service, target)
        step_slow_clients(service)
        step_broken_targets(service, target)
        step_one_fetch(service, target)
        watch.stop()
        peak_rss = max(watch.peak_rss, service.memory_kib("VmRSS")) / 1024
        hwm = service.memory_kib("VmHWM") / 1024
        still = answers(service)
        report("e. memory", peak_rss < memory_limit_mib and hwm < memory_limit_mib and still,
               f"peak VmRSS {peak_rss:.0f} MiB, VmHWM {hwm:.0f} MiB (limit {memory_limit_mib} MiB), "
               f"answering at the end: {still}")
    except Exception as error:  # anything unexpected is a failure, not a crash
        report("setup", False, repr(error))
    finally:
        target.stopping.set()
        if service is not None:
            service.kill()
        target.shutdown()
    print(f"{'FAILED: ' + ', '.join(failures) if failures else 'all passed'} "
          f"in {time.monotonic() - started:.1f} s", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
