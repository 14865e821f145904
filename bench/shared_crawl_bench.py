#!/usr/bin/env python3
"""What sharing a crawl costs: one crawl of the same loopback site (bench/crawl_bench.py's
Chinese pages) into an SQLite file, and into a PostgreSQL started for the benchmark by
1, 2 and 3 worker processes (`seo-site crawl`, then `seo-site crawl --join`). For each:
pages per second in all and per worker, and the processor time per page of the workers
and of the database server, whose share of the two is the database's share of a page.

Usage: bench/shared_crawl_bench.py PATH_TO_SEO_SITE [--pages N] [--workers 1,2,3]
"""
import argparse
import os
import re
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import crawl_bench  # noqa: E402  the generated site

TICKS = os.sysconf("SC_CLK_TCK")


def server_seconds(folder):
    """Processor seconds of the database server: the postmaster, the backends it reaped and
    those still running."""
    postmaster = int((Path(folder) / "data" / "postmaster.pid").read_text().split()[0])
    total = 0
    for stat in Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat.read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        pid, parent = int(stat.parent.name), int(fields[1])
        if pid == postmaster:
            total += sum(int(value) for value in fields[11:15])  # with the children it reaped
        elif parent == postmaster:
            total += int(fields[11]) + int(fields[12])
    return total / TICKS


def workers_seconds():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def crawl(program, store, start, pages, workers, folder=None):
    arguments = ["--store", store, "--allow-private-targets"]
    server_before, workers_before = (server_seconds(folder) if folder else 0), workers_seconds()
    began = time.monotonic()
    first = subprocess.Popen([program, "crawl", start, *arguments, "--max-pages", str(pages * 2), "--depth", "1000",
                              "--per-host", "16", "--in-flight", "8"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
    crawl_id = re.match(r"crawl (\d+):", first.stdout.readline()).group(1)
    others = [subprocess.Popen([program, "crawl", "--join", crawl_id, *arguments], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True) for _ in range(workers - 1)]
    said = first.communicate()[0]
    for other in others:
        other.communicate()
    took = time.monotonic() - began
    done = int(said.split(" addresses done")[0].rsplit(" ", 1)[1])
    server = (server_seconds(folder) - server_before) if folder else 0
    return done, took, workers_seconds() - workers_before, server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--pages", type=int, default=10_000)
    parser.add_argument("--workers", default="1,2,3")
    args = parser.parse_args()
    site = crawl_bench.serve(args.pages)
    start = f"http://127.0.0.1:{site.server_port}/p/0"
    rows = []
    with tempfile.TemporaryDirectory() as data:
        rows.append(("SQLite", 1, *crawl(args.program, str(Path(data) / "crawls.sqlite"), start, args.pages, 1)))
    folder = tempfile.mkdtemp(prefix="seo-bench-postgres-", dir="/tmp")
    os.rmdir(folder)  # made by the script, for the server's own user
    address = subprocess.run([HERE.parent / "tools/scratch-postgres.sh", "start", folder], check=True,
                             capture_output=True, text=True).stdout.strip()
    try:
        for workers in map(int, args.workers.split(",")):
            database = f"crawls_{workers}"
            subprocess.run(["psql", address, "-qc", f"CREATE DATABASE {database}"], check=True)
            store = address.replace("/postgres?", f"/{database}?")
            rows.append(("PostgreSQL", workers, *crawl(args.program, store, start, args.pages, workers, folder)))
    finally:
        subprocess.run([HERE.parent / "tools/scratch-postgres.sh", "remove", folder])
    site.shutdown()
    print("| store | workers | addresses | pages/s | per worker | worker ms/page | database ms/page | database share |")
    print("|---|---|---|---|---|---|---|---|")
    for store, workers, done, took, worker_cpu, server_cpu in rows:
        share = server_cpu / (server_cpu + worker_cpu) if server_cpu else 0
        print(f"| {store} | {workers} | {done} | {done / took:.1f} | {done / took / workers:.1f} | "
              f"{worker_cpu / done * 1000:.2f} | {server_cpu / done * 1000:.2f} | {share:.0%} |")


if __name__ == "__main__":
    main()
