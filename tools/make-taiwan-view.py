#!/usr/bin/env python3
"""Writes service/data/tw_phrases_view.txt: Taiwan's words read as the mainland's, for the
simplified view that traditional text is segmented in.

Usage: tools/make-taiwan-view.py [JIEBA_DICT]

OpenCC's TWPhrasesRev (Debian's opencc, Apache 2.0) reads Taiwan's words as the mainland's
(軟體 is 软件, 列印 is 打印). Some of its words are the mainland's own words too, with
another meaning (文件 is a document there and a file here; 程序 a process there and a
program here): in a traditional page that uses the mainland's words (Hong Kong, or a
conversion character by character) reading them Taiwan's way turns one word into
another. So a word whose reading character by character is common in jieba's lexicon
(MIN_FREQUENCY) is left out, and stays as it is.
"""

import subprocess
import sys
import tempfile
from pathlib import Path

DICT = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/lib/python3/dist-packages/jieba/dict.txt")
SOURCE = Path("/usr/share/opencc/TWPhrasesRev.ocd2")
OUT = Path(__file__).resolve().parent.parent / "service" / "data" / "tw_phrases_view.txt"
MIN_FREQUENCY = 500


def main():
    with tempfile.TemporaryDirectory() as folder:
        text = Path(folder) / "TWPhrasesRev.txt"
        subprocess.run(["opencc_dict", "-i", str(SOURCE), "-o", str(text), "-f", "ocd2", "-t", "text"], check=True)
        entries = [line.split("\t") for line in text.read_text(encoding="utf-8").splitlines() if line]
    keys = "\n".join(key for key, _ in entries)
    readings = subprocess.run(["opencc", "-c", "t2s.json"], input=keys, capture_output=True, text=True,
                              check=True).stdout.split("\n")
    frequency = {}
    for line in DICT.read_text(encoding="utf-8").splitlines():
        word, count, _ = line.split()
        frequency[word] = int(count)
    kept = [(key, values) for (key, values), reading in zip(entries, readings)
            if frequency.get(reading, 0) < MIN_FREQUENCY]
    OUT.write_text("".join(f"{key}\t{values}\n" for key, values in kept), encoding="utf-8")
    print(f"{OUT}: {len(kept)} of {len(entries)} entries; left out:",
          " ".join(key for (key, _), reading in zip(entries, readings) if frequency.get(reading, 0) >= MIN_FREQUENCY))


if __name__ == "__main__":
    main()
