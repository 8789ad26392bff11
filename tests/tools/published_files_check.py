#!/usr/bin/python3
"""results.json and statistics.html of a made-up contest, read back as their readers read them.

Makes a contest with tarno-make-contest, gives one entrant a name and a club that try to break
out of a JSON string, checks it with tarno-score crosscheck, and then:
- results.json parses (Python's json, from strict UTF-8) and every entrant's figures, every
  category's places and every club equal results.csv and clubs.csv;
- the statistics pages' figures equal what verdicts.csv and results.csv give when counted here
  independently (logs and active stations, the stations without a log, the lines both logs
  hold, the error rates' classes), the hours add up to the lines on the contest bands, and the
  English and Hungarian pages show the same numbers, link each other and the results, and
  lack no word;
- every chart has a title and a description a screen reader finds, and every mark's colour
  stands at least 3:1 against the white page.

    published_files_check.py --score tarno-score --make-contest tarno-make-contest
"""

import argparse
import csv
import html.parser
import io
import json
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

ARGS = None
HOSTILE_NAME = 'Q "uote" \\back\\ </script>\u2028Ödön \u2029 \U0001F600'
HOSTILE_CLUB = "{\"club\": 1} \\u0022 ,;"
LOST = ("nil", "busted_call", "busted_exchange", "band_mismatch", "mode_mismatch")
CLASS_BOUNDS = [0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20]


def judged_lines(row):
    """The lines an error rate is taken over: all but repeats, lines outside the period and
    lines refused."""
    return int(row["qsos"]) - sum(int(row[v]) for v in ("dupe", "outside", "invalid"))


def error_class(percent):
    if percent <= 0:
        return 0
    klass = 1
    while klass < len(CLASS_BOUNDS) and percent >= CLASS_BOUNDS[klass]:
        klass += 1
    return klass


class Tables(html.parser.HTMLParser):
    """Every table with an id: its rows of cell texts, head row included; and each svg."""

    def __init__(self):
        super().__init__()
        self.tables, self.svgs, self.links, self.ids = {}, [], [], set()
        self.table = self.row = self.cell = None
        self.lang = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.add(attrs["id"])
        if tag == "html":
            self.lang = attrs.get("lang")
        elif tag == "table" and "id" in attrs:
            self.table = self.tables.setdefault(attrs["id"], [])
        elif tag == "tr" and self.table is not None:
            self.row = []
            self.table.append(self.row)
        elif tag in ("td", "th") and self.row is not None:
            self.cell = []
        elif tag == "svg" and attrs.get("class") == "chart":
            self.svgs.append(attrs)
        elif tag == "a":
            self.links.append(attrs.get("href"))

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.row.append("".join(self.cell).strip())
            self.cell = None
        elif tag == "table":
            self.table = self.row = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell.append(data)


def number(text):
    """A number as either page writes it: 1,266 or 1 266 (a no-break space)."""
    return int(re.sub(r"[,\u00a0 ]|[\u25b2\u25bc]", "", text))


def as_english(text, code):
    """A cell's text with its numbers written the English way."""
    if code == "hu":
        text = text.replace("\u00a0", "").replace(",", ".")
    return text.replace(",", "") if code == "en" else text


def luminance(colour):
    channels = [int(colour[i:i + 2], 16) / 255 for i in (1, 3, 5)]
    linear = [c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4 for c in channels]
    return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]


class PublishedFilesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="tarno-published-")
        root = pathlib.Path(cls.scratch.name)
        subprocess.run([ARGS.make_contest, "--out", str(root), "--logs", "80", "--silent", "30",
                        "--seed", "5"], check=True, capture_output=True)
        victim = sorted((root / "logs").glob("*.cbr"))[3]
        text = victim.read_bytes().decode("utf-8")
        text = re.sub(r"(?m)^NAME:.*$", "NAME: " + HOSTILE_NAME.replace("\\", "\\\\"), text)
        text = re.sub(r"(?m)^CLUB:.*$", "CLUB: " + HOSTILE_CLUB.replace("\\", "\\\\"), text)
        victim.write_bytes(text.encode("utf-8"))
        cls.victim = re.search(r"(?m)^CALLSIGN: (\S+)", text).group(1)
        cls.out = root / "out"
        run = subprocess.run([ARGS.score, "crosscheck", "--out", str(cls.out), "--no-certificates",
                              "--categories", str(root / "categories.txt"), str(root / "logs")],
                             capture_output=True, text=True)
        assert run.returncode == 0, run.stdout + run.stderr
        with open(cls.out / "results.csv", newline="", encoding="utf-8") as results:
            cls.results = list(csv.DictReader(results))
        with open(cls.out / "verdicts.csv", newline="", encoding="utf-8") as verdicts:
            cls.verdicts = list(csv.DictReader(verdicts))
        cls.json = json.loads((cls.out / "results.json").read_bytes().decode("utf-8"))
        cls.pages = {}
        for code, path in (("en", cls.out / "statistics.html"),
                           ("hu", cls.out / "hu" / "statistics.html")):
            parser = Tables()
            parser.source = path.read_text(encoding="utf-8")
            parser.feed(parser.source)
            cls.pages[code] = parser

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_results_json_holds_what_results_csv_holds(self):
        self.assertEqual(self.json["format"], "tarno-contest-results")
        self.assertEqual(self.json["version"], 1)
        self.assertEqual(self.json["contest"]["logs"], len(self.results))
        entrants = {e["call"]: e for e in self.json["entrants"]}
        self.assertEqual([e["call"] for e in self.json["entrants"]],
                         [row["call"] for row in self.results])
        for row in self.results:
            entrant = entrants[row["call"]]
            for column, field in (("rank", "rank"), ("claimed", "claimed"),
                                  ("checked", "checked"), ("qsos", "qso_lines"),
                                  ("credited", "credited"), ("points", "points"),
                                  ("counties", "counties"), ("penalty", "penalty"),
                                  ("copied_wrong_by_others", "copied_wrong_by_others")):
                self.assertEqual(entrant[field], int(row[column]), (row["call"], column))
            for verdict in ("ok", "nil", "busted_call", "busted_exchange", "unique", "no_log",
                            "dupe", "outside", "invalid", "band_mismatch", "mode_mismatch",
                            "not_in_partial_log"):
                self.assertEqual(entrant["verdicts"][verdict], int(row[verdict]),
                                 (row["call"], verdict))
            self.assertEqual(entrant["clock"]["start_s"], int(row["clock_start_s"]))
            self.assertEqual(entrant["clock"]["end_s"], int(row["clock_end_s"]))
            self.assertEqual(entrant["category_place"],
                             int(row["category_rank"]) if row["category_rank"] else None)
            for column in ("category", "country", "continent", "name", "club"):
                self.assertEqual(entrant[column] or "", row[column], (row["call"], column))
            self.assertEqual(entrant["files"]["report"], row["report"])
            self.assertIsNone(entrant["files"]["certificate"])
            judged = judged_lines(row)
            if judged:
                lost = sum(int(row[v]) for v in LOST)
                self.assertAlmostEqual(entrant["error_rate_percent"], 100 * lost / judged, places=2)
            else:
                self.assertIsNone(entrant["error_rate_percent"])
            self.assertEqual(sum(b["qsos"] for b in entrant["checked_bands"]),
                             sum(int(row[v]) for v in ("ok", "no_log", "not_in_partial_log",
                                                       "unique")),
                             row["call"])

    def test_hostile_texts_read_back_as_they_were(self):
        entrant = next(e for e in self.json["entrants"] if e["call"] == self.victim)
        row = next(r for r in self.results if r["call"] == self.victim)
        self.assertEqual(entrant["name"], row["name"])
        self.assertEqual(entrant["club"], row["club"])
        for part in ('"uote"', "\\back\\", "</script>", "\u2028", "Ödön", "\U0001F600"):
            self.assertIn(part, entrant["name"])
        raw = (self.out / "results.json").read_bytes()
        self.assertNotIn("\u2028".encode("utf-8"), raw)
        self.assertNotIn("\u2029".encode("utf-8"), raw)

    def test_categories_and_clubs_in_results_json(self):
        places = {(r["category"], r["call"]): int(r["category_rank"])
                  for r in self.results if r["category_rank"]}
        listed = {(c["name"], e["call"]): e["place"]
                  for c in self.json["categories"] for e in c["entrants"]}
        self.assertEqual(listed, places)
        unranked = {r["call"] for r in self.results if not r["category_rank"]}
        self.assertEqual(set(self.json["not_ranked"]), unranked)
        with open(self.out / "clubs.csv", newline="", encoding="utf-8") as clubs:
            rows = list(csv.DictReader(clubs))
        self.assertEqual([(c["rank"], c["name"], c["score"], c["members"])
                          for c in self.json["clubs"]],
                         [(int(r["rank"]), r["club"], int(r["score"]), r["members"].split())
                          for r in rows])

    def counted_here(self):
        calls = {row["call"] for row in self.results}
        logs_of = {}
        lines = checkable = 0
        for row in self.verdicts:
            if row["verdict"] == "OUTSIDE":
                continue
            lines += 1
            worked = row["worked"].strip().upper()
            checkable += worked in calls
            if worked and worked != row["log"]:
                logs_of.setdefault(worked, set()).add(row["log"])
        without = sorted(((len(logs), call) for call, logs in logs_of.items()
                          if len(logs) >= 3 and call not in calls), key=lambda p: (-p[0], p[1]))
        return calls, without, lines, checkable

    def test_stations_and_checkable_lines_as_counted_here(self):
        calls, without, lines, checkable = self.counted_here()
        tables = self.pages["en"].tables
        countries = tables["by-country"][1:]
        self.assertEqual(sum(number(r[2]) for r in countries), len(calls))
        self.assertEqual(sum(number(r[1]) for r in countries), len(calls) + len(without))
        self.assertEqual([(r[0], number(r[1])) for r in tables["no-log-table"][1:]],
                         [(call, count) for count, call in without[:30]])
        total = tables["checkable-table"][-1]
        self.assertEqual((number(total[1]), number(total[2])), (lines, checkable))
        self.assertEqual(sum(number(r[1]) for r in tables["by-category"][1:]), len(calls))

    def test_error_rates_and_hours_add_up(self):
        classes = [0] * (len(CLASS_BOUNDS) + 1)
        for row in self.results:
            if judged_lines(row):
                classes[error_class(100 * sum(int(row[v]) for v in LOST) / judged_lines(row))] += 1
        tables = self.pages["en"].tables
        self.assertEqual([number(r[1]) for r in tables["errors-table"][1:]], classes)
        hours = sum(number(r[-1]) for r in tables["per-hour-table"][1:])
        bands = sum(number(r[1]) for r in tables["checkable-table"][1:7])
        self.assertEqual(hours, bands)
        self.assertGreater(hours, 0)

    def test_both_languages_show_the_same_numbers_and_link_each_other(self):
        english, hungarian = self.pages["en"], self.pages["hu"]
        self.assertEqual((english.lang, hungarian.lang), ("en", "hu"))
        self.assertIn("hu/statistics.html", english.links)
        self.assertIn("../statistics.html", hungarian.links)
        for page in (english, hungarian):
            self.assertIn("results.html", page.links)
            self.assertNotRegex(page.source, r"\[[a-z_]+\.[a-z_.]+\]", "a word missing")
            self.assertIsNone(re.search(r"https?:|<script|<link|@import", page.source))
        self.assertIn("Megyék aktivitás szerint", hungarian.source)
        for table in ("no-log-table", "per-hour-table", "counties-table", "errors-table",
                      "checkable-table", "by-country"):
            rows = english.tables[table][1:], hungarian.tables[table][1:]
            self.assertEqual(len(rows[0]), len(rows[1]), table)
            for row_en, row_hu in zip(*rows):
                self.assertEqual([as_english(c, "en") for c in row_en[1:]],
                                 [as_english(c, "hu") for c in row_hu[1:]], table)

    def test_charts_are_named_for_screen_readers_and_marks_stand_out(self):
        for page in self.pages.values():
            self.assertEqual(len(page.svgs), 3)
            for svg in page.svgs:
                labels = svg.get("aria-labelledby", "").split()
                self.assertEqual(len(labels), 2, svg)
                for label in labels:
                    self.assertIn(label, page.ids)
            fills = set(re.findall(r'fill="(#[0-9A-Fa-f]{6})"', page.source))
            self.assertTrue(fills)
            for colour in fills - {"#fff", "#ffffff", "#FFFFFF"}:
                self.assertGreaterEqual(1.05 / (luminance(colour) + 0.05), 3, colour)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--score", required=True)
    parser.add_argument("--make-contest", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
