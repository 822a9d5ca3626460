// Tabbed columns for a proportional font: see the header. Two passes over the lines: the first
// finds the entries and the widest name, the second writes each line with its tabs.
#include "platform/TabbedColumns.hpp"

#include <algorithm>
#include <sstream>
#include <vector>

namespace {

// Entries are indented by this in the result, as the console's are by two spaces.
constexpr const char* kIndent = "    ";
// A continued description is indented at least this far in the text.
constexpr std::size_t kContinuedIndent = 8;

struct Line {
    std::string text;      // as it stands, when not part of an entry
    std::string name;      // an entry's name (none for a continued description)
    std::string described; // an entry's description
    bool entry = false;
};

Line readLine(const std::string& text)
{
    Line line;
    line.text = text;
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos || start < 2)
        return line;
    const std::string rest = text.substr(start);
    const std::size_t parting = rest.find("  ");
    if (parting != std::string::npos) {
        const std::size_t after = rest.find_first_not_of(' ', parting);
        if (after == std::string::npos)
            return line;
        line.name = rest.substr(0, parting);
        line.described = rest.substr(after);
        line.entry = true;
    } else if (start >= kContinuedIndent) {
        line.described = rest;
        line.entry = true;
    } else {
        line.text = kIndent + rest; // a name alone, its description on the lines below
    }
    return line;
}

} // namespace

std::string tabbedColumns(const std::string& text, const std::function<int(const std::string&)>& width, int tabStop)
{
    std::vector<Line> lines;
    std::istringstream in(text);
    for (std::string each; std::getline(in, each);)
        lines.push_back(readLine(each));
    if (tabStop <= 0)
        return text;
    int widest = 0;
    for (const Line& line : lines)
        if (line.entry && !line.name.empty())
            widest = std::max(widest, width(kIndent + line.name));
    // The descriptions' column: the first tab stop at least two spaces past the widest name.
    const int column = (widest + width("  ") + tabStop - 1) / tabStop * tabStop;

    std::string result;
    for (const Line& line : lines) {
        if (!result.empty())
            result += '\n';
        if (!line.entry) {
            result += line.text;
            continue;
        }
        // A tab goes to the next stop past where the text stands.
        const std::string name = line.name.empty() ? std::string() : kIndent + line.name;
        const int reached = name.empty() ? 0 : width(name);
        const int tabs = name.empty() ? column / tabStop : column / tabStop - reached / tabStop;
        result += name + std::string(static_cast<std::size_t>(std::max(tabs, 1)), '\t') + line.described;
    }
    if (!text.empty() && text.back() == '\n')
        result += '\n';
    return result;
}
