#!/usr/bin/python3
"""An entrant's page in a real browser at a desktop and a phone width.

Runs the cross-check of the hand-made contest, opens HA5AA's page in headless Chromium
through chromedriver, and checks what a reader sees: the charts hold one bar or point per
value of that known log, nothing is wider than the screen except inside a box that
scrolls, the call column stays put while its table scrolls, and no legend label breaks.
Screenshots go to the folder given. Exit status 77 when no browser can be driven.
"""

import argparse
import pathlib
import subprocess
import sys
import tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
except ImportError:
    print("python3-selenium is missing; scripts/install-deps installs it")
    sys.exit(77)

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"

# HA5AA's credited QSOs fall in the 09h hour on 80 m and 40 m: two bar segments; the
# contest day has 24 hours; the grid marks PE on 80 m (credited) and on 20 m (lost).
EXPECTED_COUNTS = {
    "#rate rect.seg": 2,
    "#counties circle.pt": 24,
    "#grid rect.cell": 2,
    "#grid pattern": 1,
    "#grid rect.cell.f1": 1,
    "#grid rect.cell.f2": 1,
    "#rates circle.pt": 48,
    "#gap circle.pt": 24,
    "#lost tbody tr": 5,
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
const call = document.querySelector('#lost tbody td.call');
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
for (const item of document.querySelectorAll('.legend .item')) {
  const lineHeight = parseFloat(getComputedStyle(item).fontSize) * 1.6;
  if (item.getBoundingClientRect().height > lineHeight) broken.push(item.textContent);
}
return broken;
"""


def open_browser(width, height):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
                 "--window-size=%d,%d" % (width, height)):
        options.add_argument(flag)
    return webdriver.Chrome(service=Service(DRIVER), options=options)


def check_width(page, width, shots, failures):
    def fail(message):
        failures.append("%d px: %s" % (width, message))

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
        for svg in browser.find_elements("css selector", "svg.chart"):
            if svg.size["width"] > screen:
                fail("chart %s is %d px wide" % (svg.get_attribute("id"), svg.size["width"]))
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
        browser.execute_script("document.querySelector('#lost').closest('.scroll').scrollLeft = 0")
        browser.save_screenshot(str(shots / ("entrant-%d.png" % width)))
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
        widths = (1280, 400)
        for width in widths:
            check_width(out / "HA5AA.html", width, shots, failures)
    for failure in failures:
        print("FAILED " + failure)
    print("%d passed, %d failed" % (len(widths) - len({f.split(":")[0] for f in failures}),
                                    len({f.split(":")[0] for f in failures})))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
