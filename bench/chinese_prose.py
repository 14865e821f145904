"""Chinese prose that Debian ships, cut into pieces a page generator can lay out.

Paragraphs come from the Debian FAQ, the Debian Reference, the Debian Edu manual and the
New Maintainers' Guide (all zh-CN HTML); poems from fortunes-zh (Tang 300, Song 100);
manual pages from manpages-zh (zh_CN roff, turned into HTML here, since groff -Thtml
puts a space between every two Chinese characters).
"""

import functools
import gzip
import html
import re
from pathlib import Path

PACKAGES = ["manpages-zh", "fortunes-zh", "debian-faq-zh-cn", "debian-reference-zh-cn", "debian-edu-doc-zh-cn",
            "maint-guide-zh-cn"]
DOCUMENTS = {  # source: HTML files
    "faq": "/usr/share/doc/debian/FAQ/zh-cn/*.zh-cn.html",
    "reference": "/usr/share/debian-reference/*.zh-cn.html",
    "edu": "/usr/share/doc/debian-edu-doc-zh-cn/debian-edu-bookworm-manual.html",
    "maint": "/usr/share/doc/maint-guide-zh-cn/html/*.zh-cn.html",
}
POEMS = {"唐": "/usr/share/games/fortunes/tang300.u8", "宋": "/usr/share/games/fortunes/song100.u8"}
MANUALS = "/usr/share/man/zh_CN"

HAN = re.compile(r"[\u4e00-\u9fff]")
CJK = re.compile(r"[\u3000-\u303f\u4e00-\u9fff\uff00-\uffef]")


def han_count(text):
    return len(HAN.findall(text))


def plain(fragment):
    text = html.unescape(re.sub(r"<[^>]+>", "", fragment))
    return re.sub(r"\s+", " ", text).strip()


def _files(pattern):
    path = Path(pattern)
    return sorted(path.parent.glob(path.name))


@functools.lru_cache(maxsize=None)
def sections(source):
    """(heading, [paragraph, ...]) in document order; only paragraphs that are mostly Chinese prose."""
    found = []
    for path in _files(DOCUMENTS[source]):
        raw = path.read_text(encoding="utf-8", errors="replace")
        raw = re.sub(r"<(pre|table)\b.*?</\1>", "", raw, flags=re.S | re.I)
        heading, paragraphs = None, []
        for match in re.finditer(r"<(h[1-4]|p)\b[^>]*>(.*?)</\1>", raw, re.S | re.I):
            text = plain(match.group(2))
            if match.group(1).lower() != "p":
                if heading and paragraphs:
                    found.append((heading, paragraphs))
                heading = re.sub(r"^(第\s*\d+\s*章|[\d.A-Z]+)\s*", "", text)
                # untranslated sections keep their English heading: no use as a Chinese title
                heading, paragraphs = (heading if han_count(heading) >= 2 else None), []
            elif han_count(text) >= 30 and han_count(text) >= 0.4 * len(text):
                paragraphs.append(text)
        if heading and paragraphs:
            found.append((heading, paragraphs))
    return found


@functools.lru_cache(maxsize=None)
def poems():
    """(dynasty, title, author, [line, ...]) in the order of the fortune files."""
    found = []
    for dynasty, path in POEMS.items():
        for entry in Path(path).read_text(encoding="utf-8", errors="replace").split("\n%\n"):
            entry = re.sub(r"\x1b\[[0-9;]*m", "", entry).strip()
            lines = [line.strip() for line in entry.splitlines() if line.strip()]
            if len(lines) < 3:
                continue
            title = re.sub(r"^题目[:：]", "", lines[0])
            author = re.sub(r"^作者[:：]", "", lines[1])
            author = re.sub(r"[（(].*", "", author).strip()
            if title and author and all(han_count(line) for line in lines[2:]):
                found.append((dynasty, title, author, lines[2:]))
    return found


# roff special characters that carry text; the rest are dropped.
ROFF_CHARS = {"em": "—", "en": "–", "hy": "-", "bu": "•", "co": "©", "lq": "“", "rq": "”", "oq": "‘", "cq": "’",
              "aq": "'", "dq": '"', "mu": "×", "+-": "±", "->": "→", "<-": "←", "ti": "~", "ha": "^", "rs": "\\",
              "ga": "`", "aa": "´", "bv": "|", "or": "|", "de": "°", "L\"": "“", "R\"": "”", "--": "—"}


