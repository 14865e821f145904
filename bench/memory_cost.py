#!/usr/bin/env python3
"""What a page of each size and kind costs the service: the measurements behind its memory
model (service/README.md, "Memory").

Usage: bench/memory_cost.py BUILD_DIR [--dense FILE]

Each page is analysed in a fresh process (seo_site_memory_cost), so the high-water mark of
its resident memory is that page's alone. Kinds: real documentation in Chinese (the
Debian Reference) and English (Node.js's API manual, 8 MiB), Chinese prose (the dense
page bench/keyword_quality.py --write-dense writes), and markup-dense pages made here
(table cells, list items, a run of <br>). Prints a Markdown table, with the model's
reservation and the parse's limit for each page.
"""
import argparse
import glob
import json
import subprocess
import sys
import tempfile
from pathlib import Path

KIB, MIB = 1024, 1024 * 1024
SIZES = [64 * KIB, MIB, 4 * MIB, 8 * MIB]


def cut(html, size):
    """The page repeated or cut to `size` bytes, closed again after the cut."""
    body = (html * (size // max(1, len(html)) + 1))[: size - 20]
    return body[: body.rfind(">") + 1] + "</body></html>"


def made(kind, size):
    unit = {"table": "<tr><td>单元</td><td>42</td><td>cell</td></tr>\n",
            "list": "<li><a href=\"/p\">条目 item</a></li>\n",
            "br": "<br>"}[kind]
    head = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>标记密集的页面</title></head><body>"
    wrap = {"table": ("<table>", "</table>"), "list": ("<ul>", "</ul>"), "br": ("<p>", "</p>")}[kind]
    return head + wrap[0] + unit * ((size - len(head) - 40) // len(unit.encode())) + wrap[1] + "</body></html>"


def pages(dense):
    reference = "".join(Path(p).read_text() for p in sorted(glob.glob("/usr/share/debian-reference/ch*.zh-cn.html")))
    node = Path("/usr/share/doc/nodejs/api/all.html")
    sources = {"Chinese documentation": reference}
    if node.exists():
        sources["English documentation"] = node.read_text()
    if dense and Path(dense).exists():
        sources["Chinese prose"] = Path(dense).read_text()
    for kind, html in sources.items():
        for size in SIZES:
            yield kind, size, cut(html, size)
    for kind in ("table", "list", "br"):
        for size in (MIB, 8 * MIB):
            yield "markup: " + kind, size, made(kind, size)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--dense", default="/tmp/dense.html")
    args = parser.parse_args()
    tool = Path(args.build) / "bin" / "seo_site_memory_cost"
    print("| page | body | analysis peak | per byte | JSON answer | overview answer |")
    print("|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for kind, size, html in pages(args.dense):
            path = Path(folder) / "page.html"
            path.write_text(html)
            out = json.loads(subprocess.run([tool, path], capture_output=True, text=True, check=True).stdout)
            body = out["body"]
            note = f" ({out['failure']})" if out["failure"] else ""
            print(f"| {kind}{note} | {body / MIB:.2f} MiB | {out['analysis_peak'] / MIB:.1f} MiB "
                  f"| {out['analysis_peak'] / body:.1f} | {out['json'] / KIB:.0f} KiB | {out['overview'] / KIB:.0f} KiB |")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
