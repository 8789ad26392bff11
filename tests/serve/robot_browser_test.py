#!/usr/bin/env python3
"""The log robot in a real browser: Debian's Chromium, driven headless through
chromium-driver by Selenium, against a `tarno-score serve` started for the run.

    robot_browser_test.py --program build/native/tarno-score --screenshots DIR

An entrant uploads through the form and reads the receipt; the sponsor logs in, runs the
check and publishes; the entrant follows the receipt link to the report. What the receipt
says is held against `tarno-score check` and the score of the same file. The upload page
and the receipt must fit a 400 px wide screen, in English and, chosen with the switch on
the page, in Hungarian. The upload form, a receipt and the sponsor's list are saved as
robot-upload.png, robot-receipt.png and robot-sponsor.png in DIR, and the upload form and a
receipt in Hungarian on a phone as robot-upload-hu.png and robot-receipt-hu.png.
Exit status 77 (skipped) when Chromium, its driver or Selenium is missing.
"""

import argparse
import contextlib
import datetime
import io
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from robot_server import RobotServer  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"
SKIPPED = 77  # ctest's SKIP_RETURN_CODE
PASSWORD = "browser-test-sponsor"
SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LOGS = os.path.join(SOURCE, "tests", "data", "crosscheck", "logs")
WAIT_SECONDS = 60
RESULTS_TABLE = "table.results"  # the cross-check's results page, one table per section
# The day the test logs were made for; one QSO of HA5AA's lies before it.
PERIOD = ["--start", "2026-03-07", "--end", "2026-03-07"]

OPTIONS = argparse.Namespace()

try:
    from selenium import webdriver
    from selenium.common.exceptions import (NoSuchElementException,
                                            StaleElementReferenceException, WebDriverException)
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.select import Select
    from selenium.webdriver.support.wait import WebDriverWait
except ImportError:
    webdriver = None

# Every element whose box reaches past the screen's sides, unless a box that scrolls
# sideways, and itself fits, holds it; and how wide the page is.
OVERFLOW_SCRIPT = """
const width = document.documentElement.clientWidth;
const fits = (r) => r.left >= -0.5 && r.right <= width + 0.5;
const scrolls = (el) => ['auto', 'scroll'].includes(getComputedStyle(el).overflowX);
const name = (el) => el.tagName.toLowerCase() + (el.id ? '#' + el.id : '') +
    (el.className && typeof el.className === 'string' ? '.' + el.className.split(' ')[0] : '');
const wide = [];
for (const el of document.body.querySelectorAll('*')) {
  const r = el.getBoundingClientRect();
  if ((r.width === 0 && r.height === 0) || fits(r)) continue;
  let box = el.parentElement;
  while (box && box !== document.body && !(scrolls(box) && fits(box.getBoundingClientRect())))
    box = box.parentElement;
  if (!box || box === document.body)
    wide.push(name(el) + ' ' + Math.round(r.left) + '..' + Math.round(r.right));
}
return {width: width, scrollWidth: document.documentElement.scrollWidth, wide: wide};
"""

def run(args, cwd=None):
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, check=False)


def expected_receipt(path):
    """What the receipt must say of the log at `path`: `check`'s findings as (line,
    message), the QSO lines read and refused, and the plug-in's score."""
    findings = []
    for line in run([OPTIONS.program, "check", path]).stdout.splitlines():
        match = re.search(r"(?:^|: )line (\d+): (.*)$", line)
        if match:
            findings.append((int(match.group(1)), match.group(2)))
    with tempfile.TemporaryDirectory() as folder:
        scored = run([OPTIONS.program, "--dir", folder, *PERIOD, path])
    score = re.search(r"^Score: \S+ = (\d+)", scored.stdout, re.M)
    replayed = re.search(r"^(\d+) QSOs (?:scored|replayed)", scored.stdout, re.M)
    outside = re.search(r"(\d+) outside the contest period", scored.stdout)
    skipped = re.search(r"(\d+) lines? skipped", scored.stdout)
    assert score and replayed and outside and skipped, scored.stdout + scored.stderr
    return {"findings": findings, "read": int(replayed.group(1)) + int(outside.group(1)),
            "refused": int(skipped.group(1)),
            "score": int(score.group(1))}


def digits(text):
    """A number as either language groups its digits: 12,345 or 12\u00a0345."""
    return text.replace(",", "").replace("\u00a0", "")


def first_number(text):
    match = re.search(r"\d+", digits(text))
    return int(match.group(0)) if match else None


