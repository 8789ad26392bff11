#!/usr/bin/env python3
"""Both message catalogues are whole: every key the code asks for (found by gettext's own
xgettext) is in i18n/en.po and i18n/hu.po, translated and not fuzzy; both hold the same keys;
each text keeps its key's {placeholders}; both files are sound for msgfmt.

    catalogue_check.py SOURCE_DIR
"""

import os
import re
import subprocess
import sys
import unittest

SOURCE = sys.argv.pop(1) if len(sys.argv) > 1 else "."
sys.path.insert(0, os.path.join(SOURCE, "cmake"))
from po_to_cpp import read_po  # noqa: E402

CATALOGUES = {code: os.path.join(SOURCE, "i18n", code + ".po") for code in ("en", "hu")}
PLACEHOLDER = re.compile(r"\{([a-z_]+)\}")
# Placeholders only one language needs: English writes an ordinal ending after a number
# ("3rd"), Hungarian a full stop in the text itself ("3.").
OWN_PLACEHOLDERS = {"ordinal"}
COUNTIES = ["BA", "BE", "BN", "BO", "BP", "CS", "FE", "GY", "HB", "HE", "KO", "NG", "PE", "SA",
            "SO", "SZ", "TO", "VA", "VE", "ZA"]


def extracted(sources, keywords):
    """The literal first arguments of calls to `keywords` in `sources`, by xgettext."""
    pot = subprocess.run(
        ["xgettext", "--language=C++", "--from-code=UTF-8", "-k"] +
        ["--keyword=" + keyword for keyword in keywords] +
        ["--omit-header", "-o", "-"] + sources,
        check=True, capture_output=True, text=True).stdout
    return {key for key in re.findall(r'^msgid "(.*)"$', pot, re.M) if key}


def keys_in_code():
    """The keys the code passes as literals to Text, Format and Plural, to Markup (a page's
    text with markup filled in) and to MessageLine (a message kept for a page read later)."""
    sources = []
    for folder, _, files in os.walk(os.path.join(SOURCE, "tools")):
        sources += [os.path.join(folder, name) for name in files
                    if name.endswith((".cpp", ".h"))]
    sources.sort()
    keys = extracted(sources, ["Text", "Format", "Markup", "MessageLine"])
    for key in extracted(sources, ["Plural"]):
        keys.update({key + ".one", key + ".other"})
    return keys


class CatalogueTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.catalogues = {code: read_po(path) for code, path in CATALOGUES.items()}

    def test_msgfmt_finds_each_catalogue_sound(self):
        for path in CATALOGUES.values():
            subprocess.run(["msgfmt", "--check", "-o", os.devnull, path], check=True,
                           capture_output=True)

    def test_both_catalogues_hold_the_same_keys_translated(self):
        english, hungarian = self.catalogues["en"], self.catalogues["hu"]
        self.assertEqual(sorted(set(english) - set(hungarian)), [], "missing in Hungarian")
        self.assertEqual(sorted(set(hungarian) - set(english)), [], "missing in English")
        for code, entries in self.catalogues.items():
            for key, (text, fuzzy) in entries.items():
                self.assertTrue(text.strip(), "%s: %s has no text" % (code, key))
                self.assertFalse(fuzzy, "%s: %s is fuzzy" % (code, key))

    def test_every_key_the_code_asks_for_is_in_both(self):
        used = keys_in_code() | {"county." + code for code in COUNTIES}
        for code, entries in self.catalogues.items():
            missing = sorted(key for key in used
                             if key not in entries and key + ".one" not in entries)
            self.assertEqual(missing, [], "keys the code uses, missing in " + code)

    def test_each_text_keeps_its_placeholders(self):
        english, hungarian = self.catalogues["en"], self.catalogues["hu"]
        for key in english:
            if key in hungarian:
                shared = [[name for name in PLACEHOLDER.findall(entries[key][0])
                           if name not in OWN_PLACEHOLDERS] for entries in (english, hungarian)]
                self.assertEqual(sorted(shared[0]), sorted(shared[1]), key)


if __name__ == "__main__":
    unittest.main(verbosity=2)
