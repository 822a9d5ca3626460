// A text laid out in columns with spaces for a fixed-width font (the command line's help),
// laid out again for a proportional font that expands tabs to fixed stops (a message box):
// each entry's description starts one tab stop past the widest entry name, reached with tabs.
// Lines that are not entries stay as they are; words are never moved between lines.
#pragma once

#include <functional>
#include <string>

// `width` measures a run of text in the target font; `tabStop` is the distance between its tab
// stops, in the same units. An entry is a line indented by two or more spaces whose name and
// description are parted by two or more; a line indented further, with no such parting,
// carries on the description above it.
std::string tabbedColumns(const std::string& text, const std::function<int(const std::string&)>& width, int tabStop);
