#pragma once

// Outside tools' views of a PDF file, for tests that judge what the program wrote.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

// Runs an outside tool, expecting it to succeed; answers what it printed, its errors included.
inline std::string Judged(const std::string& command)
{
    int status = -1;
    const std::string output = RunCommand(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command << ": " << output;
    return output;
}

// Each page's size in points as pdfinfo gives it, "width x height".
inline std::vector<std::string> PageSizes(const std::string& file, const std::string& password = "")
{
    const std::string info =
        Judged("pdfinfo -f 1 -l 999 " + (password.empty() ? "" : "-upw " + password + " ") + "'" + file + "'");
    const std::regex size(R"re(Page +\d+ size: +([\d.]+ x [\d.]+) pts)re");
    std::vector<std::string> sizes;
    for (auto match = std::sregex_iterator(info.begin(), info.end(), size); match != std::sregex_iterator(); ++match)
        sizes.push_back((*match)[1].str());
    return sizes;
}

// The blank-separated words of a text, in order.
inline std::vector<std::string> WordsOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

inline std::string Joined(const std::vector<std::string>& words, const std::string& between = " ")
{
    std::string joined;
    for (const std::string& word : words)
        joined += (joined.empty() ? "" : between) + word;
    return joined;
}
