#!/usr/bin/python3
"""How often the audit and Lighthouse's SEO audits reach the same verdict.

Usage: bench/lighthouse_agreement.py PATH_TO_SEO_SITE --lighthouse PATH [--docs N]
Lighthouse comes from npm (npm install --prefix /tmp/lh lighthouse@12, then
--lighthouse /tmp/lh/node_modules/.bin/lighthouse) and drives Debian's chromium. About
15 s a page on two cores.

Pages, all served on loopback: --docs real Debian documentation pages (Chinese and
English; Debian's debian-faq-zh-cn, maint-guide-zh-cn, kicad-doc-zh and
debian-edu-doc-zh-cn), and small pages that each change one thing of a page that passes
(no canonical, relative hreflang, vague link texts in Chinese and English, script-only
links, an image without alt, no description, noindex), one of them on a site whose
robots.txt has lines crawlers skip.

A Lighthouse audit agrees when it fails exactly where our check warns or fails (title,
description and crawlability: where ours fails), and "not applicable" agrees with our
pass or information. Prints the agreement per audit and every difference.
"""
import argparse
import http.server
import json
import os
import random
import re
import subprocess
import threading
import time
import urllib.parse
import urllib.request
from collections import Counter

DOCS = "/usr/share/doc"
ROBOTS = {"docs": "User-agent: *\nDisallow: /private/\n",
          "valid": "User-agent: *\nDisallow: /blocked\nSitemap: http://127.0.0.1/sitemap.xml\n",
          "faulty": "User-agent: *\nDisalow: /x\nDisallow: private/\nDisallow: /blocked\n"}

# Lighthouse's audit → our checks.
CHECKS = {"document-title": ["snippet.title"], "meta-description": ["snippet.description"],
          "link-text": ["links.vague"], "crawlable-anchors": ["links.crawlable"],
          "robots-txt": ["indexing.robots_syntax"], "image-alt": ["images.alt"],
          "hreflang": ["indexing.hreflang"], "canonical": ["indexing.canonical"],
          "is-crawlable": ["indexing.noindex", "indexing.robots_txt"]}
FAIL_ONLY = {"document-title", "meta-description", "is-crawlable"}  # ours also judges length


def variants():
    found = {
        "base": {}, "no-canonical": {"canonical": False},
        "hreflang-absolute": {"head": '<link rel="alternate" hreflang="zh-CN" href="{self}">'
                                      '<link rel="alternate" hreflang="en" href="{origin}/en">'},
        "hreflang-relative": {"head": '<link rel="alternate" hreflang="zh-CN" href="{self}">'
                                      '<link rel="alternate" hreflang="en" href="/en">'},
        "vague-traditional": {"body": '<a href="/a">點擊這裡</a> <a href="/b">了解詳情</a>'},
        "vague-simplified": {"body": '<a href="/a">点击这里</a>'},
        "crawlable-javascript": {"body": '<a href="javascript:void(0)">登录</a>'},
        "crawlable-hash": {"body": '<a href="#">返回顶部</a>'},
        "crawlable-onclick": {"body": '<a onclick="next()">下一页</a>'},
        "crawlable-button": {"body": '<a href="#" role="button">菜单</a>'},
        "image-no-alt": {"body": '<img src="/a.png">'},
        "no-description": {"description": False},
        "noindex": {"head": '<meta name="robots" content="noindex">'},
    }
    for phrase in ["see more", "more info", "right here", "go", "start", "this", "click this",
                   "information", "click here", "read more"]:
        # Lighthouse reads a link text in its element's language, and has no Chinese list.
        found["vague-en-" + phrase.replace(" ", "-")] = {"body": f'<a href="/p" lang="en">{phrase}</a>'}
    return found


VARIANTS = variants()


def page(self_url, head="", body="", canonical=True, description=True):
    return f"""<!DOCTYPE html><html lang="zh-CN"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>二手房交易流程：看房、签约、贷款与过户全攻略</title>
{'<meta name="description" content="二手房交易要经过看房、签约、贷款、过户和交房五个环节。本文逐一说明每个环节要准备的材料、常见的风险和费用。">' if description else ''}
{f'<link rel="canonical" href="{self_url}">' if canonical else ''}{head}</head><body><h1>二手房交易流程</h1>
<p>买二手房之前，先了解二手房交易的五个环节。</p><a href="/loan">二手房贷款办理指南</a>{body}</body></html>"""


