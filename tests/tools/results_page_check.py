#!/usr/bin/python3
"""Opens a cross-check results page in headless Chromium at one screen width, saves a
picture of it, and checks what a reader on that screen needs: the viewport is declared, no
element is wider than the screen except inside a box that scrolls, the call column stays in
place while a table scrolls, legend labels never break inside, and (given the truth that
tarno-make-contest writes) every category table holds the right entrants in the right order.

usage: results_page_check.py PAGE WIDTH SCREENSHOT [CATEGORIES_TRUTH]
Prints one line per fault and exits 1 when there is any; 0 otherwise."""

import csv
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# Every element whose box reaches past the screen, unless a scrolling box holds it.
OVERFLOWING = """
const width = window.innerWidth, faults = [];
const scrolls = e => ['auto', 'scroll'].includes(getComputedStyle(e).overflowX);
for (const e of document.body.querySelectorAll('*')) {
  const r = e.getBoundingClientRect();
  if (r.width === 0 || (r.left >= -0.5 && r.right <= width + 0.5)) continue;
  let held = false;
  for (let a = e.parentElement; a && !held; a = a.parentElement) held = scrolls(a);
  if (!held) faults.push(e.tagName + '.' + e.className + ' ' + Math.round(r.left) + '..' +
                         Math.round(r.right));
}
return [faults, document.documentElement.scrollWidth, width];
"""

# Legend labels drawn on more than one line, and how many lines the legends take.
LEGENDS = """
const broken = [], tops = new Set();
for (const k of document.querySelectorAll('.key .k')) {
  if (k.getClientRects().length !== 1 || k.getBoundingClientRect().height > 24)
    broken.push(k.textContent);
  tops.add(Math.round(k.getBoundingClientRect().top));
}
return [broken, tops.size];
"""

# For each table that must scroll: where its call cell is before and after scrolling.
STICKY = """
const moved = [];
let scrolled = 0;
for (const box of document.querySelectorAll('.scroll')) {
  const call = box.querySelector('td.call');
  if (!call || box.scrollWidth <= box.clientWidth + 1) continue;
  scrolled++;
  const boxLeft = box.getBoundingClientRect().left, before = call.getBoundingClientRect().left;
  box.scrollLeft = box.scrollWidth;
  const after = call.getBoundingClientRect().left;
  if (after < boxLeft - 1.5 || after > before + 0.5) moved.push(call.textContent);
  box.scrollLeft = 0;
}
return [moved, scrolled];
"""

TABLES = """
return [...document.querySelectorAll('table[data-category]')].map(t =>
  [...t.querySelectorAll('tbody tr')].map(r =>
    [t.dataset.category, r.cells[0].textContent, r.querySelector('td.call').textContent]));
"""


def main():
    page, width, shot = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    truth = sys.argv[4] if len(sys.argv) > 4 else None
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars"):
        options.add_argument(argument)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    faults = []
    try:
        phone = width < 600
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": 900, "deviceScaleFactor": 1, "mobile": phone})
        driver.get("file://" + page)
        if not driver.find_elements("css selector", 'meta[name="viewport"]'):
            faults.append("no viewport")
        inner = driver.execute_script("return window.innerWidth")
        if inner != width:
            faults.append("the screen is %d px wide, not %d" % (inner, width))
        wide, scroll_width, _ = driver.execute_script(OVERFLOWING)
        faults += ["wider than the screen: " + e for e in wide[:10]]
        if scroll_width > width:
            faults.append("the page scrolls sideways: %d px" % scroll_width)
        broken, legend_lines = driver.execute_script(LEGENDS)
        faults += ["legend label broken: " + k for k in broken]
        moved, scrolled = driver.execute_script(STICKY)
        faults += ["call column scrolled away: " + c for c in moved]
        if phone and (scrolled == 0 or legend_lines < 2):
            faults.append("on a phone the tables must scroll and the legend wrap "
                          "(%d scrolling tables, %d legend lines)" % (scrolled, legend_lines))
        if truth:
            faults += TruthFaults(driver.execute_script(TABLES), truth)
        height = min(driver.execute_script("return document.body.scrollHeight") + 20, 2400)
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": phone})
        driver.save_screenshot(shot)
    finally:
        driver.quit()
    for fault in faults:
        print(fault)
    return 1 if faults else 0


def TruthFaults(tables, truth_path):
    with open(truth_path, newline="") as f:
        expected = [[r["category"], r["place"], r["call"]] for r in csv.DictReader(f)
                    if r["place"]]
    shown = [row for table in tables for row in table]
    if shown == expected:
        return []
    for i, (got, want) in enumerate(zip(shown, expected)):
        if got != want:
            return ["row %d of the category tables: %s, not %s" % (i + 1, got, want)]
    return ["the category tables hold %d rows, the truth %d" % (len(shown), len(expected))]


if __name__ == "__main__":
    sys.exit(main())
