#!/usr/bin/env python3
"""Crawls shared by three seo-site instances on one PostgreSQL behind nginx
(tools/cluster-up.sh), on sites of its own on loopback: one instance killed with SIGKILL
and the database restarted in the middle of a crawl, politeness kept by all the instances
together, and a fourth instance whose clock is ten minutes fast.

Usage: shared_crawl_faults.py PATH_TO_SEO_SITE [PAGES]
"""
# The sites log every request with its time, so that what the crawlers did is judged by
# what the sites saw, and the store is read with psql for what was kept.

import collections
import http.server
import json
import os
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.parse
import urllib.request
from pathlib import Path

HERE = Path(__file__).resolve().parent
TOOLS = HERE.parent.parent / "tools"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


class Site(http.server.ThreadingHTTPServer):
    """A site of `sections` sections of `per_section` pages under its home page, each
    request logged as (path, start, end) when it is answered."""

    daemon_threads = True

    def __init__(self, sections, per_section, robots="", pause=0.0):
        self.sections, self.per_section, self.robots, self.pause = sections, per_section, robots, pause
        self.log, self.lock = [], threading.Lock()
        super().__init__(("127.0.0.1", 0), Page)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def url(self, path="/"):
        return f"http://127.0.0.1:{self.server_address[1]}{path}"

    def pages(self):
        return 1 + self.sections * (1 + self.per_section)

    def most_at_once(self):
        with self.lock:
            edges = sorted([(start, 1) for _, start, _ in self.log] + [(end, -1) for _, _, end in self.log],
                           key=lambda edge: (edge[0], edge[1]))
        now = most = 0
        for _, step in edges:
            now += step
            most = max(most, now)
        return most

    def asked(self):
        """Requests for each page (robots.txt and sitemaps are read by each worker)."""
        with self.lock:
            return collections.Counter(path for path, _, _ in self.log if is_page(path))


def is_page(path):
    return path == "/" or path.startswith(("/s/", "/p/"))


