#pragma once

// Outside tools' views of a PDF file, for tests that judge what the program wrote.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <regex>
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
inline std::vector<std::string> PageSizes(const std::string& file)
{
    const std::string info = Judged("pdfinfo -f 1 -l 999 '" + file + "'");
    const std::regex size(R"re(Page +\d+ size: +([\d.]+ x [\d.]+) pts)re");
    std::vector<std::string> sizes;
    for (auto match = std::sregex_iterator(info.begin(), info.end(), size); match != std::sregex_iterator(); ++match)
        sizes.push_back((*match)[1].str());
    return sizes;
}

// The text without its blanks, tabs, line and page breaks.
inline std::string Unspaced(std::string text)
{
    std::erase_if(text, [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r'; });
    return text;
}
