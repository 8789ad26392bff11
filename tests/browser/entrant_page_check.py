#!/usr/bin/python3
"""An entrant's page in a real browser at a desktop and a phone width, in both languages.

Runs the cross-check of the hand-made contest, opens HA5AA's page and its Hungarian twin in
headless Chromium through chromedriver, and checks what a reader sees: the charts hold one
bar or point per value of that known log, with their values in the tables folded under them;
every mark of a chart stands 3:1 against the page; nothing is wider than the screen except
inside a box that scrolls; the score and the places are on the screen without scrolling;
the call column stays put while its table scrolls; no legend label breaks; every text is in
the page's language (no "[key]"); the page links to its twin; and on A4 paper nothing is
cut, no row split, and the verdict bar is drawn, not a background a printer leaves out.
Screenshots go to the folder given. Exit status 77 when no browser can be driven.
"""

import argparse
import pathlib
import re
import subprocess
import sys
import tempfile
from urllib.parse import unquote, urlparse

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("python3-selenium is missing; scripts/install-deps installs it")
    sys.exit(77)

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"

# A4 upright, 12 mm margins, at the 96 pixels an inch print layout uses.
A4_PORTRAIT_PX = round((210 - 24) / 25.4 * 96)

# HA5AA's credited QSOs fall in the 09h hour on 80 m and 40 m: two bar segments; the
# contest day has 24 hours, a row each in the folded tables; the grid marks PE on 80 m
# (credited) and on 20 m (lost); its lines are credited, lost and not counted alike.
EXPECTED_COUNTS = {
    "#rate rect.seg": 2,
    "#rate-table tbody tr": 24,
    "#counties circle.pt": 24,
    "#counties-table tbody tr": 24,
    "#grid rect.cell": 2,
    "#grid pattern": 1,
    "#grid rect.cell.f1": 1,
    "#grid rect.cell.f2": 1,
    "#grid-table tbody tr": 6,
    "#rates circle.pt": 48,
    "#gap circle.pt": 24,
    "#gap line.zero": 1,
    "#gap-table tbody tr": 24,
    "#bar rect.share": 3,
    "#lost tbody tr": 5,
    "svg.chart > title": 6,
    "svg.chart > desc": 6,
}

# Every element whose right edge passes the screen, unless a scrolling box holds it.
OVERFLOW_SCRIPT = """
const width = document.documentElement.clientWidth;
const wide = [];
for (const element of document.body.querySelectorAll('*')) {
  if (element.closest('.scroll')) continue;
  const box = element.getBoundingClientRect();
  if (box.width > 0 && box.right > width + 0.5) wide.push(element.tagName + '#' + element.id);
}
return [width, document.documentElement.scrollWidth, wide];
"""

STICKY_SCRIPT = """
const box = document.querySelector('#lost').closest('.scroll');
const call = document.querySelector('#lost tbody th');
const other = document.querySelector('#lost tbody td.qso');
const before = [call.getBoundingClientRect().left, other.getBoundingClientRect().left];
box.scrollLeft = 300;
const after = [call.getBoundingClientRect().left, other.getBoundingClientRect().left];
return [box.scrollWidth > box.clientWidth, before, after, box.getBoundingClientRect().left];
"""

# Bars drawn at the height their numbers give, whatever a style sheet says of the class.
BAR_SCRIPT = """
const wrong = [];
for (const bar of document.querySelectorAll('svg.chart rect.seg')) {
  const svg = bar.ownerSVGElement;
  const drawn = bar.getBoundingClientRect().height / svg.getBoundingClientRect().height;
  const meant = bar.height.baseVal.value / svg.viewBox.baseVal.height;
  if (Math.abs(drawn - meant) > 0.02) wrong.push(drawn.toFixed(3) + ' for ' + meant.toFixed(3));
}
return wrong;
"""

LEGEND_SCRIPT = """
const broken = [];
for (const item of document.querySelectorAll('.key .k')) {
  const lineHeight = parseFloat(getComputedStyle(item).fontSize) * 1.6;
  if (item.getBoundingClientRect().height > lineHeight) broken.push(item.textContent);
}
return broken;
"""

# The colour each mark of a chart is seen by: its fill, or its outline where it is filled
# white; guides (the grid lines, "#ddd") and the hatchings' white strokes are no marks.
MARKS_SCRIPT = """
const colours = new Set();
for (const e of document.querySelectorAll(
    'svg.chart rect, svg.chart circle, svg.chart polyline, svg.chart path, svg.chart line,' +
    'svg.chart text, .key svg rect, .key svg line, .key svg path')) {
  if (e.closest('pattern, defs') || e.getAttribute('stroke') === '#ddd') continue;
  const style = getComputedStyle(e);
  const seen = c => c && c !== 'none' && !c.startsWith('url') && c !== 'rgb(255, 255, 255)';
  const fill = style.fill, stroke = style.stroke;
  if (e.tagName === 'polyline' || e.tagName === 'line' || e.tagName === 'path' || !seen(fill)) {
    if (seen(stroke)) colours.add(stroke);
  } else {
    colours.add(fill);
  }
}
return [...colours];
"""

SCORE_SCRIPT = """
const width = window.innerWidth;
const hidden = [];
for (const id of ['score', 'places']) {
  const e = document.getElementById(id);
  if (!e || e.getBoundingClientRect().right > width + 0.5) hidden.push(id);
}
return hidden;
"""

