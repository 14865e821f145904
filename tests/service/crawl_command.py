#!/usr/bin/env python3
"""`seo-site crawl` as a user runs it, on a site of its own on loopback: killed with
SIGKILL and resumed, stopped with Ctrl-C and resumed, and its files written.

Usage: crawl_command.py PATH_TO_SEO_SITE
"""
# Every page ends up stored once and none is lost, whatever moment the crawl was killed at.

import csv
import http.server
import json
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


class Site(http.server.BaseHTTPRequestHandler):
    """Page n links to the next three pages and to the first one; each takes a moment."""

    def do_GET(self):
        if not self.path.startswith("/p/"):
            self.send_error(404)
            return
        n = int(self.path[3:])
        if n >= PAGES:
            self.send_error(404)
            return
        time.sleep(0.03)  # so that the crawl is still under way when it is stopped
        links = "".join(f'<a href="/p/{m}">第{m}页</a> ' for m in (n + 1, n + 2, n + 3, 0) if m < PAGES)
        body = f"<html><head><title>第{n}页</title></head><body><p>页面{n}的内容。</p>{links}</body></html>".encode()
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
        return db.execute("SELECT count(*) FROM pages WHERE state = 'done'").fetchone()[0]


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
            check(len(list(csv.DictReader(pages))) == PAGES, "pages.csv has a row a page")
        check("crawl 1 finished" in out, "the summary says the crawl finished")

        for arguments, status in ((["ftp://example.com/"], 1), (["--resume", "1", "--depth", "2"], 2)):
            refused = crawl(program, data, *arguments)
            refused.communicate(timeout=30)
            check(refused.returncode == status, f"{' '.join(arguments)} is refused with status {status}")
    server.shutdown()
    print(f"{len(failures)} failures" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