class Page(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.answer(self.server, time.monotonic())

    def answer(self, site, started):
        parts = self.path.strip("/").split("/")
        if self.path == "/robots.txt":
            links = None
        elif self.path == "/":
            links = [f"/s/{s}" for s in range(site.sections)]
        elif len(parts) == 2 and parts[0] == "s" and int(parts[1]) < site.sections:
            links = [f"/p/{parts[1]}/{p}" for p in range(site.per_section)]
        elif len(parts) == 3 and parts[0] == "p":
            links = ["/"]
        else:
            self.send_error(404)
            return
        time.sleep(site.pause)
        with site.lock:  # answered: from here on the worker may have it all
            site.log.append((self.path, started, time.monotonic()))
        if links is None:
            body, kind = site.robots.encode(), "text/plain"
        else:
            anchors = "".join(f'<a href="{link}">{link}</a> ' for link in links)
            body, kind = f"<html><head><title>{self.path}</title></head><body>{anchors}</body></html>".encode(), \
                "text/html; charset=utf-8"
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except ConnectionError:
            pass  # a worker killed while reading

    def log_message(self, *args):
        pass


def api(path, form=None):
    """GET or POST through nginx: (status, JSON)."""
    data = urllib.parse.urlencode(form).encode() if form else None
    try:
        with urllib.request.urlopen(os.environ["SEO_SITE_CLUSTER"] + path, data, timeout=30) as answer:
            return answer.status, json.load(answer)
    except urllib.error.HTTPError as error:
        said = error.read()
        try:
            return error.code, json.loads(said)
        except ValueError:
            return error.code, said.decode(errors="replace")[:200]


def sql(query):
    return subprocess.run(["psql", os.environ["SEO_SITE_STORE"], "-Atc", query],
                          capture_output=True, text=True, check=True).stdout.split()


def start_crawl(site, pages):
    status, started = api("/api/crawls", {"url": site.url(), "max_pages": pages, "depth": 3})
    check(status == 202, f"a crawl of {site.pages()} pages is started through nginx ({status})")
    return started["id"]


def wait_for(crawl, condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        status, summary = api(f"/api/crawl?id={crawl}")
        if status == 200 and condition(summary):
            return summary
        time.sleep(0.2)
    return None


def instance_pid(k):
    return int((Path(os.environ["SEO_SITE_CLUSTER_DIR"]) / f"instance-{k}.pid").read_text())


def check_stored_once(crawl, site, what):
    rows = sql(f"SELECT count(*), count(DISTINCT url) FROM pages WHERE crawl_id = {crawl} "
               f"AND state = 'done' AND status = 200")
    check(rows == [f"{site.pages()}|{site.pages()}"], f"{what}: every page stored once ({rows})")


def killed_and_restarted(pages):
    """A crawl that loses a worker to SIGKILL and its database for a few seconds."""
    site = Site(sections=pages // 50, per_section=49)
    crawl = start_crawl(site, site.pages())
    wait_for(crawl, lambda s: s["progress"]["done"] >= site.pages() // 5, 300)
    # An instance that holds pages of the crawl (its leases are named by its process).
    pids = {instance_pid(k) for k in (1, 2, 3)}
    holders = collections.Counter(int(worker.split("-")[0]) for worker in sql(
        f"SELECT worker FROM pages WHERE crawl_id = {crawl} AND state = 'fetching'"))
    victim, held = next(((pid, count) for pid, count in holders.most_common() if pid in pids), (0, 0))
    check(held > 0, f"an instance holds {held} pages when it is killed")
    os.kill(victim, signal.SIGKILL)
    wait_for(crawl, lambda s: s["progress"]["done"] >= site.pages() // 2, 300)

    database = Path(os.environ["SEO_SITE_CLUSTER_DIR"]) / "postgres"
    subprocess.run([TOOLS / "scratch-postgres.sh", "stop", database], check=True)
    status, answer = api(f"/api/crawl?id={crawl}")
    check(status == 503 and "store_unreachable" in json.dumps(answer),
          f"while the database is down the site says so ({status} {answer})")
    time.sleep(3)
    subprocess.run([TOOLS / "scratch-postgres.sh", "start", database], check=True, capture_output=True)

    finished = wait_for(crawl, lambda s: s["state"] != "running", 600)
    check(finished is not None and finished["state"] == "finished",
          f"the crawl finishes without the killed worker and across the restart "
          f"({finished and finished['state']})")
    check_stored_once(crawl, site, "killed and restarted")
    asked = site.asked()
    twice = sum(count - 1 for count in asked.values())
    check(len(asked) == site.pages(), f"every page asked for ({len(asked)} of {site.pages()})")
    # Only pages the killed worker held (and pages under way when the database went) are
    # asked for again, once their leases ran out.
    check(twice <= held + 3 * 8, f"pages asked for twice: {twice}, the killed worker held {held}")
    check(site.most_at_once() <= 2, f"never more than 2 requests at once from all workers ({site.most_at_once()})")


def polite_together():
    """Three workers on a host that asks for 0.3 s between requests."""
    site = Site(sections=3, per_section=5, robots="User-agent: *\nCrawl-delay: 0.3\n")
    crawl = start_crawl(site, site.pages())
    finished = wait_for(crawl, lambda s: s["state"] != "running", 120)
    check(finished is not None and finished["state"] == "finished", "the polite crawl finishes")
    pages = sorted((start, end) for path, start, end in site.log if is_page(path))
    # A request starts no sooner than the delay after the one before it ended.
    gaps = [later[0] - earlier[1] for earlier, later in zip(pages, pages[1:])]
    check(len(pages) == site.pages() and min(gaps) >= 0.29,
          f"{len(pages)} pages, at least 0.3 s apart across all workers (least {min(gaps):.3f} s)")


def clock_ten_minutes_fast(program):
    """A worker whose clock is ten minutes ahead joins a crawl whose pages are leased."""
    site = Site(sections=2, per_section=20, pause=0.3)
    crawl = start_crawl(site, site.pages())
    wait_for(crawl, lambda s: s["progress"]["fetching"] > 0, 60)
    # A sanitized build wants its runtime first among the libraries; libfaketime is first.
    sanitizer = ":".join(filter(None, [os.environ.get("ASAN_OPTIONS"), "verify_asan_link_order=0"]))
    env = dict(os.environ, FAKETIME="+10m", FAKETIME_DONT_FAKE_MONOTONIC="1", ASAN_OPTIONS=sanitizer,
               LD_PRELOAD="/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1")
    fast = subprocess.Popen([program, "crawl", "--join", str(crawl), "--store", os.environ["SEO_SITE_STORE"],
                             "--allow-private-targets"], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True)
    finished = wait_for(crawl, lambda s: s["state"] != "running", 120)
    said = fast.communicate(timeout=60)[0]
    check(fast.returncode == 0 and "finished" in said, f"the fast worker worked on the crawl ({said.strip()[-80:]})")
    check(finished is not None and finished["state"] == "finished", "the crawl finishes")
    twice = [path for path, count in site.asked().items() if count > 1]
    check(not twice, f"no live lease taken by the fast clock: pages asked twice {twice}")
    check_stored_once(crawl, site, "with a fast clock")


def free_port_block(count):
    for base in range(20000 + os.getpid() % 20000, 60000, 97):
        try:
            for port in range(base, base + count):
                with socket.socket() as probe:
                    probe.bind(("127.0.0.1", port))
            return base
        except OSError:
            continue
    raise RuntimeError("no free ports")


def main(program, pages):
    if "SEO_SITE_CLUSTER" not in os.environ:
        return subprocess.run([TOOLS / "cluster-up.sh", "--seo-site", program, "--port", str(free_port_block(4)),
                               sys.executable, __file__, program, str(pages)]).returncode
    for part in (polite_together, lambda: clock_ten_minutes_fast(program), lambda: killed_and_restarted(pages)):
        began = time.monotonic()
        part()
        print(f"     ({time.monotonic() - began:.0f} s)", flush=True)
    print("all passed" if not failures else f"{len(failures)} failed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 5000))
