#!/usr/bin/env python3
"""Turns the message catalogues (gettext .po files, one per language, msgid the key and
msgstr the text) into a C++ source the programs are built with, so that no catalogue file
needs to be found at run time.

    po_to_cpp.py OUT.cpp en=i18n/en.po hu=i18n/hu.po
"""

import sys


def unquote(text):
    """The C string literal `text` (with its quotes) as its characters."""
    assert text.startswith('"') and text.endswith('"'), text
    out, i, body = [], 0, text[1:-1]
    escapes = {"n": "\n", "t": "\t", '"': '"', "\\": "\\", "r": "\r"}
    while i < len(body):
        if body[i] == "\\" and i + 1 < len(body):
            out.append(escapes.get(body[i + 1], body[i + 1]))
            i += 2
        else:
            out.append(body[i])
            i += 1
    return "".join(out)


def read_po(path):
    """{msgid: (msgstr, fuzzy)} of a .po file; the header entry (empty msgid) left out."""
    entries = {}
    msgid = msgstr = field = None
    fuzzy = flagged = False

    def finish():
        if msgid:  # the header's msgid is empty
            entries[msgid] = (msgstr or "", fuzzy)

    with open(path, encoding="utf-8") as po:
        for number, raw in enumerate(po, 1):
            line = raw.strip()
            if not line:
                continue
            if line.startswith("#,"):
                flagged = "fuzzy" in line
            elif line.startswith("#"):
                continue
            elif line.startswith("msgid "):
                finish()
                msgid, msgstr, field = unquote(line[6:].strip()), None, "id"
                fuzzy, flagged = flagged, False
            elif line.startswith("msgstr "):
                msgstr, field = unquote(line[7:].strip()), "str"
            elif line.startswith('"') and field == "id":
                msgid += unquote(line)
            elif line.startswith('"') and field == "str":
                msgstr += unquote(line)
            else:
                raise SystemExit("%s:%d: not a line of a catalogue: %s" % (path, number, line))
    finish()
    return entries


def literal(text):
    data = text.encode("utf-8")
    return '"' + "".join(
        chr(b) if 32 <= b < 127 and chr(b) not in '"\\?' else "\\%03o" % b for b in data) + '"'


def main():
    out_path, languages = sys.argv[1], [arg.split("=", 1) for arg in sys.argv[2:]]
    lines = ["// Made by cmake/po_to_cpp.py from the catalogues in i18n/; edit those, not this.",
             '#include "catalogue/catalogue_data.h"', "", "namespace tarno::score {", ""]
    tables = []
    for code, path in languages:
        entries = read_po(path)
        name = "k" + code.capitalize()
        lines.append("const CatalogueEntry %s[] = {" % name)
        for key in sorted(entries):
            text, fuzzy = entries[key]
            if text and not fuzzy:
                lines.append("    {%s, %s}," % (literal(key), literal(text)))
        lines += ["};", ""]
        tables.append('    {"%s", %s, sizeof %s / sizeof %s[0]},' % (code, name, name, name))
    lines += ["const CatalogueTable kCatalogueTables[] = {"] + tables + ["};", "",
              "const size_t kCatalogueTableCount = %d;" % len(tables), "",
              "}  // namespace tarno::score", ""]
    with open(out_path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))


if __name__ == "__main__":
    main()
