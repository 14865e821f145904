#!/usr/bin/env python3
"""What the site crawl costs, measured on a generated loopback site of Chinese pages:
crawl throughput against /api/analyze over the same pages with the same concurrency,
the crawl's peak resident memory at two site sizes, the store's bytes per page, and how
long the crawl's report takes to serve.

Usage: bench/crawl_bench.py PATH_TO_SEO_SITE [--pages N] [--small N] [--in-flight N]
"""
import argparse
import concurrent.futures
import http.server
import os
import random
import resource
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request
from pathlib import Path

WORDS = ("网站 优化 搜索引擎 关键词 排名 内容 页面 链接 用户 数据 服务器 性能 移动端 标题 描述 "
         "结构化 数据库 缓存 索引 收录 流量 转化 原创 文章 栏目 导航 图片 速度 安全 备案").split()


def page_text(n, size):
    rng = random.Random(n)
    out, length = [], 0
    while length < size:
        sentence = "".join(rng.choice(WORDS) for _ in range(rng.randint(6, 14))) + "。"
        out.append(sentence)
        length += len(sentence.encode())
    return "".join(out)


class Site(http.server.BaseHTTPRequestHandler):
    """Page n (30–80 KB of prose) links to 8 pages of the site; 1 in 50 links is to a 404,
    1 in 40 pages redirects, 1 in 30 copies another page; a calendar that never ends."""
    pages = 1000
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        path = urllib.parse.urlsplit(self.path)
        if path.path == "/sitemap.xml":
            locs = "".join(f"<url><loc>http://{self.headers['Host']}/p/{n}</loc></url>" for n in range(self.pages))
            return self.answer(200, f'<urlset xmlns="http://www.sitemaps.org/schemas/sitemap/0.9">{locs}</urlset>',
                               "application/xml")
        if path.path == "/cal":
            day = int(urllib.parse.parse_qs(path.query).get("d", ["0"])[0])
            return self.answer(200, f'<html><body><a href="/cal?d={day + 1}">下一天</a></body></html>')
        if not path.path.startswith("/p/") or not path.path[3:].isdigit() or int(path.path[3:]) >= self.pages:
            return self.answer(404, "")
        n = int(path.path[3:])
        if n % 40 == 39:
            self.send_response(301)
            self.send_header("Location", f"/p/{n - 1}")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        shown = n - 1 if n % 30 == 29 else n
        rng = random.Random(shown)
        links = "".join(f'<a href="/p/{rng.randrange(self.pages)}">第{m}篇</a> ' for m in range(8))
        links += '<a href="/missing">旧文章</a> ' if n % 50 == 0 else ""
        links += '<a href="/cal?d=1">日历</a>' if n == 0 else ""
        body = (f"<html><head><meta charset='utf-8'><title>网站优化第{shown}篇</title>"
                f"<meta name='description' content='第{shown}篇文章'></head><body><h1>第{shown}篇</h1>"
                f"<p>{page_text(shown, rng.randint(30_000, 80_000))}</p>{links}</body></html>")
        self.answer(200, body)

    def answer(self, status, body, content_type="text/html; charset=utf-8"):
        data = body.encode()
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


def serve(pages):
    handler = type("SiteOf", (Site,), {"pages": pages})
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def crawl(program, pages, in_flight):
    """Pages per second and the peak resident memory (MiB) of one crawl of the site."""
    server = serve(pages)
    with tempfile.TemporaryDirectory() as data:
        start = f"http://127.0.0.1:{server.server_port}/p/0"
        began = time.monotonic()
        process = subprocess.Popen(
            ["/usr/bin/time", "-f", "%M", program, "crawl", start, "--data", data, "--allow-private-targets",
             "--max-pages", str(pages * 2), "--depth", "1000", "--per-host", str(in_flight), "--in-flight",
             str(in_flight)], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        out, err = process.communicate()
        took = time.monotonic() - began
        peak_kib = int(err.strip().splitlines()[-1])
        done = int(out.split(" addresses done")[0].rsplit(" ", 1)[1])
        store = sum(f.stat().st_size for f in Path(data).iterdir())
        render = render_times(program, data)
    server.shutdown()
    return done / took, peak_kib / 1024, store / done, done, render


def render_times(program, data):
    """Median milliseconds, of five, for the crawl's report page, a page of its addresses
    sorted by size and a page of one finding's items, served from the store the crawl left."""
    site = subprocess.Popen([program, "--port", "0", "--data", data], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    address = site.stdout.readline().split()[-1].rstrip("/")
    medians = {}
    for path in ("/crawl?id=1", "/crawl/pages?id=1&sort=bytes&order=desc&page=3",
                 "/crawl/pages?id=1&finding=site.links_to_redirects&sort=detail"):
        times = []
        for _ in range(5):
            began = time.monotonic()
            with urllib.request.urlopen(address + path) as answer:
                answer.read()
            times.append((time.monotonic() - began) * 1000)
        medians[path] = sorted(times)[2]
    site.terminate()
    site.wait()
    return medians


def analyze(program, pages, in_flight):
    """Pages per second of /api/analyze over the same pages, as many at once."""
    server = serve(pages)
    site = subprocess.Popen([program, "--port", "0", "--allow-private-targets"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)
    address = site.stdout.readline().split()[-1].rstrip("/")
    time.sleep(2)  # the lexicon

    def one(n):
        target = f"http://127.0.0.1:{server.server_port}/p/{n}"
        with urllib.request.urlopen(f"{address}/api/analyze?url={urllib.parse.quote(target, safe='')}") as answer:
            answer.read()

    began = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(in_flight) as pool:
        for _ in pool.map(lambda n: (one(n) if n % 40 != 39 else None), range(pages)):
            pass
    took = time.monotonic() - began
    site.terminate()
    site.wait()
    server.shutdown()
    return pages / took


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--pages", type=int, default=2000)
    parser.add_argument("--small", type=int, default=100)
    parser.add_argument("--in-flight", type=int, default=4)
    args = parser.parse_args()
    rate, peak, per_page, done, render = crawl(args.program, args.pages, args.in_flight)
    small_rate, small_peak, _, _, _ = crawl(args.program, args.small, args.in_flight)
    analyze_rate = analyze(args.program, args.pages, args.in_flight)
    print(f"crawl of {args.pages} pages: {done} addresses, {rate:.1f} pages/s, peak {peak:.0f} MiB, "
          f"store {per_page / 1024:.1f} KiB a page")
    for path, took in render.items():
        print(f"  {path} served in {took:.0f} ms")
    print(f"crawl of {args.small} pages: {small_rate:.1f} pages/s, peak {small_peak:.0f} MiB")
    print(f"/api/analyze over the same pages: {analyze_rate:.1f} pages/s")
    print(f"crawl / analyze: {rate / analyze_rate:.2f}; memory {args.pages} vs {args.small} pages: "
          f"{peak / small_peak:.2f}x")


if __name__ == "__main__":
    main()
