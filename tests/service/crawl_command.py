#!/usr/bin/env python3
"""`seo-site crawl` as a user runs it, on a site of its own on loopback: killed with
SIGKILL and resumed, stopped with Ctrl-C and resumed, and its files written.

Usage: crawl_command.py PATH_TO_SEO_SITE
"""
# Every page ends up stored once and none is lost, whatever moment the crawl was killed at.

import csv
import http.server
import json
import resource
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

PAGES = 240
failures = []
site_version = [1]  # the second version changes a few pages, for comparing two crawls


class Site(http.server.BaseHTTPRequestHandler):
    """Page n links to the next three pages and to the first one; each takes a moment."""

    def do_GET(self):
        changed = site_version[0] == 2
        if self.path == "/p/new" and changed:
            n = PAGES
        elif self.path.startswith("/p/") and self.path[3:].isdigit():
            n = int(self.path[3:])
        else:
            n = -1
        if not 0 <= n <= PAGES or (changed and n == 7):
            self.send_error(404)
            return
        time.sleep(0.03)  # so that the crawl is still under way when it is stopped
        n = 8 if changed and n == 9 else n  # a copy of page 8
        links = "".join(f'<a href="/p/{m}">第{m}页</a> ' for m in (n + 1, n + 2, n + 3, 0) if m < PAGES)
        if changed and n == 0:
            links += '<a href="/p/new">新页</a>'
        title = "改过的标题" if changed and n == 5 else "=SUM(1)" if n == 3 else f"第{n}页"
        text = f"页面{n}的内容。"
        body = f"<html><head><title>{title}</title></head><body><p>{text}</p>{links}</body></html>".encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        try:
            self.wfile.write(body)
        except ConnectionError:
            pass  # the crawler was killed while reading

    def log_message(self, *args):
        pass


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def done_pages(database):
    with sqlite3.connect(database, timeout=10) as db:
        try:
            return db.execute("SELECT count(*) FROM pages WHERE state = 'done'").fetchone()[0]
        except sqlite3.OperationalError:
            return 0  # the store exists but its schema is not written yet


