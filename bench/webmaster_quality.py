"""The keyword table on the pages webmasters run, per kind of page (see webmaster_pages).

Each page is served twice: whole, and as its main content only (the site's furniture cut
out). The table of the whole page is compared with jieba's reference made from the spider
text of the main content; traditional copies (OpenCC s2twp, Taiwan phrases) with the
reference and the table of their simplified original. A row that is a word of the page's
title (without the site's name it ends with) or h1 is no junk nor chrome: the table keeps
the page's topic on purpose.
"""

import collections
import html
import re
import subprocess
import sys
import urllib.parse

import reference_words as rw
import webmaster_pages

CHROME_WORDS = set(webmaster_pages.CHROME_LABELS)
SEPARATOR = "\n<!--next page-->\n"


def opencc_many(texts, config):
    """One OpenCC run for many texts: it takes far longer to start than to convert a page."""
    if not texts:
        return []
    joined = SEPARATOR.join(texts)
    out = subprocess.run(["opencc", "-c", config], input=joined, capture_output=True, text=True, check=True).stdout
    parts = out.split(SEPARATOR)
    assert len(parts) == len(texts), "OpenCC changed the page separator"
    return parts


def heading_words(page):
    """The words of the title without the site's name it ends with, and of the h1: the page's
    topic, which the table never hides, even where the site's furniture has them too."""
    title = html.unescape(re.search(r"<title>(.*?)</title>", page, re.S).group(1))
    cut = max(title.rfind(separator) for separator in (" - ", "_", "|", "｜", "—", "–"))
    title = title[:cut] if cut > 0 else title
    h1 = " ".join(html.unescape(re.sub(r"<[^>]+>", "", h)) for h in re.findall(r"<h1>(.*?)</h1>", page, re.S))
    return sorted({word for word, _ in rw.site_words(title + " " + h1)})


def build(root, per_kind):
    """Writes the pages under root/site and returns one entry per simplified page."""
    entries = []
    for kind in webmaster_pages.KINDS:
        (root / "site" / kind).mkdir(parents=True, exist_ok=True)
        (root / "site" / f"tw-{kind}").mkdir(parents=True, exist_ok=True)
        for i in range(per_kind):
            page = webmaster_pages.build(kind, i)
            name = f"site/{kind}/{i:03}.html"
            entry = dict(kind=kind, name=name, main=f"site/{kind}/{i:03}.main.html",
                         traditional=f"site/tw-{kind}/{i:03}.html", topic=page.topic, models=page.models,
                         source=page.source, heading_words=heading_words(page.html))
            (root / name).write_text(page.html, encoding="utf-8")
            (root / entry["main"]).write_text(webmaster_pages.main_only(page.html), encoding="utf-8")
            entries.append((entry, page.html))
    for (entry, _), copy in zip(entries, opencc_many([page for _, page in entries], "s2twp.json")):
        (root / entry["traditional"]).write_text(copy, encoding="utf-8")
    # What each page is, for whoever looks at the served corpus (a topic page's word, a product's models).
    (root / "site" / "pages.tsv").write_text("".join(
        f"{entry['name']}\t{entry['kind']}\t{entry['topic']}\t{' '.join(entry['models'])}\t{entry['source']}\n"
        for entry, _ in entries), encoding="utf-8")
    return [entry for entry, _ in entries]


def readings(words):
    """OpenCC's readings of traditional rows in simplified characters: character by character,
    with mainland phrases, and with mainland phrases after Taiwan phrases (选单 read as 菜单)."""
    found = [opencc_many(words, "t2s.json"), opencc_many(words, "tw2sp.json"),
             opencc_many(opencc_many(words, "s2twp.json"), "tw2sp.json")]
    return {word: [r[i] for r in found] for i, word in enumerate(words)}


def back_to_simplified(rows, forms, entry):
    """A traditional top 10 in simplified words: the reading of each row that the page's own
    comparison knows, else its mainland-phrase reading."""
    wanted = set(entry["ours"]) | set(entry["reference"]) | CHROME_WORDS | {entry["topic"]}
    return [next((f for f in forms[w] if f in wanted), forms[w][1]) for w in rows]


def fetch(get, site, base, entry):
    def url(name):
        return urllib.parse.quote(f"{base}/{name}", safe="")

    def spider(name):
        match = re.search(r'cols="20">(.*?)</textarea>', get(f"{site}/Tools/Robot.aspx?url={url(name)}"), re.S)
        return html.unescape(match.group(1)) if match else ""

    def table(name):
        rows = re.findall(r'<tr class="kw"><td>(.*?)</td><td>\d+</td>', get(f"{site}/?q={url(name)}"))
        return [rw.normal(html.unescape(w)) for w in rows]

    entry["rows"] = table(entry["name"])
    entry["ours"] = entry["rows"][:10]
    entry["text"] = spider(entry["name"])
    entry["reference"] = rw.site_top10(spider(entry["main"]))
    entry["traditional_ours"] = table(entry["traditional"])[:10]