def _unescape_roff(text):
    text = re.sub(r'\\".*', "", text)
    text = text.replace("\\\\", "\x00")
    text = re.sub(r"\\f(\(..|\[[^]]*\]|.)", "", text)
    text = re.sub(r"\\s[+-]?\d+|\\s\(\d\d|\\s\[[^]]*\]", "", text)
    text = re.sub(r"\\[hvwlLoDbxXZN]'[^']*'", "", text)
    text = re.sub(r"\\n(\(..|\[[^]]*\]|.)", "", text)
    text = re.sub(r"\\\*\((..)|\\\*\[([^]]*)\]|\\\*(.)",
                  lambda m: ROFF_CHARS.get(m.group(1) or m.group(2) or m.group(3), ""), text)
    text = re.sub(r"\\\((..)|\\\[([^]]*)\]", lambda m: ROFF_CHARS.get(m.group(1) or m.group(2), ""), text)
    text = text.replace("\\-", "-").replace("\\e", "\\").replace("\\ ", " ").replace("\\0", " ").replace("\\~", " ")
    text = re.sub(r"\\[&|^%c:!)]", "", text)
    text = re.sub(r"\\(.)", r"\1", text)
    return text.replace("\x00", "\\")


def _join(lines):
    text = ""
    for line in (part.strip() for part in lines):
        if not line:
            continue
        if text and not (CJK.match(text[-1]) and CJK.match(line[0])):
            text += " "
        text += line
    return text


def roff_to_html(source):
    """The parts of man(7) that carry text: headings, paragraphs, tagged paragraphs and examples."""
    blocks, words, title = [], [], ""
    state = {"tag": None, "pre": False, "skip": False}

    def flush():
        if words:
            text = html.escape("\n".join(words) if state["pre"] else _join(words), quote=False)
            if state["pre"]:
                blocks.append(f"<pre>{text}</pre>")
            elif state["tag"] is not None:
                blocks.append(f"<dl><dt>{html.escape(state['tag'])}</dt><dd>{text}</dd></dl>")
            else:
                blocks.append(f"<p>{text}</p>")
        words.clear()
        state["tag"] = None

    lines = source.splitlines()
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if state["skip"]:
            state["skip"] = line.strip() != ".."
            continue
        if line.startswith((".", "'")):
            match = re.match(r"[.']\s*(\S*)\s*(.*)", line)
            macro, rest = match.group(1), _unescape_roff(match.group(2))
            arguments = [quoted or bare for quoted, bare in re.findall(r'"([^"]*)"|(\S+)', rest)]
            if macro == "de":
                state["skip"] = True
            elif macro == "TH":
                title = arguments[0] if arguments else ""
            elif macro in ("SH", "SS", "Sh"):
                flush()
                state["pre"] = False
                level = "h2" if macro == "SH" else "h3"
                blocks.append(f"<{level}>{html.escape(' '.join(arguments))}</{level}>")
            elif macro in ("PP", "P", "LP", "Pp", "sp", "Sp", "br", "RS", "RE"):
                if not state["pre"]:
                    flush()
            elif macro == "TP":
                flush()
                while i < len(lines) and lines[i].startswith(".") and not re.match(r"\.(B|I|BR|BI|IR|RB|RI|IB)\b",
                                                                                  lines[i]):
                    i += 1
                if i < len(lines):
                    tag = lines[i]
                    i += 1
                    match = re.match(r"\.\S+\s*(.*)", tag) if tag.startswith(".") else None
                    state["tag"] = _join([_unescape_roff(match.group(1)).replace('"', "")
                                          if match else _unescape_roff(tag)])
            elif macro == "IP":
                flush()
                state["tag"] = arguments[0] if arguments and arguments[0] != "•" else None
            elif macro in ("nf", "Vb", "EX"):
                flush()
                state["pre"] = True
            elif macro in ("fi", "Ve", "EE"):
                flush()
                state["pre"] = False
            elif macro in ("B", "I", "SM", "SB"):
                words.append(" ".join(arguments))
            elif macro in ("BR", "BI", "IR", "RB", "RI", "IB"):
                words.append("".join(arguments))
            continue
        text = _unescape_roff(line)
        if not blocks or re.fullmatch(r"[{}\\\s]*", text):
            continue  # what comes before the first heading is the macro package's own setup
        if state["pre"] or text.strip():
            words.append(text)
        elif not state["pre"]:
            flush()
    flush()
    return title, "\n".join(blocks)


@functools.lru_cache(maxsize=None)
def manuals():
    """(command, section, one-line description, HTML body) of the Chinese manual pages worth a page."""
    found, seen = [], set()
    for path in sorted(Path(MANUALS).glob("man[1-8]/*.gz")):
        source = gzip.decompress(path.read_bytes()).decode("utf-8", errors="replace")
        if source.count("\ufffd") > 10 or re.search(r"^\.(Dd|Nm|so)\b", source, re.M):
            continue  # mdoc pages, links to other pages, pages in another encoding
        title, body = roff_to_html(source)
        name = re.search(r"<h2>[^<]*</h2>\s*<p>(.*?)</p>", body, re.S)
        text = plain(body)
        if not name or han_count(text) < 400 or text in seen:
            continue  # too little Chinese, or the same page under another name (rvim, rview)
        seen.add(text)
        command, section = path.name[:-3].rsplit(".", 1)
        summary = re.sub(r"^.*?\s[-–—]\s*", "", plain(name.group(1)), count=1)
        found.append((command, section, summary, body))
    return found