def crawl(program, data, *arguments):
    return subprocess.Popen([program, "crawl", *arguments, "--data", str(data), "--allow-private-targets"],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def wait_for_pages(database, count, process):
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline and process.poll() is None:
        if Path(database).exists() and done_pages(database) >= count:
            return True
        time.sleep(0.05)
    return False


def check_unwritable_store(program, data, start):
    """A store that cannot grow (files held to 256 KiB, as a full disk would hold them), then
    one that cannot be written at all: the crawl says so and fails, what it stored stays
    whole, and it resumes once it can write again."""
    def small_files():
        resource.setrlimit(resource.RLIMIT_FSIZE, (256 * 1024, 256 * 1024))
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)

    full = subprocess.Popen([program, "crawl", start, "--data", str(data), "--allow-private-targets",
                             "--depth", "1000"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            preexec_fn=small_files)
    _, err = full.communicate(timeout=120)
    check(full.returncode == 1 and "cannot be written" in err and "--resume 1" in err,
          f"a full disk ends the crawl with a clear error (status {full.returncode}: {err.strip()[-300:]})")
    database = data / "crawls.sqlite"
    with sqlite3.connect(database) as db:
        whole, = db.execute("PRAGMA integrity_check").fetchone()
    check(whole == "ok" and done_pages(database) > 0, f"what was stored is intact ({whole}, {done_pages(database)} done)")
    # Read-only (immutable, which holds for root too): refused at once, left as it was.
    subprocess.run(["chattr", "+i", str(database)], check=True)
    try:
        refused = crawl(program, data, "--resume", "1")
        _, err = refused.communicate(timeout=60)
    finally:
        subprocess.run(["chattr", "-i", str(database)], check=True)
    check(refused.returncode == 1 and "cannot be used (attempt to write a readonly database)" in err,
          f"a read-only store is refused with a clear error (status {refused.returncode}: {err.strip()[-200:]})")
    resumed = crawl(program, data, "--resume", "1")
    resumed.communicate(timeout=120)
    with sqlite3.connect(database) as db:
        rows, = db.execute("SELECT count(*) FROM pages WHERE state = 'done' AND status = 200").fetchone()
    check(resumed.returncode == 0 and rows == PAGES, f"with room again the crawl ends, every page once ({rows})")


def main(program):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    start = f"http://127.0.0.1:{server.server_port}/p/0"
    with tempfile.TemporaryDirectory() as work:
        data = Path(work) / "data"
        database = data / "crawls.sqlite"

        first = crawl(program, data, start, "--max-pages", "1000", "--depth", "1000", "--in-flight", "4")
        check(wait_for_pages(database, 40, first), "the crawl stores pages as it goes")
        first.send_signal(signal.SIGKILL)
        first.wait()

        resumed = crawl(program, data, "--resume", "1")
        check(wait_for_pages(database, 120, resumed), "a killed crawl resumes")
        resumed.send_signal(signal.SIGINT)
        _, err = resumed.communicate(timeout=60)
        check(resumed.returncode == 130, f"Ctrl-C ends the crawl with status 130 (got {resumed.returncode})")
        with sqlite3.connect(database) as db:
            state, = db.execute("SELECT state FROM crawls WHERE id = 1").fetchone()
            fetching, = db.execute("SELECT count(*) FROM pages WHERE state = 'fetching'").fetchone()
        check(state == "stopped" and fetching == 0, f"a stopped crawl is kept resumable ({state}, {fetching} claimed)")

        json_file, csv_folder = Path(work) / "crawl.json", Path(work) / "csv"
        last = crawl(program, data, "--resume", "1", "--json", str(json_file), "--csv", str(csv_folder))
        out, err = last.communicate(timeout=120)
        check(last.returncode == 0, f"the crawl finishes (status {last.returncode}: {err.strip()[-200:]})")
        with sqlite3.connect(database) as db:
            rows = db.execute("SELECT url, state, status FROM pages WHERE crawl_id = 1").fetchall()
            links, = db.execute("SELECT count(*) FROM links").fetchone()
            doubled, = db.execute("SELECT count(*) FROM (SELECT from_page, to_url FROM links "
                                  "GROUP BY from_page, to_url HAVING count(*) > 1)").fetchone()
        check(len(rows) == PAGES and all(state == "done" and status == 200 for _, state, status in rows),
              f"every page once and done ({len(rows)} rows)")
        check(links == 4 * PAGES - 6 and doubled == 0, f"every link once ({links} links, {doubled} doubled)")
        report = json.loads(json_file.read_text())
        check(len(report["pages"]) == PAGES and report["state"] == "finished", "the JSON file holds the crawl")
        with open(csv_folder / "pages.csv", encoding="utf-8-sig", newline="") as pages:
            rows = list(csv.DictReader(pages))
            titles = {row["url"].rsplit("/", 1)[1]: row["title"] for row in rows}
            check(len(rows) == PAGES and titles["3"] == "'=SUM(1)", "pages.csv has a row a page, no formula")
        check("crawl 1 finished" in out, "the summary says the crawl finished")

        check_unwritable_store(program, Path(work) / "small", start)

        site_version[0] = 2
        second = crawl(program, data, start, "--depth", "1000", "--max-pages", "1000")
        second.communicate(timeout=120)
        comparison = Path(work) / "changes.json"
        compared = crawl(program, data, "--compare", "1", "2", "--json", str(comparison))
        compared.communicate(timeout=60)
        changes = {(c["kind"], c["url"].rsplit("/", 1)[1]) for c in json.loads(comparison.read_text())["changes"]}
        expected = {("new", "new"), ("status", "7"), ("title", "5"), ("title", "9"), ("broken_link", "4"), ("broken_link", "5"),
                    ("broken_link", "6"), ("duplicate", "9"), ("duplicate", "8")}
        check(second.returncode == 0 and changes == expected, f"two crawls compared: {sorted(changes ^ expected)}")

        for arguments, status in ((["ftp://example.com/"], 1), (["--resume", "1", "--depth", "2"], 2)):
            refused = crawl(program, data, *arguments)
            refused.communicate(timeout=30)
            check(refused.returncode == status, f"{' '.join(arguments)} is refused with status {status}")
    server.shutdown()
    print(f"{len(failures)} failures" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
