#!/usr/bin/python3
"""How trustworthy the keyword table is on real pages nobody on the team wrote.

Usage: bench/keyword_quality.py PATH_TO_SEO_SITE [--pages N] [--site-pages N] [--held-out]
                                [--write-dense FILE] [--verbose]
Reproduce the published figures: bench/keyword_quality.py build/bin/seo-site
(needs the packages below: the script names those missing; the whole run takes under a
minute on two cores).

Two corpora, both served locally; seo-site is asked for each page's overview and spider
text, and each keyword table's top 10 is compared with a reference made independently:
jieba's own segmentation (python3-jieba, with its hidden Markov model) of the spider
text, keeping content words by jieba's part of speech (reference_words.py).

Documentation (--pages per group, 24 by default): Debian's Chinese and English
documentation packages (lilypond-doc-html-zh, libreoffice-help-zh-cn, kicad-doc-zh,
libreoffice-help-en-us), with GBK copies (iconv) and traditional Big5 copies (OpenCC s2t,
then iconv) of the simplified pages. Prints per group: top-10 agreement, the same against
a reference made from the page without its header, nav, aside and footer elements (where
navigation words are words, as in the webmaster pages' reference), junk rows (function
words, generic words, site navigation) and fragment rows (pieces of a longer word the page
nearly always has).

Webmaster pages (--site-pages per kind, 24 by default; webmaster_pages.py): pages laid
out as Chinese sites are, each with top bar, search box, breadcrumb, menu, pager and
footer, of ten kinds:
  shop     category listings of product cards (正品行货 全国联保 顺丰包邮 on every card)
  product  product pages: specs tables, model names and units (Mate60, iPhone15, ＯＰＰＯ
           Reno11, WH-1000XM5, PS5, 2.4GHz, 65W, USB-C, Wi-Fi, 3.5mm, Win10...)
  review   buyers' reviews, each with star rating, date and 有用(3) 回复 举报
  news     news articles (本报讯, 记者, 责任编辑) from debian-faq-zh-cn, debian-reference-zh-cn
           and debian-edu-doc-zh-cn prose
  company  关于我们 pages of IT and education firms (注册资本), with Debian Edu, Debian
           Reference and maint-guide-zh-cn prose for their services
  forum    threads from the same prose: 楼主, 沙发, quotes, signatures, 引用 回复 举报
  blog     posts of Tang and Song poems (fortunes-zh) and of Debian notes, with comments
  poem     a poetry site's pages of 5 to 8 poems (fortunes-zh) with 收藏 赏析 朗读 buttons
  manual   Chinese manual pages (manpages-zh, zh_CN, turned into HTML here)
  topic    pages about a word that is usually navigation: a restaurant's 菜单, 搜索
           ranking, car 导航, company 注册, an 打印 printer, book 收藏, a PHP tutorial,
           目录 in find and tar (the eight in turn)
and a traditional copy of every page (OpenCC s2twp, Taiwan phrases, UTF-8), compared with
the reference and the table of its simplified original: 480 pages by default. Pages are
the same from run to run (seeded by kind and number); site/pages.tsv in the served folder
gives each page's kind, topic word, model names and source. The reference of a site page
is made from its main content only, the page without its furniture (webmaster_pages.
main_only), so navigation words (目录, 首页) are not stop-listed there: in main content
they are words like any other; model names and units count as one word each.
Prints per kind: top-10 agreement, junk rows, fragment rows (also pieces of a model name
or unit: 4ghz of 2.4GHz), chrome rows (登录, 购物车, 有用, 回复... in the top 10 where the
main content does not have them in its own), whether a topic page's word is in the top 3,
whether a product page's model name is in the top 10, and how far a traditional copy's
top 10 agrees with its original's; then the chrome and fragment rows seen, per kind, and
below the top 10: words of letters and digits cut into pieces (wi and fi of Wi-Fi), and
the topic pages and product pages whose topic word or model name is nowhere in the table.
--write-dense also writes a text-dense page of about 1 MiB, joined from the simplified
documentation pages' bodies, for the service benchmark.
"""

import argparse
import functools
import html
import http.server
import re
import subprocess
import sys
import tempfile
import threading
import urllib.parse
import urllib.request
from pathlib import Path

