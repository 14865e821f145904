"""The independent reference the keyword table is compared with: jieba's own segmentation
(python3-jieba, with its hidden Markov model), keeping content words by jieba's part of speech."""

import functools
import re
import unicodedata

import jieba
import jieba.posseg

jieba.setLogLevel(60)

# Parts of speech (jieba's) of function words, which no row should be: conjunctions,
# prepositions, particles, pronouns, numerals and measure words.
FUNCTION_TAGS = {"c", "p", "u", "uj", "ul", "uz", "ud", "ug", "uv", "y", "e", "o", "r", "rr", "rz", "ry", "rg",
                 "m", "mq", "q", "x", "w"}
# The reference leaves out adverbs and locatives too, which are mostly generic (已经, 之后).
REFERENCE_LEAVES_OUT = FUNCTION_TAGS | {"d", "f", "zg", "h", "k"}
# Words of site navigation: junk wherever they are counted from a whole page, but words
# like any other in a page's main content (a page about the 目录 of find).
NAVIGATION = set("上一页 下一页 同上 返回顶部 首页 目录 上一篇 下一篇".split())
# Generic and navigation words: those the issue that asked for this benchmark names, and
# the verbs documentation repeats on every page (click, choose).
GENERIC = set("使用 需要 所有 能够 比如 任何 许多 必须 可能 新的 您的 更多 情况下 就像 这是 可以 进行 "
              "点击 选择 当前".split()) | NAVIGATION
ENGLISH_STOP = set("""a about above after again all also am an and any are as at be because been before being
below between both but by can could did do does doing don't down during each few for from further had has have
having he her here hers him his how i if in into is it its itself just me more most must my no nor not now of off
on once only or other our ours out over own same she should so some such than that the their theirs them then
there these they this those through to too under until up very was we were what when where which while who whom
why will with would you your yours doesn't isn't can't won't click""".split())
# English counterparts of GENERIC: generic words and the words of addresses and navigation.
ENGLISH_STOP |= set("yes new use want two already another us www com html htm index home page menu next back "
                    "previous top here".split())


@functools.lru_cache(maxsize=None)
def dictionary_tag(word):
    return jieba.posseg.dt.word_tag_tab.get(word)


@functools.lru_cache(maxsize=None)
def dictionary_frequency(word):
    return jieba.dt.FREQ.get(word, 0)


# The words above that are navigation: words like any other in a page's main content.
ENGLISH_NAVIGATION = set("www com html htm index home page menu next back previous top".split())


def reference_top10(text, main_content=False):
    """Names joined by a dot or a hyphen (com.sun.star, Wi-Fi) are one word here as in the table.
    main_content: the text is a page's own, without the site's furniture, where navigation
    words are words like any other."""
    generic = GENERIC - NAVIGATION if main_content else GENERIC
    stop = ENGLISH_STOP - ENGLISH_NAVIGATION if main_content else ENGLISH_STOP
    counts, first = {}, {}
    for i, (word, tag) in enumerate(site_words(text)):
        word = word.strip()
        if len(word) < 2 or word.isdigit() or tag in REFERENCE_LEAVES_OUT or word in generic or word in stop:
            continue
        if re.fullmatch(r"[\W\d_]+", word):
            continue
        counts[word] = counts.get(word, 0) + 1
        first.setdefault(word, i)
    return sorted(counts, key=lambda w: (-counts[w], first[w]))[:10]


def is_junk(word, generic=GENERIC):
    """A generic, navigation or function word; rare lexicon entries carry unreliable tags (分页 as a numeral)."""
    tag = dictionary_tag(word)
    function_word = tag in FUNCTION_TAGS and tag != "x" and dictionary_frequency(word) >= 100
    return word in generic or word in ENGLISH_STOP or function_word


def is_fragment(word, text, tokens):
    """A piece of a longer word the page has, found standing alone in under a fifth of its occurrences."""
    if not re.search(r"[\u4e00-\u9fff]", word):
        return False
    raw = text.count(word)
    alone = tokens.count(word)
    longer = any(word in t and t != word for t in tokens)
    return raw > 0 and longer and alone < 0.2 * raw


# Shop and site pages: model names and units (Mate60, 2.4GHz, Wi-Fi, USB-C, WH-1000XM5) are
# one word each, as a buyer types them, and full-width letters (ＯＰＰＯ) are letters; a plus
# joins two things (12GB+512GB).
COMPOUND = re.compile(r"[a-z0-9]+(?:[.\-_][a-z0-9]+)*")
SITE_GENERIC = GENERIC - NAVIGATION


def normal(text):
    return unicodedata.normalize("NFKC", text).lower()


def site_words(text):
    """(word, jieba's part of speech) of a page's text; letters and digits joined as one 'eng' word."""
    for match in re.finditer(r"([\u4e00-\u9fff]+)|(" + COMPOUND.pattern + ")", normal(text)):
        if match.group(1):
            yield from ((pair.word, pair.flag) for pair in jieba.posseg.cut(match.group(1)))
        else:
            yield match.group(2), "eng"


def site_top10(main_text):
    """The reference of a site page, made from its main content only: what a webmaster
    counts as the page's own words, without the site's furniture."""
    counts, first = {}, {}
    for i, (word, tag) in enumerate(site_words(main_text)):
        if len(word) < 2 or re.fullmatch(r"[\d.\-+_]+", word) or tag in REFERENCE_LEAVES_OUT:
            continue
        if word in SITE_GENERIC or word in ENGLISH_STOP:
            continue
        counts[word] = counts.get(word, 0) + 1
        first.setdefault(word, i)
    return sorted(counts, key=lambda w: (-counts[w], first[w]))[:10]


def is_split(word, text):
    """A piece of a model name or unit the page writes whole: 4ghz of 2.4GHz, wi of Wi-Fi."""
    if not re.fullmatch(r"[a-z0-9]+", word):
        return False
    compounds = COMPOUND.findall(normal(text))
    return word not in compounds and any(word in c for c in compounds)
