#!/usr/bin/env python3
"""The address guard holds for a crawl: a site on a public address whose page redirects
to this machine, whose sitemap and links name addresses of this machine and the intranet,
gets none of them fetched. The site and "this machine" live in a network namespace the
test makes, with 198.51.100.1 (a documentation address, not private) on its loopback.

Usage: crawl_guard.py PATH_TO_SEO_SITE
"""

import http.server
import os
import sqlite3
import subprocess
import sys
import tempfile
import threading

PUBLIC = "198.51.100.1"


def serve(address, pages):
    """A server on `address` answering `pages` (path → (status, headers, body)); the paths
    it was asked for."""
    asked = []

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            asked.append(self.path)
            status, headers, body = pages.get(self.path, (404, {}, ""))
            self.send_response(status)
            for name, value in headers.items():
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body.encode())))
            self.end_headers()
            self.wfile.write(body.encode())

        do_HEAD = do_GET

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer((address, 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://{address}:{server.server_port}", asked


def main(program):
    inner, inner_asked = serve("127.0.0.1", {"/secret": (200, {"Content-Type": "text/html"}, "<title>内部</title>")})
    secret = inner + "/secret"
    html = {"Content-Type": "text/html; charset=utf-8"}
    site, _ = serve(PUBLIC, {
        "/": (200, html, f'<title>首页</title><a href="/go">跳转</a> <a href="{secret}">内部</a> '
                         f'<a href="http://10.0.0.1/x">内网</a>'),
        "/go": (302, {"Location": secret}, ""),
        "/sitemap.xml": (200, {"Content-Type": "application/xml"},
                         '<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">'
                         f"<url><loc>{secret}?from=sitemap</loc></url></urlset>"),
    })
    failures = []
    with tempfile.TemporaryDirectory() as data:
        crawl = subprocess.run([program, "crawl", site + "/", "--data", data], capture_output=True, text=True,
                               timeout=120)
        with sqlite3.connect(os.path.join(data, "crawls.sqlite")) as db:
            rows = dict(db.execute("SELECT url, coalesce(failure, '') FROM pages"))
    checks = [
        (crawl.returncode == 0, f"the crawl ends (status {crawl.returncode}: {crawl.stderr[-300:]})"),
        (not inner_asked, f"nothing on this machine is fetched: {inner_asked}"),
        ("拒绝访问" in rows.get(site + "/go", ""), f"the redirect to this machine is refused: {rows.get(site + '/go')}"),
        (all("拒绝访问" in rows.get(url, "") for url in (secret, "http://10.0.0.1/x")),
         f"links to this machine and the intranet are refused: {rows}"),
        (secret + "?from=sitemap" not in rows, "a sitemap's entry on another host is not the site's"),
    ]
    for ok, what in checks:
        print(("ok   " if ok else "FAIL ") + what, flush=True)
        failures += [] if ok else [what]
    print(f"{len(failures)} failures" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    if os.environ.get("CRAWL_GUARD_NAMESPACE") != "1":
        # Into a network namespace of our own, with only its loopback, up, holding PUBLIC.
        os.environ["CRAWL_GUARD_NAMESPACE"] = "1"
        setup = f"ip link set lo up && ip addr add {PUBLIC}/32 dev lo && exec python3 \"$0\" \"$1\""
        sys.exit(subprocess.run(["unshare", "--net", "--map-root-user", "sh", "-c", setup, __file__, sys.argv[1]])
                 .returncode)
    sys.exit(main(sys.argv[1]))