import jieba

import chinese_prose
import webmaster_quality
from reference_words import is_fragment, is_junk, normal, reference_top10

PACKAGES = ["lilypond-doc-html-zh", "libreoffice-help-zh-cn", "kicad-doc-zh", "libreoffice-help-en-us", "opencc",
            "python3-jieba"] + chinese_prose.PACKAGES
SOURCES = {  # group: folders whose HTML pages are used
    "simplified": ["/usr/share/doc/lilypond/html/Documentation", "/usr/share/libreoffice/help/zh-CN",
                   "/usr/share/doc/kicad/help/zh"],
    "english": ["/usr/share/libreoffice/help/en-US"],
}
VERBOSE = False


def han_count(text):
    return len(re.findall(r"[\u4e00-\u9fff]", text))


def pick_pages(folders, wanted, chinese, held_out):
    files = sorted(p for folder in folders for p in Path(folder).rglob("*.html"))
    scored = []
    for path in files:
        raw = path.read_text(encoding="utf-8", errors="replace")
        body = re.sub(r"<[^>]+>", " ", raw)
        size = han_count(body) if chinese else len(re.findall(r"[A-Za-z]{2,}", body))
        if size >= (400 if chinese else 400):
            scored.append((path, raw))
    step = max(1, len(scored) // wanted)
    # The held-out sample lies halfway between the pages of the ordinary one.
    return scored[step // 2 if held_out else 0::step][:wanted]


def with_charset(raw, charset):
    raw = re.sub(r"<meta[^>]*charset[^>]*>", "", raw, flags=re.I)
    return re.sub(r"<head[^>]*>", lambda m: m.group(0) + f'<meta charset="{charset}">', raw, count=1, flags=re.I)


def opencc(text, config):
    return subprocess.run(["opencc", "-c", config], input=text, capture_output=True, text=True, check=True).stdout


def without_furniture(raw):
    """The page without its site's header, navigation, side bars and footer: its main content."""
    return re.sub(r"<(header|nav|aside|footer)\b.*?</\1\s*>", "", raw, flags=re.S | re.I)


def build_corpus(root, wanted, held_out):
    groups = {}
    for group, folders in SOURCES.items():
        pages = pick_pages(folders, wanted, group != "english", held_out)
        groups[group] = []
        for i, (path, raw) in enumerate(pages):
            name = f"{group}/{i:03}.html"
            (root / group).mkdir(parents=True, exist_ok=True)
            (root / name).write_text(with_charset(raw, "utf-8"), encoding="utf-8")
            (root / f"{group}/{i:03}.main.html").write_text(with_charset(without_furniture(raw), "utf-8"),
                                                            encoding="utf-8")
            groups[group].append((name, path))
            if group != "simplified":
                continue
            for copy, charset, text in (("gbk", "gbk", raw), ("traditional", "big5", opencc(raw, "s2t.json"))):
                (root / copy).mkdir(exist_ok=True)
                (root / f"{copy}/{i:03}.html").write_bytes(
                    with_charset(text, charset).encode(charset, errors="xmlcharrefreplace"))
                groups.setdefault(copy, []).append((f"{copy}/{i:03}.html", path))
    return groups


def get(url):
    with urllib.request.urlopen(url, timeout=60) as answer:
        return answer.read().decode("utf-8")


def table_of(overview):
    """The rows, folded as the reference is (the table shows words as the page writes them)."""
    rows = re.findall(r'<tr class="kw"><td>(.*?)</td><td>(\d+)</td>', overview)
    return [normal(html.unescape(word)) for word, _ in rows]


def spider_text_of(page):
    match = re.search(r'cols="20">(.*?)</textarea>', page, re.S)
    return html.unescape(match.group(1)) if match else ""


def measure(site, groups, base):
    results = {}
    simplified_reference = {}

    def spider_text(name):
        url = urllib.parse.quote(f"{base}/{name}", safe="")
        return spider_text_of(get(f"{site}/Tools/Robot.aspx?url={url}"))

    for group in ("simplified", "gbk", "traditional", "english"):
        agreement, main_agreement, junk, fragments, pages = 0.0, 0.0, 0, 0, 0
        for name, _ in groups.get(group, []):
            url = urllib.parse.quote(f"{base}/{name}", safe="")
            overview = get(f"{site}/?q={url}")
            ours = table_of(overview)[:10]
            text = spider_text(name)
            key = name.split("/")[1]
            if group in ("simplified", "english"):
                reference = reference_top10(text)
                main_reference = reference_top10(spider_text(name.replace(".html", ".main.html")), main_content=True)
                if group == "simplified":
                    simplified_reference[key] = (reference, main_reference, text)
            else:
                reference, main_reference, text = simplified_reference[key]
            if group == "traditional":  # compared in simplified characters
                ours = opencc("\n".join(ours), "t2s.json").split("\n") if ours else []
            if not reference:
                continue
            if VERBOSE and group in ("simplified", "english"):
                print(name, "ours-only:", sorted(set(ours) - set(reference)), "reference-only:",
                      sorted(set(reference) - set(ours)), "junk:", [w for w in ours if is_junk(w)], file=sys.stderr)
            tokens = [t for t in jieba.cut(text.lower())]
            pages += 1
            agreement += len(set(ours) & set(reference)) / min(10, len(reference))
            main_agreement += len(set(ours) & set(main_reference)) / min(10, max(1, len(main_reference)))
            junk += sum(is_junk(w) for w in ours)
            fragments += sum(is_fragment(w, text.lower(), tokens) for w in ours)
        results[group] = (pages, agreement / pages if pages else 0, main_agreement / pages if pages else 0, junk,
                          fragments)
    return results


def write_dense(target):
    """About 1 MiB of distinct documentation bodies, none repeated, so that nothing the
    service remembers of one stretch helps it with another."""
    bodies = []
    size = 0
    for path, raw in pick_pages(SOURCES["simplified"], 100000, True, False):
        body = re.search(r"<body[^>]*>(.*)</body>", raw, re.S | re.I)
        if body:
            bodies.append(body.group(1))
            size += len(body.group(1).encode())
        if size >= 1024 * 1024:
            break
    Path(target).write_text('<!DOCTYPE html><html><head><meta charset="utf-8"><title>文本密集的文档页面</title>'
                            "</head><body>" + "\n".join(bodies) + "</body></html>", encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("seo_site")
    parser.add_argument("--pages", type=int, default=24, help="documentation pages per group")
    parser.add_argument("--site-pages", type=int, default=24, help="webmaster pages per kind")
    parser.add_argument("--held-out", action="store_true",
                        help="pages between those of the ordinary sample, which tuning never saw")
    parser.add_argument("--write-dense")
    parser.add_argument("--verbose", action="store_true", help="each page's differences, on stderr")
    options = parser.parse_args()
    global VERBOSE
    VERBOSE = webmaster_quality.VERBOSE = options.verbose
    missing = [p for p in PACKAGES
               if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True,
                                 text=True).stdout != "install ok installed"]
    if missing:
        print("the corpus needs: apt-get install " + " ".join(missing), file=sys.stderr)
        return 2
    if options.write_dense:
        write_dense(options.write_dense)
    with tempfile.TemporaryDirectory() as work:
        root = Path(work)
        groups = build_corpus(root, options.pages, options.held_out)
        entries = webmaster_quality.build(root, options.site_pages)
        class Quiet(http.server.SimpleHTTPRequestHandler):
            def log_message(self, *args):
                pass

        handler = functools.partial(Quiet, directory=work)
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        service = subprocess.Popen([options.seo_site, "--port", "0"], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        try:
            site = re.search(r"http://\S+?(?=/$)", service.stdout.readline().strip()).group(0)
            base = f"http://127.0.0.1:{server.server_address[1]}"
            results = measure(site, groups, base)
            site_results = webmaster_quality.measure(get, site, base, entries)
        finally:
            service.kill()
            server.shutdown()
    print("| pages | group | top-10 agreement | with the main content's reference | junk rows | fragment rows |")
    print("|---|---|---|---|---|---|")
    for group, (pages, agreement, main_agreement, junk, fragments) in results.items():
        print(f"| {pages} | {group} | {agreement:.2f} | {main_agreement:.2f} | {junk} | {fragments} |")
    webmaster_quality.print_tables(site_results)
    return 0


if __name__ == "__main__":
    sys.exit(main())
