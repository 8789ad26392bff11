#include "crosscheck/page_style.h"

namespace tarno::score {

const char kPageStyle[] =
    "*{box-sizing:border-box}"
    "body{font:14px/1.4 sans-serif;margin:1.2em;color:#222}"
    "h1{font-size:1.5em;margin:0 0 .2em}h2{font-size:1.15em;margin:1em 0 .3em}"
    ".scroll{overflow-x:auto;max-width:100%;margin:.5em 0 1em}"
    "table.results{border-collapse:separate;border-spacing:0;font-size:13px}"
    ".results th,.results td{border:1px solid #bbb;border-width:0 1px 1px 0;padding:2px 5px;"
    "text-align:right;white-space:nowrap;background:#fff}"
    ".results thead th{white-space:normal;vertical-align:bottom}"
    ".results tr>:first-child{border-left-width:1px}.results thead th{border-top-width:1px}"
    ".results th{background:#e8eef6}.results .text{text-align:left}"
    ".results td.text{white-space:normal;min-width:5em;max-width:11em}"
    ".results .call{text-align:left;font-weight:bold;position:sticky;left:0;z-index:1}"
    ".results tbody tr:nth-child(even) td{background:#f6f6f6}"
    ".entrants{display:flex;flex-wrap:wrap;gap:12px}"
    ".entrant{border:1px solid #ccc;border-radius:6px;padding:8px 10px;width:430px;"
    "max-width:100%}"
    ".bar{display:flex;height:12px;margin:4px 0 8px;border:1px solid #999}"
    ".bar span{display:block;height:100%}"
    ".v1{background:#3a9a3a}.v6{background:#7cc47c}.v5{background:#b8e0b8}"
    ".v4{background:#d43a3a}.v2{background:#e8892a}.v3{background:#f0c030}"
    ".v7{background:#999}.v8{background:#666}.v9{background:#333}"
    ".v10{background:#b15928}.v11{background:#cab2d6}.v12{background:#a6cee3}"
    "table.grid{border-collapse:collapse;font-size:9px}"
    ".grid td,.grid th{border:1px solid #ccc;width:16px;height:14px;padding:0;text-align:center}"
    ".grid td.w{background:#3a7ad4;color:#fff}.grid th{font-weight:normal;color:#555}"
    ".key .k{display:inline-block;white-space:nowrap;margin-right:12px}"
    ".key i{display:inline-block;width:10px;height:10px;margin-right:3px}"
    ".muted{color:#666}"
    "@media (max-width:600px){body{margin:.6em}.entrant{padding:6px}}"
    "@media print{.scroll{overflow:visible}.results .call{position:static}}";

std::string PageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
         HtmlEscaped(title) + "</title><style>" + kPageStyle + "</style></head><body>\n";
}

}  // namespace tarno::score
