#!/usr/bin/python3
"""results.html of a whole made-up contest, as a reader's browser gets it: its size in each
language and how long headless Chromium takes to read it (DOMContentLoaded, and the load
event), the median of several loads of the file from disk.

    results_page_bench.py --score build/native/tarno-score \\
        --make build/native/tarno-make-contest [--logs 2000 10000] [--qsos 400] [--loads 5]
        [--most-bytes N --most-seconds S]

Each contest is made by tarno-make-contest (--seed 7, the sponsor's categories and
corrections it writes) in a scratch folder under $TMPDIR, checked by tarno-score crosscheck,
measured, and removed. With --most-bytes and --most-seconds the program is a test: it exits
1 when a page of any contest is larger or slower than that (docs/benchmarks.md).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("python3-selenium is missing; scripts/install-deps installs it")
    sys.exit(77)

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"

TIMING = """
const n = performance.getEntriesByType('navigation')[0];
return [n.domContentLoadedEventEnd, n.loadEventEnd, document.querySelectorAll('tr').length];
"""


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": 1280, "height": 900, "deviceScaleFactor": 1, "mobile": False})
    return driver


def measure(driver, page, loads):
    """The medians of DOMContentLoaded and load, in seconds, and the rows of the page."""
    loaded, complete, rows = [], [], 0
    for _ in range(loads):
        driver.get("about:blank")
        driver.get("file://" + page)
        content, load, rows = driver.execute_script(TIMING)
        loaded.append(content / 1000)
        complete.append(load / 1000)
    return statistics.median(loaded), statistics.median(complete), rows


def run(command):
    started = time.monotonic()
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode not in (0, 1):
        sys.exit("%s failed:\n%s%s" % (command[0], done.stdout, done.stderr))
    return time.monotonic() - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--score", required=True)
    parser.add_argument("--make", required=True)
    parser.add_argument("--logs", type=int, nargs="+", default=[2000, 10000])
    parser.add_argument("--qsos", type=int, default=400)
    parser.add_argument("--loads", type=int, default=5)
    parser.add_argument("--most-bytes", type=int, default=0)
    parser.add_argument("--most-seconds", type=float, default=0)
    args = parser.parse_args()
    if not (os.path.exists(CHROMIUM) and os.path.exists(DRIVER)):
        print("chromium or chromedriver is missing; scripts/install-deps installs them")
        return 77
    faults = []
    print("| logs | page | bytes | DOMContentLoaded | load | rows | contest made | cross-check |")
    print("|---|---|---|---|---|---|---|---|")
    driver = browser()
    try:
        for logs in args.logs:
            scratch = tempfile.mkdtemp(prefix="tarno-results-page-")
            try:
                made = run([args.make, "--out", scratch, "--logs", str(logs), "--qsos",
                            str(args.qsos), "--seed", "7"])
                out = os.path.join(scratch, "out")
                checked = run([args.score, "crosscheck", "--out", out, "--categories",
                               os.path.join(scratch, "categories.txt"), "--entrants",
                               os.path.join(scratch, "entrants.csv"),
                               os.path.join(scratch, "logs")])
                for name in ("results.html", "hu/results.html"):
                    page = os.path.join(out, name)
                    size = os.path.getsize(page)
                    loaded, complete, rows = measure(driver, page, args.loads)
                    print("| %d | %s | %d | %.2f s | %.2f s | %d | %.1f s | %.1f s |" %
                          (logs, name, size, loaded, complete, rows, made, checked))
                    sys.stdout.flush()
                    if args.most_bytes and size > args.most_bytes:
                        faults.append("%s of %d logs: %d bytes" % (name, logs, size))
                    if args.most_seconds and loaded > args.most_seconds:
                        faults.append("%s of %d logs: DOMContentLoaded after %.2f s" %
                                      (name, logs, loaded))
            finally:
                shutil.rmtree(scratch, ignore_errors=True)
    finally:
        driver.quit()
    for fault in faults:
        print("FAILED " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