def serve(kind):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def do_GET(self):
            path = urllib.parse.unquote(self.path)
            origin = f"http://127.0.0.1:{self.server.server_address[1]}"
            if path == "/robots.txt":
                return self.answer(200, ROBOTS[kind].encode(), "text/plain")
            if path.startswith("/doc/"):
                try:
                    with open(os.path.join(DOCS, path[5:]), "rb") as file:
                        return self.answer(200, file.read(), "text/html")
                except OSError:
                    return self.answer(404, b"", "text/plain")
            name = path.strip("/")
            if name not in VARIANTS:
                return self.answer(404, b"", "text/plain")
            parts = {k: v.replace("{self}", origin + path).replace("{origin}", origin) if isinstance(v, str) else v
                     for k, v in VARIANTS[name].items()}
            return self.answer(200, page(origin + path, **parts).encode(), "text/html; charset=utf-8")

        def answer(self, status, body, kind):
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_address[1]}"


def our_verdict(audit, findings):
    verdicts = [findings.get(check, {}).get("verdict", "info") for check in CHECKS[audit]]
    if audit in FAIL_ONLY:
        return "fail" if "fail" in verdicts else "pass"
    return "pass" if all(v in ("pass", "info") for v in verdicts) else "fail"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("seo_site")
    parser.add_argument("--lighthouse", required=True)
    parser.add_argument("--docs", type=int, default=20)
    args = parser.parse_args()

    origins = {kind: serve(kind) for kind in ROBOTS}
    random.seed(20)
    docs = sorted(os.path.relpath(os.path.join(d, f), DOCS) for d, _, files in os.walk(DOCS) for f in files
                  if f.endswith(".html") and re.search(r"zh|debian-faq|kicad", d))
    urls = [origins["docs"] + "/doc/" + urllib.parse.quote(p) for p in random.sample(docs, min(args.docs, len(docs)))]
    urls += [origins["valid"] + "/" + name for name in VARIANTS] + [origins["faulty"] + "/base"]

    site = subprocess.Popen([args.seo_site, "--port", "0"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    port = re.search(r":(\d+)", site.stdout.readline()).group(1)
    agree, total, differences = Counter(), Counter(), []
    try:
        for url in urls:
            run = subprocess.run([args.lighthouse, url, "--only-categories=seo", "--output=json", "--quiet",
                                  "--chrome-flags=--headless=new --no-sandbox"], capture_output=True, text=True,
                                 env=dict(os.environ, CHROME_PATH="/usr/bin/chromium"), check=True)
            audits = json.loads(run.stdout)["audits"]
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/api/analyze?url="
                                        + urllib.parse.quote(url, safe=""), timeout=60) as answer:
                findings = {f["id"]: f for f in json.load(answer)["audit"]["findings"]}
            for audit in CHECKS:
                theirs = audits.get(audit)
                if theirs is None or theirs["scoreDisplayMode"] == "error":
                    continue
                lighthouse = ("pass" if theirs["scoreDisplayMode"] in ("notApplicable", "manual")
                              else "pass" if theirs["score"] == 1 else "fail")
                ours = our_verdict(audit, findings)
                total[audit] += 1
                agree[audit] += lighthouse == ours
                if lighthouse != ours:
                    details = "; ".join(f'{c}: {findings.get(c, {}).get("detail", "")[:100]}' for c in CHECKS[audit])
                    differences.append(f"{url.split('/', 3)[3][:60]}  {audit}: Lighthouse {lighthouse}, ours {ours} ({details})")
    finally:
        site.terminate()
    print(f"{len(urls)} pages: {sum(agree.values())} of {sum(total.values())} verdicts agree")
    for audit in CHECKS:
        print(f"  {audit:18} {agree[audit]}/{total[audit]}")
    for difference in differences:
        print("differs:", difference)


if __name__ == "__main__":
    main()