def faulty_log(folder):
    """OK2DD's log with an unknown power category and a QSO dated in the 13th month."""
    with open(os.path.join(LOGS, "ok2dd.cbr"), newline="", encoding="ascii") as source:
        text = source.read()
    text = re.sub(r"(?m)^CATEGORY-POWER:[^\r\n]*", "CATEGORY-POWER: HUGE", text, count=1)
    text = re.sub(r"(?m)^(QSO: +\S+ +\S+ +)(\d{4})-\d\d-", r"\g<1>\g<2>-13-", text, count=1)
    path = os.path.join(folder, "ok2dd-faulty.cbr")
    with open(path, "w", newline="", encoding="ascii") as out:
        out.write(text)
    return path


class RobotInBrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="tarno-robot-browser-")
        # A deadline still to come: every log in time, and the page shows both dates.
        deadline = (datetime.datetime.now(datetime.timezone.utc) +
                    datetime.timedelta(days=14)).strftime("%Y-%m-%d")
        cls.server = RobotServer(OPTIONS.program, PASSWORD,
                                 [*PERIOD, "--deadline", deadline, *OPTIONS.server_args])
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu",
                         "--hide-scrollbars", "--window-size=1000,800",
                         "--user-data-dir=" + os.path.join(cls.scratch.name, "profile")):
            options.add_argument(argument)
        try:
            cls.browser = webdriver.Chrome(service=Service(DRIVER), options=options)
        except Exception:
            cls.server.stop()
            cls.server.remove()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        status = cls.server.stop()
        server_errors = cls.server.stderr()
        cls.server.remove()
        cls.scratch.cleanup()
        if status != 0:
            raise AssertionError("the robot did not stop cleanly on SIGTERM (status %s)%s"
                                 % (status, server_errors))

    # Helpers ---------------------------------------------------------------------------

    def open(self, path):
        self.browser.get(self.server.url + path.lstrip("/"))

    def one(self, css, within=None):
        try:
            return (within or self.browser).find_element(By.CSS_SELECTOR, css)
        except NoSuchElementException:
            raise self.failureException("%s is missing on %s:\n%s" % (
                css, self.browser.current_url, self.page_text())) from None

    def some(self, css, within=None):
        return (within or self.browser).find_elements(By.CSS_SELECTOR, css)

    def page_text(self):
        return self.browser.find_element(By.TAG_NAME, "body").text[:3000]

    def upload(self, path=None, text=None, email=None):
        """Sends a log through the front page's form; the receipt (or refusal) is shown."""
        self.open("/")
        form = self.one("form#upload")
        if path:
            self.one("input[type=file][name=log]", form).send_keys(path)
        if text:
            self.one("textarea[name=text]", form).send_keys(text)
        if email:
            self.one("input[name=email]", form).send_keys(email)
        self.one("button#send", form).click()
        self.wait_for_next_page(form)

    def submit(self, form_css):
        form = self.one(form_css)
        self.one("[type=submit], button", form).click()
        self.wait_for_next_page(form)

    def follow(self, link):
        link.click()
        self.wait_for_next_page(link)

    def wait_for_next_page(self, old):
        """A click does not wait for the page it asks for: the element clicked on going
        stale says that the next page is there."""
        def gone(_):
            try:
                old.is_enabled()
                return False
            except StaleElementReferenceException:
                return True
            except WebDriverException as error:
                # Chromium's driver, asked while the page is being replaced, may answer that
                # the element belongs to no document instead of that it is stale.
                if "does not belong to the document" in str(error):
                    return True
                raise

        WebDriverWait(self.browser, WAIT_SECONDS).until(gone)

    def shot(self, name, width=1000):
        """The whole page at `width` (at 400 px, as a phone shows it), saved in the
        screenshots folder."""
        metrics = {"width": width, "height": 800, "deviceScaleFactor": 1, "mobile": width <= 400}
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
        try:
            # As tall as the page is at that width.
            height = self.browser.execute_script("return document.documentElement.scrollHeight")
            metrics["height"] = min(height, 3000)
            self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", metrics)
            path = os.path.join(OPTIONS.screenshots, name)
            self.assertTrue(self.browser.save_screenshot(path), path)
        finally:
            self.browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.assertGreater(os.path.getsize(path), 10000, "an empty page gives a tiny picture")

    def assert_receipt(self, call, expected):
        self.one("#receipt")
        self.assertEqual(call, self.one("#call").text.strip())
        self.assertTrue(self.one("#categories").text.strip(), "no categories shown")
        self.assertEqual(expected["read"], first_number(self.one("#lines-read").text))
        self.assertEqual(expected["refused"], first_number(self.one("#lines-refused").text))
        shown = self.one("#findings").text.splitlines()
        for line, message in expected["findings"]:
            self.assertTrue([text for text in shown if message in text and
                             re.search(r"\b%d\b" % line, text)],
                            "finding not shown with its line: %d: %s" % (line, message))
        self.assertRegex(digits(self.one("#claimed-score").text),
                         r"\b%d\b" % expected["score"])
        self.assertEqual([], self.some("#late"), "a log in time is marked late")
        link = self.one("a#receipt-link").get_attribute("href")
        self.assertRegex(link, r"^%sreceipt/[A-Za-z0-9_-]{16,}$" % re.escape(self.server.url))
        return link

    def assert_fits(self, what):
        found = self.browser.execute_script(OVERFLOW_SCRIPT)
        self.assertEqual(400, found["width"], what + ": the page is not laid out for the screen")
        self.assertEqual([], found["wide"], what + ": wider than the screen")
        self.assertLessEqual(found["scrollWidth"], 400, what + ": the page scrolls sideways")

    def results_text(self):
        tables = self.some(RESULTS_TABLE)
        self.assertTrue(tables, "no results table on " + self.browser.current_url)
        return "\n".join(table.text for table in tables)

    def sponsor_rows(self):
        """The sponsor's list by the call in one of each row's cells."""
        rows = {}
        for row in self.some("table#logs tr"):
            for cell in self.some("td", row):
                if re.fullmatch(r"[A-Z0-9]+(/[A-Z0-9]+)*", cell.text.strip()):
                    rows.setdefault(cell.text.strip(), row)
        return rows

    def wait_for_private_results(self):
        deadline = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < deadline:
            self.open("/sponsor")
            self.assertTrue(self.one("#progress").text.strip(), "the check's state is not shown")
            # A link to the results only once a check has finished.
            results = self.some("a#private-results")
            if results:
                self.follow(results[0])
            # The reports are on that page; the results table is on the one it links to.
            if results and self.some("a#results-page"):
                self.follow(self.one("a#results-page"))
                self.one(RESULTS_TABLE)
                return
            time.sleep(0.5)
        self.fail("the check gave no results within %d s:\n%s" % (WAIT_SECONDS, self.page_text()))

    # Tests -----------------------------------------------------------------------------

    def test_entrants_upload_the_sponsor_checks_and_publishes(self):
        self.open("/")
        self.one("meta[name=viewport]")
        self.one("table#received")
        ha5aa = os.path.join(LOGS, "ha5aa.cbr")
        self.upload(path=ha5aa, email="ha5aa@example.org")
        receipt_link = self.assert_receipt("HA5AA", expected_receipt(ha5aa))
        self.upload(path=os.path.join(LOGS, "hg7bb.cbr"))
        self.assert_receipt("HG7BB", expected_receipt(os.path.join(LOGS, "hg7bb.cbr")))
        with open(os.path.join(LOGS, "dl1cc.cbr"), encoding="ascii") as pasted:
            self.upload(text=pasted.read())
        self.assert_receipt("DL1CC", expected_receipt(os.path.join(LOGS, "dl1cc.cbr")))
        faulty = faulty_log(self.scratch.name)
        self.upload(path=faulty)
        expected = expected_receipt(faulty)
        self.assertEqual(2, len(expected["findings"]), "the faulty log lost its faults")
        self.assert_receipt("OK2DD", expected)
        self.shot("robot-receipt.png")

        self.open("/")
        received = self.one("table#received")
        for call in ("HA5AA", "HG7BB", "DL1CC", "OK2DD"):
            self.assertIn(call, received.text)
        headings = " ".join(cell.text for cell in self.some("th", received)).lower()
        self.assertNotIn("score", headings, "scores are shown before publication")
        self.shot("robot-upload.png")

        self.browser.get(receipt_link)
        self.assertEqual([], self.some("pre#report"), "a report is shown before publication")
        self.open("/results")
        self.assertIn("not yet published", self.page_text())

        self.sponsor_logs_in()
        self.sponsor_sees_every_log(ha5aa)
        self.shot("robot-sponsor.png")
        self.submit("form#run-check")
        self.wait_for_private_results()
        self.assertIn("HA5AA", self.results_text())
        self.open("/results")
        self.assertIn("not yet published", self.page_text(), "results public before publishing")
        self.open("/sponsor")
        self.submit("form#publish")
        self.sponsor_logs_out()

        self.browser.get(receipt_link)
        report = self.one("pre#report").text
        self.assertIn("HA5AA", report)
        self.follow(self.one("a#results-link"))
        self.assertIn("HA5AA", self.results_text())

    def sponsor_logs_in(self):
        self.open("/sponsor")
        login = self.one("form#login")
        self.assertTrue(self.one("input[name=csrf]", login).get_attribute("value"))
        self.one("input[name=password]", login).send_keys(PASSWORD + "-wrong")
        self.submit("form#login")
        self.assertEqual([], self.some("table#logs"), "a wrong password let the sponsor in")
        # A failed login holds the next one off for a while, which the page names.
        for _ in range(5):
            held_off = re.search(r"wait (\d+) s", self.page_text())
            time.sleep(int(held_off.group(1)) + 0.2 if held_off else 0)
            self.open("/sponsor")
            self.one("input[name=password]", self.one("form#login")).send_keys(PASSWORD)
            self.submit("form#login")
            if self.some("table#logs"):
                break
        self.one("table#logs")
        session = [cookie for cookie in self.browser.get_cookies() if cookie.get("httpOnly")]
        self.assertTrue(session, "no HttpOnly session cookie")
        self.assertEqual("Strict", session[0].get("sameSite"))
        self.assertNotIn(session[0]["value"], self.browser.execute_script("return document.cookie"))

    def sponsor_sees_every_log(self, raw_log):
        rows = self.sponsor_rows()
        for call in ("HA5AA", "HG7BB", "DL1CC", "OK2DD"):
            self.assertIn(call, rows, "the sponsor's list lacks " + call)
        for form in self.some("form"):
            self.assertTrue(self.one("input[name=csrf]", form).get_attribute("value"),
                            "a form without its CSRF token: " + str(form.get_attribute("id")))
        for css in ("a#archive", "form#run-check", "#progress", "#private-results", "#publish",
                    "form#logout"):
            self.one(css)
        raw = self.one("a[href$='/raw']", rows["HA5AA"])
        self.assertRegex(raw.get_attribute("href"), r"/sponsor/upload/[^/]+/raw$")
        with open(raw_log, "rb") as source:
            self.assertEqual(source.read(), self.download(raw))
        with zipfile.ZipFile(io.BytesIO(self.download(self.one("a#archive")))) as archive:
            names = " ".join(archive.namelist()).upper()
        for call in ("HA5AA", "HG7BB", "DL1CC", "OK2DD"):
            self.assertIn(call, names, "the archive lacks " + call)

    def download(self, link):
        """The bytes of the file the browser saves when `link` is clicked."""
        folder = tempfile.mkdtemp(dir=self.scratch.name)
        self.browser.execute_cdp_cmd("Browser.setDownloadBehavior",
                                     {"behavior": "allow", "downloadPath": folder})
        link.click()
        deadline = time.monotonic() + WAIT_SECONDS
        last_size = -1
        while time.monotonic() < deadline:
            names = os.listdir(folder)
            done = [name for name in names if not name.endswith(".crdownload")]
            # Chromium may show the file by its name before the last bytes are in it: the
            # download is taken once nothing is partial and its size held for one look.
            if done and len(done) == len(names):
                size = os.path.getsize(os.path.join(folder, done[0]))
                if size > 0 and size == last_size:
                    with open(os.path.join(folder, done[0]), "rb") as saved:
                        return saved.read()
                last_size = size
            time.sleep(0.2)
        self.fail("nothing was downloaded from " + link.get_attribute("href"))

    def sponsor_logs_out(self):
        self.open("/sponsor")
        self.submit("form#logout")
        self.open("/sponsor/results")
        self.one("form#login")
        self.assertEqual([], self.some(RESULTS_TABLE), "private results without a session")

    @contextlib.contextmanager
    def narrow_screen(self):
        """The browser as a phone 400 px wide, for the length of a `with`."""
        self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": 400, "height": 800, "deviceScaleFactor": 1, "mobile": True})
        try:
            yield
        finally:
            self.browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def test_upload_page_fits_a_400_pixel_screen(self):
        with self.narrow_screen():
            self.open("/")
            self.assert_fits("the upload page")

    def test_receipt_fits_a_400_pixel_screen(self):
        with self.narrow_screen():
            self.upload(path=faulty_log(self.scratch.name))
            self.one("#findings")
            self.assert_fits("the receipt")
            # The summary sheet is a table of columns: it scrolls in its box, never wraps.
            self.assertEqual("pre", self.browser.execute_script(
                "return getComputedStyle(document.getElementById('summary')).whiteSpace"))
            self.browser.get(self.one("a#receipt-link").get_attribute("href"))
            self.one("#receipt")
            self.assert_fits("the receipt through its link")

    def test_review_and_decisions_fit_a_400_pixel_screen(self):
        for name in ("ha5aa.cbr", "hg7bb.cbr"):
            self.upload(path=os.path.join(LOGS, name))
        self.sponsor_logs_in()
        self.open("/sponsor")
        self.submit("form#run-check")
        self.wait_for_private_results()
        with self.narrow_screen():
            self.open("/sponsor/review")
            # HG7BB's unique is behind a figure; its line is decided from the page.
            section = self.one("section#review-HG7BB")
            self.one("details summary", section).click()
            self.assert_fits("the review")
            form = self.one("form.decide", section)
            Select(self.one("select[name=verdict]", form)).select_by_visible_text("OK")
            self.one("input[name=reason]", form).send_keys("9A3FF's log came by post")
            self.submit("section#review-HG7BB form.decide")
            self.assertIn("in force: OK", self.one("section#review-HG7BB").text)
            self.open("/sponsor/decisions")
            self.assertIn("9A3FF's log came by post", self.one("table#decisions").text)
            self.assert_fits("the sponsor's decisions")
        self.sponsor_logs_out()

    def test_the_robot_in_hungarian_fits_a_400_pixel_screen(self):
        """The switch on the page shows it in Hungarian and keeps the choice: the upload
        form sends in Hungarian, the receipt answers in Hungarian, and both fit a phone."""
        faulty = faulty_log(self.scratch.name)
        try:
            with self.narrow_screen():
                self.open("/")
                self.follow(self.one("a#language"))
                self.assert_hungarian("Napl\u00f3bek\u00fcld\u00e9s")
                self.assert_fits("the upload page in Hungarian")
                self.upload(path=faulty)
                self.assert_hungarian("Nyugta")
                receipt_link = self.assert_receipt("OK2DD", expected_receipt(faulty))
                self.assertIn("sor:", self.one("#findings").text, "findings framed in English")
                self.assert_fits("the receipt in Hungarian")
            self.shot("robot-receipt-hu.png", width=400)
            self.open("/")
            self.assert_hungarian("Napl\u00f3bek\u00fcld\u00e9s")
            self.shot("robot-upload-hu.png", width=400)
            # And back: the same receipt in English.
            self.browser.get(receipt_link)
            self.follow(self.one("a#language"))
            self.assertEqual("en", self.one("html").get_attribute("lang"))
            self.assertIn("Receipt for", self.one("h1").text)
        finally:
            self.browser.delete_cookie("lang")

    def assert_hungarian(self, heading):
        self.assertEqual("hu", self.one("html").get_attribute("lang"))
        self.assertIn(heading, self.one("h1").text)
        self.assertEqual("In English", self.one("a#language").text)
        self.assertNotRegex(self.page_text(), r"\[robot\.", "a text missing in Hungarian")

    def test_sponsor_list_fits_a_400_pixel_screen(self):
        self.upload(path=os.path.join(LOGS, "ha5aa.cbr"))
        self.sponsor_logs_in()
        with self.narrow_screen():
            self.open("/sponsor")
            self.one("table#logs")
            self.assert_fits("the sponsor's list")
        self.sponsor_logs_out()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the tarno-score program")
    parser.add_argument("--screenshots", required=True, help="folder for the pictures")
    parser.add_argument("--server-arg", dest="server_args", action="append", default=[],
                        help="one more argument for tarno-score serve (repeatable)")
    parser.parse_args(sys.argv[1:], namespace=OPTIONS)
    OPTIONS.program = os.path.abspath(OPTIONS.program)
    missing = [path for path in (CHROMIUM, DRIVER) if not os.access(path, os.X_OK)]
    if webdriver is None:
        missing.append("python3-selenium")
    if missing:
        print("skipped: %s missing; scripts/install-deps installs it" % ", ".join(missing))
        return SKIPPED
    os.makedirs(OPTIONS.screenshots, exist_ok=True)
    tests = unittest.defaultTestLoader.loadTestsFromTestCase(RobotInBrowserTest)
    return 0 if unittest.TextTestRunner(verbosity=2).run(tests).wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
