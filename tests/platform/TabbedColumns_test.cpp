// Tabbed columns: the program's own help, laid out for a proportional font whose tabs stop at
// fixed places, has every description start at one place, keeps every word on its line in
// order, and leaves the lines that are not entries as they are.
#include "platform/TabbedColumns.hpp"
#include "shell/CommandLine.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

// A proportional font of sorts: spaces narrow, capitals and m/w wide, the rest between.
int measure(const std::string& text)
{
    int width = 0;
    for (char c : text)
        width += c == ' ' ? 3 : (c >= 'A' && c <= 'Z') || c == 'm' || c == 'w' ? 11 : 7;
    return width;
}
constexpr int kTabStop = 48;

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> wordsOf(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// Where the text after a line's last tab starts once its tabs are expanded; -1 without tabs.
int describedAt(const std::string& line)
{
    const std::size_t lastTab = line.rfind('\t');
    if (lastTab == std::string::npos)
        return -1;
    int at = 0;
    for (std::size_t i = 0; i <= lastTab; ++i)
        at = line[i] == '\t' ? (at / kTabStop + 1) * kTabStop : at + measure(std::string(1, line[i]));
    return at;
}

std::string programHelp()
{
    const char* args[] = {"sparkler", "--help"};
    ProgramOptions options;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(parseCommandLine(2, args, options, out, err), std::optional<int>(0));
    return out.str();
}

TEST(TabbedColumns, TheProgramsHelpHasOneColumnOfDescriptionsWithItsWordsInPlace)
{
    const std::string help = programHelp();
    const std::string laidOut = tabbedColumns(help, measure, kTabStop);
    const std::vector<std::string> before = linesOf(help);
    const std::vector<std::string> after = linesOf(laidOut);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(laidOut.back(), help.back());
    int column = -1;
    int entries = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(wordsOf(after[i]), wordsOf(before[i])) << "line " << i << ": " << before[i];
        EXPECT_EQ(after[i].find("  ", after[i].find_first_not_of(" \t")), std::string::npos)
            << "spaces still pad line " << i << ": " << after[i];
        const int at = describedAt(after[i]);
        if (at < 0) {
            if (before[i].rfind("  ", 0) != 0) {
                EXPECT_EQ(after[i], before[i]) << "a line that is not an entry changed";
            }
            continue;
        }
        ++entries;
        if (column < 0)
            column = at;
        EXPECT_EQ(at, column) << "line " << i << " starts its description elsewhere: " << before[i];
        // The name before the tabs ends at least two spaces short of the column.
        const std::string name = after[i].substr(0, after[i].find('\t'));
        EXPECT_LE(measure(name) + measure("  "), column) << after[i];
    }
    // Every option and every key with its description, and the descriptions put on lines of
    // their own below a long name.
    EXPECT_GE(entries, 20);
    EXPECT_EQ(column % kTabStop, 0);
}

TEST(TabbedColumns, LinesThatAreNotEntriesStayAndAContinuedDescriptionKeepsTheColumn)
{
    const std::string text = "Heading:\n"
                             "  -a  first\n"
                             "  --a-long-name Excludes: -a\n"
                             "              its description\n"
                             "  --b          second  with  gaps\n"
                             "plain  text with a gap\n";
    const std::vector<std::string> lines = linesOf(tabbedColumns(text, measure, kTabStop));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Heading:");
    EXPECT_EQ(lines[5], "plain  text with a gap");
    // A name alone is indented as the entries are; its description goes to the column.
    EXPECT_EQ(lines[2], "    --a-long-name Excludes: -a");
    EXPECT_EQ(describedAt(lines[3]), describedAt(lines[1]));
    EXPECT_EQ(describedAt(lines[4]), describedAt(lines[1]));
    EXPECT_EQ(lines[3].substr(lines[3].rfind('\t') + 1), "its description");
    // Only the first gap parts name and description; the description keeps its own.
    EXPECT_EQ(lines[4].substr(lines[4].rfind('\t') + 1), "second  with  gaps");
    // The column is the first stop two spaces past the widest name, "    --b".
    EXPECT_EQ(describedAt(lines[1]), (measure("    --b  ") + kTabStop - 1) / kTabStop * kTabStop);
}

} // namespace