PRINT_SCRIPT = """
const width = window.innerWidth, faults = [];
for (const e of document.body.querySelectorAll('table, svg.chart, p, ul')) {
  const r = e.getBoundingClientRect();
  if (r.width > 0 && r.right > width + 0.5)
    faults.push(e.tagName + '#' + e.id + ' ends at ' + Math.round(r.right));
}
const row = document.querySelector('#lost tbody tr');
if (getComputedStyle(row).breakInside !== 'avoid') faults.push('a row may be split');
if (getComputedStyle(document.querySelector('#bands').closest('.scroll')).breakInside !== 'avoid')
  faults.push('the band table may be split');
const bar = document.querySelectorAll('#bar rect.share');
if (bar.length === 0 || [...bar].some(r => getComputedStyle(r).fill === 'none'))
  faults.push('the verdict bar is not drawn');
return faults;
"""


def contrast(rgb):
    def channel(value):
        value /= 255
        return value / 12.92 if value <= 0.03928 else ((value + 0.055) / 1.055) ** 2.4
    r, g, b = (int(v) for v in re.findall(r"\d+", rgb)[:3])
    light = 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)
    return 1.05 / (light + 0.05)


def open_browser(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                 "--window-size=%d,%d" % (width, height)):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def check_width(page, name, width, shots, failures):
    def fail(message):
        failures.append("%s %d px: %s" % (name, width, message))

    height = 2400 if width < 800 else 1800
    browser = open_browser(width, height)
    try:
        # Headless windows have a least width above a phone's: the phone is emulated, its
        # viewport meta honoured as a phone's browser does.
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 800})
        browser.get(page.as_uri())
        source = page.read_text()
        for outside in ("http:", "https:", "<script", "<link", "@import"):
            if outside in source:
                fail("the page reaches outside: " + outside)
        if source.count("url(") != source.count("url(#"):
            fail("the page reaches outside: url(")
        if not browser.find_elements("css selector", 'meta[name="viewport"]'):
            fail("no viewport meta")
        for selector, count in EXPECTED_COUNTS.items():
            found = len(browser.find_elements("css selector", selector))
            if found != count:
                fail("%s: %d, expected %d" % (selector, found, count))
        screen, scroll_width, wide = browser.execute_script(OVERFLOW_SCRIPT)
        if screen != width:
            fail("the screen is %d px wide" % screen)
        if scroll_width > screen:
            fail("the page scrolls sideways: %d px on a %d px screen" % (scroll_width, screen))
        if wide:
            fail("wider than the screen: " + ", ".join(wide[:10]))
        for hidden in browser.execute_script(SCORE_SCRIPT):
            fail("not on the screen without scrolling: #" + hidden)
        scrolls, before, after, box_left = browser.execute_script(STICKY_SCRIPT)
        if width < 800:
            if not scrolls:
                fail("the lost QSOs' table does not scroll in its box")
            elif abs(after[0] - box_left) > 1 or after[1] >= before[1]:
                fail("the call column moved with its table: %s -> %s" % (before, after))
        wrong = browser.execute_script(BAR_SCRIPT)
        if wrong:
            fail("bars drawn at the wrong height: %s" % wrong)
        broken = browser.execute_script(LEGEND_SCRIPT)
        if broken:
            fail("legend labels broken inside: %s" % broken)
        faint = [c for c in browser.execute_script(MARKS_SCRIPT) if contrast(c) < 3]
        if faint:
            fail("marks under 3:1 against the page: %s" % faint)
        text = browser.execute_script("return document.body.textContent")
        missing = sorted(set(re.findall(r"\[[a-z_]+(?:\.[a-z_0-9]+)+\]", text)))
        if missing:
            fail("texts missing from the catalogue: %s" % missing)
        twin = browser.find_elements("css selector", "#twin")
        if not twin:
            fail("no link to the other language")
        elif not pathlib.Path(unquote(urlparse(twin[0].get_attribute("href")).path)).is_file():
            fail("the link to the other language leads nowhere")
        if width >= 800:
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": "print"})
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": A4_PORTRAIT_PX, "height": height, "deviceScaleFactor": 1,
                "mobile": False})
            for fault in browser.execute_script(PRINT_SCRIPT):
                fail("on A4: " + fault)
            browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"media": ""})
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        browser.execute_script("document.querySelector('#lost').closest('.scroll').scrollLeft = 0")
        browser.save_screenshot(str(shots / ("%s-%d.png" % (name, width))))
    finally:
        browser.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--score", required=True, help="the tarno-score program")
    parser.add_argument("--logs", required=True, help="the hand-made contest's logs")
    parser.add_argument("--shots", required=True, help="where the screenshots go")
    args = parser.parse_args()
    if not (pathlib.Path(CHROMIUM).exists() and pathlib.Path(DRIVER).exists()):
        print("chromium or chromedriver is missing; scripts/install-deps installs them")
        return 77
    shots = pathlib.Path(args.shots)
    shots.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="tarno-entrant-page-") as scratch:
        out = pathlib.Path(scratch) / "out"
        run = subprocess.run([args.score, "crosscheck", "--out", str(out), args.logs],
                             capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            return 1
        failures = []
        checks = [(out / "HA5AA.html", "entrant"), (out / "hu" / "HA5AA.html", "entrant-hu")]
        for page, name in checks:
            for width in (1280, 400):
                check_width(page, name, width, shots, failures)
    for failure in failures:
        print("FAILED " + failure)
    failed = {" ".join(f.split()[:2]) for f in failures}
    print("%d passed, %d failed" % (2 * len(checks) - len(failed), len(failed)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
