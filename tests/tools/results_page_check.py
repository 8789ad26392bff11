#!/usr/bin/python3
"""Opens a cross-check results page in headless Chromium at one screen width, saves a
picture of it, and checks what a reader on that screen needs: the viewport is declared, no
element is wider than the screen except inside a box that scrolls, the scores of a ranked
table are on the screen without scrolling, the place and the call stay in place while a
table scrolls, legend labels never break inside, every text is in the page's language (no
"[key]" of a missing catalogue text), the page names the contest and links to its twin in
the other language, and on A4 paper (print media, a sheet's width) no table is cut and no
row split. Given the truth that tarno-make-contest writes, every category table holds the
right entrants in the right order.

usage: results_page_check.py PAGE WIDTH SCREENSHOT [CATEGORIES_TRUTH]
Prints one line per fault and exits 1 when there is any; 0 otherwise."""

import csv
import os
import re
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# A4 across, 12 mm margins, at the 96 pixels an inch print layout uses.
A4_LANDSCAPE_PX = round((297 - 24) / 25.4 * 96)

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
for (const k of document.querySelectorAll('.key .k, .toc li')) {
  if (k.getClientRects().length !== 1 || k.getBoundingClientRect().height > 24)
    broken.push(k.textContent);
  tops.add(Math.round(k.getBoundingClientRect().top));
}
return [broken, tops.size];
"""

# For each table that must scroll: where its row header (the call) is before and after
# scrolling, and in a ranked table the place too, which must stay left of the call.
STICKY = """
const moved = [];
let scrolled = 0;
for (const box of document.querySelectorAll('.scroll')) {
  const call = box.querySelector('tbody th');
  if (!call || box.scrollWidth <= box.clientWidth + 1) continue;
  scrolled++;
  const ranked = box.querySelector('table.ranked');
  const place = ranked ? call.parentElement.cells[0] : null;
  const boxLeft = box.getBoundingClientRect().left;
  const before = call.getBoundingClientRect().left;
  box.scrollLeft = box.scrollWidth;
  const after = call.getBoundingClientRect().left;
  if (after < boxLeft - 1.5 || after > before + 0.5) moved.push('call ' + call.textContent);
  if (place) {
    const p = place.getBoundingClientRect();
    if (Math.abs(p.left - boxLeft) > 1.5 || p.right > after + 1.5)
      moved.push('place ' + place.textContent + ' of ' + call.textContent);
  }
  box.scrollLeft = 0;
}
return [moved, scrolled];
"""

# The ranked tables' figures a reader looks for first: on the screen before any scrolling.
SCORES = """
const width = window.innerWidth, hidden = [];
for (const table of document.querySelectorAll('table.ranked.entrants')) {
  const row = table.querySelector('tbody tr');
  for (let i = 0; i < 6 && row; i++) {
    const r = row.cells[i].getBoundingClientRect();
    if (r.right > width + 0.5) hidden.push(table.dataset.category + ' column ' + (i + 1));
  }
}
return hidden;
"""

TABLES = """
return [...document.querySelectorAll('table[data-category]')].map(t =>
  [...t.querySelectorAll('tbody tr')].map(r =>
    [t.dataset.category, r.cells[0].textContent.trim(),
     r.querySelector('th').textContent.trim()]));
"""

# On paper: tables within the sheet, rows and short tables kept whole, nothing sticky.
PRINTED = """
const width = window.innerWidth, faults = [];
for (const t of document.querySelectorAll('table')) {
  const r = t.getBoundingClientRect();
  if (r.right > width + 0.5) faults.push('table ' + (t.id || t.dataset.category || '') +
                                         ' ends at ' + Math.round(r.right));
}
const row = document.querySelector('tbody tr');
if (row && getComputedStyle(row).breakInside !== 'avoid') faults.push('a row may be split');
const held = document.querySelector('tbody th');
if (held && getComputedStyle(held).position !== 'static') faults.push('a column is held on paper');
return faults;
"""


def missing_texts(driver):
    text = driver.execute_script("return document.body.textContent")
    return sorted(set(re.findall(r"\[[a-z_]+(?:\.[a-z_0-9]+)+\]", text)))


def twin_faults(driver, page):
    faults = []
    lang = driver.execute_script("return document.documentElement.lang")
    twin = driver.execute_script(
        "const a = document.getElementById('twin'); return a && [a.getAttribute('href'), a.lang]")
    if not twin:
        return ["no link to the page in the other language"]
    href, twin_lang = twin
    if twin_lang == lang or twin_lang not in ("en", "hu"):
        faults.append("the twin link's language is %r on a page in %r" % (twin_lang, lang))
    if not os.path.isfile(os.path.join(os.path.dirname(page), href)):
        faults.append("the twin link leads nowhere: " + href)
    contest = driver.execute_script(
        "const c = document.getElementById('contest'); return c && c.textContent")
    if not contest or contest not in driver.title:
        faults.append("the contest's title is not on the page and in its title: %r" % contest)
    return faults


def print_faults(driver, phone):
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": A4_LANDSCAPE_PX, "height": 900, "deviceScaleFactor": 1, "mobile": False})
    faults = ["on A4: " + f for f in driver.execute_script(PRINTED)]
    driver.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
    return faults


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
        # Every table laid out, as each is once the reader scrolls to it.
        driver.execute_script(
            "for (const e of document.querySelectorAll('.lazy')) e.style.contentVisibility = 'visible'")
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
        faults += ["label broken: " + k for k in broken]
        faults += ["score off the screen: " + s for s in driver.execute_script(SCORES)]
        moved, scrolled = driver.execute_script(STICKY)
        faults += ["scrolled away: " + c for c in moved]
        if phone and (scrolled == 0 or legend_lines < 2):
            faults.append("on a phone the tables must scroll and the contents wrap "
                          "(%d scrolling tables, %d lines)" % (scrolled, legend_lines))
        faults += ["a text is missing: " + key for key in missing_texts(driver)]
        faults += twin_faults(driver, page)
        if truth:
            faults += TruthFaults(driver.execute_script(TABLES), truth)
        if not phone:
            faults += print_faults(driver, phone)
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
