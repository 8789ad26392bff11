#!/usr/bin/python3
"""The contest's statistics page in a real browser, in English and Hungarian, at a desktop
and a phone width.

Makes a contest with tarno-make-contest, runs the cross-check, opens statistics.html and
hu/statistics.html in headless Chromium through chromedriver, and checks what a reader sees:
each chart draws one mark per value its table holds, at the height its number gives;
nothing is wider than the screen except inside a box that scrolls; the band legend's labels
never break; the folded table of the hours opens. Screenshots go to the folder given.
Exit status 77 when no browser can be driven.
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

OVERFLOW_SCRIPT = """
const width = document.documentElement.clientWidth;
const wide = [];
for (const element of document.body.querySelectorAll('*')) {
  if (element.closest('.scroll') || element.closest('details:not([open])')) continue;
  const box = element.getBoundingClientRect();
  if (box.width > 0 && box.right > width + 0.5) wide.push(element.tagName + '#' + element.id);
}
return [width, document.documentElement.scrollWidth, wide];
"""

# The non-zero cells of a table's columns `first` to `last` (counted from 0), as numbers.
CELLS_SCRIPT = """
const [id, first, last] = arguments;
const values = [];
for (const row of document.querySelectorAll('#' + id + ' tbody tr')) {
  const cells = row.children;
  for (let i = first; i <= last && i < cells.length; ++i) {
    const value = parseInt(cells[i].textContent.replace(/[^0-9]/g, ''), 10);
    if (value > 0) values.push(value);
  }
}
return values;
"""

# Each rect of a chart with a <title>, drawn at the height (or width) its number gives.
MARKS_SCRIPT = """
const [id, horizontal] = arguments;
const svg = document.getElementById(id);
const marks = [...svg.querySelectorAll('rect')].filter(r => r.querySelector('title'));
const scale = svg.getBoundingClientRect().width / svg.viewBox.baseVal.width;
const wrong = [];
for (const mark of marks) {
  const box = mark.getBoundingClientRect();
  const drawn = horizontal ? box.width : box.height;
  const meant = (horizontal ? mark.width : mark.height).baseVal.value * scale;
  if (Math.abs(drawn - meant) > 1) wrong.push(mark.querySelector('title').textContent);
}
return [marks.length, wrong];
"""

LEGEND_SCRIPT = """
const broken = [];
for (const item of document.querySelectorAll('.key .k')) {
  const lineHeight = parseFloat(getComputedStyle(item).fontSize) * 1.8;
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


def check_page(page, width, shot, failures):
    def fail(message):
        failures.append("%s at %d px: %s" % (page.parent.name, width, message))

    height = 2400 if width < 800 else 1600
    browser = open_browser(width, height)
    try:
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 800})
        browser.get(page.as_uri())
        screen, scroll_width, wide = browser.execute_script(OVERFLOW_SCRIPT)
        if scroll_width > screen:
            fail("the page scrolls sideways: %d px on a %d px screen" % (scroll_width, screen))
        if wide:
            fail("wider than the screen: " + ", ".join(wide[:10]))
        # The hours: one mark per band and hour with lines; the counties: one bar per county
        # with QSOs; the error rates: one column per class with logs.
        for chart, table, first, last, horizontal in (
                ("per-hour-chart", "per-hour-table", 1, 6, False),
                ("counties-chart", "counties-table", 7, 7, True),
                ("errors-chart", "errors-table", 1, 1, False)):
            values = browser.execute_script(CELLS_SCRIPT, table, first, last)
            count, wrong = browser.execute_script(MARKS_SCRIPT, chart, horizontal)
            if count != len(values) or not values:
                fail("%s draws %d marks for %d values" % (chart, count, len(values)))
            if wrong:
                fail("%s: marks drawn at the wrong size: %s" % (chart, wrong[:5]))
        broken = browser.execute_script(LEGEND_SCRIPT)
        if broken:
            fail("legend labels broken inside: %s" % broken)
        summary = browser.find_element("css selector", "#per-hour details summary")
        shown = "return document.getElementById('per-hour-table').checkVisibility()"
        if browser.execute_script(shown):
            fail("the hours' table is not folded")
        summary.click()
        if not browser.execute_script(shown):
            fail("the hours' table does not open")
        summary.click()
        whole = browser.execute_script("return document.documentElement.scrollHeight")
        browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": whole, "deviceScaleFactor": 1, "mobile": width < 800})
        browser.save_screenshot(str(shot))
    finally:
        browser.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--score", required=True, help="the tarno-score program")
    parser.add_argument("--make-contest", required=True, help="the tarno-make-contest program")
    parser.add_argument("--shots", required=True, help="where the screenshots go")
    args = parser.parse_args()
    if not (pathlib.Path(CHROMIUM).exists() and pathlib.Path(DRIVER).exists()):
        print("chromium or chromedriver is missing; scripts/install-deps installs them")
        return 77
    shots = pathlib.Path(args.shots)
    shots.mkdir(parents=True, exist_ok=True)
    failures = []
    with tempfile.TemporaryDirectory(prefix="tarno-statistics-page-") as scratch:
        root = pathlib.Path(scratch)
        out = root / "out"
        for command in ([args.make_contest, "--out", str(root), "--logs", "120", "--silent", "40",
                         "--seed", "3"],
                        [args.score, "crosscheck", "--out", str(out), "--no-certificates",
                         "--categories", str(root / "categories.txt"), str(root / "logs")]):
            run = subprocess.run(command, capture_output=True, text=True)
            if run.returncode != 0:
                print(run.stdout + run.stderr)
                return 1
        pages = ((out / "statistics.html", 1280, "statistics-1280.png"),
                 (out / "statistics.html", 400, "statistics-400.png"),
                 (out / "hu" / "statistics.html", 1280, "statistics-hu-1280.png"),
                 (out / "hu" / "statistics.html", 400, "statistics-hu-400.png"))
        for page, width, shot in pages:
            check_page(page, width, shots / shot, failures)
    for failure in failures:
        print("FAILED " + failure)
    print("%d pages checked, %d failures" % (len(pages), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
