#!/usr/bin/env bash
# Builds in release mode and prints the performance table of the README:
# bench/perf-table.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target parsers_bench seo_site_bench tool_figures seo-site >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$build/bin/parsers_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$out/parsers.json" 2>/dev/null
"$build/bin/seo_site_bench" --benchmark_filter=MixedPage --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json >"$out/service.json" 2>/dev/null
export QT_QPA_PLATFORM=offscreen
"$build/bin/tool_figures" query >"$out/figures.txt" 2>/dev/null
"$build/bin/tool_figures" wait >>"$out/figures.txt" 2>/dev/null
"$build/bin/tool_figures" freeze >>"$out/figures.txt" 2>/dev/null
for _ in $(seq 5); do "$build/bin/tool_figures" quit 2>/dev/null; done >"$out/quit.txt"
for _ in $(seq 11); do "$build/bin/tool_figures" startup 2>/dev/null; done >"$out/startup.txt"

python3 - "$out" <<'PY'
import json, statistics, sys
out = sys.argv[1]
def medians(name):
    return {b["run_name"]: b["real_time"] for b in json.load(open(f"{out}/{name}.json"))["benchmarks"]
            if b.get("aggregate_name") == "median"}
figures = {}
for line in open(f"{out}/figures.txt"):
    name, value, unit = line.split()
    figures[name] = (float(value), unit)
startups = [float(line.split()[1]) for line in open(f"{out}/startup.txt")]
quits = {}
for line in open(f"{out}/quit.txt"):
    name, value, _ = line.split()
    quits.setdefault(name, []).append(float(value))

rows = [("what", "measured", "target")]
parsers = medians("parsers")
for name, label in [("MetaTags", "parseMetaTags"), ("SplitAtMarker", "splitAtMarker"),
                    ("KeywordTable", "parseKeywordTable (5,000 rows)"), ("SpiderText", "parseSpiderText")]:
    size = 16 << 20
    scan, parse = parsers[f"BM_{name}_Scan/{size}"], parsers[f"BM_{name}_Parse/{size}"]
    rows.append((f"{label}, 16 MiB page, against one indexOf scan", f"{parse:.2f} ms = {parse / scan:.1f} scans", "≤ 2 scans"))
service = medians("service")
overview, parse = service["BM_OverviewOfMixedPage/repeats:5"], service["BM_MixedPageParseOnly/repeats:5"]
rows.append(("service: first overview of a 1 MiB mixed page, against its HTML parse alone",
             f"{overview:.1f} ms = {overview / parse:.2f} × {parse:.1f} ms", "≤ 1.5 ×"))
rows.append(("whole query, click to last area filled, local service and 100 KB page",
             f"{figures['query_median'][0]:.1f} ms median", "≤ 150 ms"))
rows.append(("tool CPU while a fetch waits 5 s", f"{figures['wait_cpu'][0]:.2f} % of one core", "< 2 %"))
rows.append(("start-up to window shown and service answering", f"{statistics.median(startups):.0f} ms median", "≤ 500 ms"))
for text in ("unbroken_million_letters", "eight_megabytes_of_lines"):
    label = text.replace("_", " ")
    rows.append((f"window: longest stall while showing {label}", f"{figures[text + '_longest_stall'][0]:.0f} ms", "≤ 100 ms"))
rows.append(("quit: OK with a query waiting, to the service gone", f"{statistics.median(quits['quit_to_service_gone']):.0f} ms median", "≤ 300 ms"))
rows.append(("tool killed, to the service gone", f"{statistics.median(quits['tool_killed_to_service_gone']):.0f} ms median", "≤ 300 ms"))
rows.append(("peak memory of the tool (100 KB page queries)", f"{figures['tool_peak_memory'][0]:.0f} MiB", ""))
rows.append(("peak memory of the service (same run)", f"{figures['service_peak_memory'][0]:.0f} MiB", ""))
for i, row in enumerate(rows):
    print("| " + " | ".join(row) + " |")
    if i == 0:
        print("|---|---|---|")
PY