def judge(entry, ours):
    """The faults of one top 10 (simplified, or a traditional one read back)."""
    reference, text = entry["reference"], rw.normal(entry["text"])
    tokens = [w for w, _ in rw.site_words(text)]
    legitimate = set(reference) | {entry["topic"]} | set(entry["heading_words"])
    return dict(
        agreement=len(set(ours) & set(reference)) / min(10, len(reference)) if reference else 0,
        junk=[w for w in ours if w not in legitimate and w not in CHROME_WORDS and rw.is_junk(w, rw.SITE_GENERIC)],
        fragments=[w for w in ours if rw.is_fragment(w, text, tokens) or rw.is_split(w, text)],
        chrome=[w for w in ours if w in CHROME_WORDS and w not in legitimate],
        topic=entry["topic"] in ours[:3] if entry["topic"] else None,
        models=bool(set(entry["models"]) & set(ours)) if entry["models"] else None)


def measure(get, site, base, entries):
    for entry in entries:
        fetch(get, site, base, entry)
    forms = readings(sorted({w for entry in entries for w in entry["traditional_ours"]}))
    results = collections.OrderedDict()
    for traditional in (False, True):
        for kind in webmaster_pages.KINDS:
            group = [entry for entry in entries if entry["kind"] == kind and entry["reference"]]
            figures = []
            for entry in group:
                ours = back_to_simplified(entry["traditional_ours"], forms, entry) if traditional else entry["ours"]
                verdict = judge(entry, ours)
                if traditional:
                    verdict["same"] = len(set(ours) & set(entry["ours"])) / max(1, len(entry["ours"]))
                figures.append(verdict)
                report(entry, ours, verdict, traditional)
            results[("traditional " if traditional else "") + kind] = (group, figures)
    return results


VERBOSE = False


def report(entry, ours, verdict, traditional):
    if not VERBOSE:
        return
    name = entry["traditional"] if traditional else entry["name"]
    print(f"{name} [{entry['source']}] ours-only: {sorted(set(ours) - set(entry['reference']))} reference-only: "
          f"{sorted(set(entry['reference']) - set(ours))} chrome: {verdict['chrome']} junk: {verdict['junk']} "
          f"fragments: {verdict['fragments']}"
          + (f" topic {entry['topic']} at {ours.index(entry['topic']) + 1 if entry['topic'] in ours else '-'}"
             + ("" if traditional else f" (row {rank(entry['topic'], entry['rows'])} of the whole table)")
             if entry["topic"] else "")
          + (f" models {entry['models']}: {'in' if verdict['models'] else 'not in'} top 10" if entry["models"] else ""),
          file=sys.stderr)


def rank(word, rows):
    return rows.index(word) + 1 if word in rows else "-"


def share(flags):
    flags = [f for f in flags if f is not None]
    return f"{sum(flags)}/{len(flags)}" if flags else "–"


def print_tables(results):
    print()
    print("| pages | kind | top-10 agreement | junk rows | fragment rows | chrome rows | topic word in top 3 "
          "| model names in top 10 | agreement with simplified table |")
    print("|---|---|---|---|---|---|---|---|---|")
    for kind, (group, figures) in results.items():
        if not figures:
            continue
        n = len(figures)
        same = f"{sum(f['same'] for f in figures) / n:.2f}" if "same" in figures[0] else "–"
        print(f"| {n} | {kind} | {sum(f['agreement'] for f in figures) / n:.2f} | "
              f"{sum(len(f['junk']) for f in figures)} | {sum(len(f['fragments']) for f in figures)} | "
              f"{sum(len(f['chrome']) for f in figures)} | {share(f['topic'] for f in figures)} | "
              f"{share(f['models'] for f in figures)} | {same} |")
    reference = [(e["topic"] in e["reference"][:3]) for kind, (group, _) in results.items()
                 if not kind.startswith("traditional") for e in group if e["topic"]]
    models = [bool(set(e["models"]) & set(e["reference"])) for kind, (group, _) in results.items()
              if not kind.startswith("traditional") for e in group if e["models"]]
    print(f"\nThe reference itself has the topic word in its top 3 on {share(reference)} topic pages and a model "
          f"name in its top 10 on {share(models)} product pages.")
    print("\nChrome words in the top 10 (rows, most frequent first):")
    for kind, (_, figures) in results.items():
        counts = collections.Counter(w for f in figures for w in f["chrome"])
        if counts:
            print(f"- {kind}: " + ", ".join(f"{w} ×{n}" for w, n in counts.most_common(12)))
    print("\nFragment rows in the top 10:")
    for kind, (_, figures) in results.items():
        counts = collections.Counter(w for f in figures for w in f["fragments"])
        if counts:
            print(f"- {kind}: " + ", ".join(f"{w} ×{n}" for w, n in counts.most_common(12)))
    print("\nBelow the top 10 too, on the simplified pages:")
    for kind, (group, _) in results.items():
        if kind.startswith("traditional"):
            continue
        counts = collections.Counter(w for e in group for w in e["rows"] if rw.is_split(w, e["text"]))
        if counts:
            print(f"- {kind}, words of letters and digits cut into pieces: " +
                  ", ".join(f"{w} ×{n}" for w, n in counts.most_common(12)))
        topics = [e for e in group if e["topic"]]
        if topics:
            absent = [e for e in topics if e["topic"] not in e["rows"]]
            print(f"- {kind}, topic word anywhere in the table: {len(topics) - len(absent)}/{len(topics)}; "
                  "never: " + ", ".join(dict.fromkeys(e["topic"] for e in absent)))
        products = [e for e in group if e["models"]]
        if products:
            absent = [e for e in products if not set(e["models"]) & set(e["rows"])]
            print(f"- {kind}, model name anywhere in the table: {len(products) - len(absent)}/{len(products)}; "
                  "never: " + ", ".join(sorted({e["models"][0] for e in absent})))
