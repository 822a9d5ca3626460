// What a program run through the shell left behind (its exit code and the text of its
// standard output and error), and the checks the command-line tests of both programs share:
// a refusal is exit 2 with one line under the program's name, and a folder's listing shows
// any file made or temporary left.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct CommandOutcome {
    int code = -1;
    std::string out;
    std::string err;
};

inline std::string readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The names in a folder, sorted.
inline std::vector<std::string> folderEntries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Exit 2 and one line on standard error, starting "<program>: " and naming what is wrong.
inline void expectOneLineRefusal(const CommandOutcome& o, const std::string& program, const std::string& args,
                                 const std::string& mentions)
{
    EXPECT_EQ(o.code, 2) << args << "\n" << o.err;
    EXPECT_EQ(lineCount(o.err), 1u) << args << "\n" << o.err;
    EXPECT_EQ(o.err.rfind(program + ": ", 0), 0u) << args << "\n" << o.err;
    EXPECT_NE(o.err.find(mentions), std::string::npos) << args << "\n" << o.err;
}
