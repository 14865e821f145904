#!/usr/bin/env python3
"""A crawl of real pages nobody on the team wrote: Debian's Chinese guide for new
maintainers (package maint-guide-zh-cn), served from its folder on loopback, crawled by
`seo-site crawl` without checking the links to other sites, then read on the site.

Usage: crawl_real_pages.py PATH_TO_SEO_SITE [FOLDER]
"""

import functools
import http.server
import json
import re
import subprocess
import sys
import tempfile
import threading
import urllib.request
from pathlib import Path

FOLDER = "/usr/share/doc/maint-guide-zh-cn/html"
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def main(program, folder):
    pages = sorted(path.name for path in Path(folder).glob("*.html"))
    if not pages:
        print(f"FAIL no pages in {folder}: install maint-guide-zh-cn (tools/install-deps.sh does)")
        return 1
    asked = []

    class Folder(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def send_head(self):
            asked.append(self.path)
            return super().send_head()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Folder, directory=folder))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    site = f"http://127.0.0.1:{server.server_port}/"
    with tempfile.TemporaryDirectory() as work:
        report_file = Path(work) / "crawl.json"
        crawl = subprocess.run([program, "crawl", site + "index.zh-cn.html", "--no-external", "--data", work,
                                "--allow-private-targets", "--json", str(report_file)],
                               capture_output=True, text=True, timeout=240)
        check(crawl.returncode == 0, f"the crawl finishes (status {crawl.returncode}: {crawl.stderr[-300:]})")
        report = json.loads(report_file.read_text())
        done = {page["url"]: page for page in report["pages"] if page["state"] == "done"}
        missing = [name for name in pages if done.get(site + name, {}).get("status") != 200]
        check(not missing, f"every page of the guide crawled, with 200 ({len(done)} done; not: {missing})")
        check(all(page["text_words"] and page["title"] for page in done.values() if page["status"] == 200),
              "every page has its title and its words counted")
        external = [page for page in report["pages"] if page["external"]]
        check(external and all(page["skipped_by"] == "external" for page in external),
              f"links to other sites listed, none checked ({len(external)})")
        stray = [path for path in asked if path not in ("/robots.txt", "/sitemap.xml")
                 and not (Path(folder) / path.lstrip("/").split("?")[0]).exists()]
        check(not stray, f"only the folder's files asked for: {stray}")
        words = [keyword["word"] for keyword in report["keywords"][:10]]
        check("软件包" in words, f"the guide's subject among the site's keywords: {words}")
        check(len(report["findings"]) == 25, "every site-wide finding judged")

        service = subprocess.Popen([program, "--port", "0", "--data", work], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        try:
            face = re.search(r"http://\S+/", service.stdout.readline()).group(0)
            with urllib.request.urlopen(face + "crawl?id=1", timeout=30) as answer:
                page = answer.read().decode()
            check("全站体检" in page and "网站结构" in page, "the crawl's page shows its findings and structure")
            with urllib.request.urlopen(face + "api/crawl/pages?id=1&sort=text_words&order=desc&limit=3",
                                        timeout=30) as answer:
                longest = json.load(answer)["items"]
            words = [page["text_words"] for page in longest]
            check(len(words) == 3 and words == sorted(words, reverse=True), f"the longest pages first: {words}")
        finally:
            service.kill()
    server.shutdown()
    print(f"{len(failures)} failures" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else FOLDER))
