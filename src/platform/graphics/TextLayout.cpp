#include "platform/graphics/TextLayout.h"

#include <algorithm>

namespace {

std::vector<std::string_view> Paragraphs(std::string_view text)
{
    std::vector<std::string_view> paragraphs;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        paragraphs.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    paragraphs.push_back(text.substr(start));
    return paragraphs;
}

// The longest start of a word that fits, at least one character so that breaking always advances.
std::size_t FittingPrefix(std::string_view word, int width, const TTextMeasure& measure)
{
    std::size_t length = 1;
    while (length < word.size() && measure(word.substr(0, length + 1)) <= width)
        ++length;
    return length;
}

void BreakParagraph(std::string_view paragraph, int width, bool breakWords, const TTextMeasure& measure,
                    std::vector<std::string>& lines)
{
    std::string line;
    std::size_t i = 0;
    bool lineStarted = false;
    while (i < paragraph.size()) {
        const std::size_t wordStart = paragraph.find_first_not_of(' ', i);
        if (wordStart == std::string_view::npos) {
            if (!lineStarted)
                line.append(paragraph.substr(i));
            break;
        }
        const std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
        std::string_view word = paragraph.substr(wordStart, wordEnd - wordStart);
        const std::string candidate = line + std::string(paragraph.substr(i, wordEnd - i));
        if (measure(candidate) <= width) {
            line = candidate;
            lineStarted = true;
            i = wordEnd;
            continue;
        }
        if (lineStarted) {
            lines.push_back(line);
            line.clear();
            lineStarted = false;
            i = wordStart;
            continue;
        }
        // The word alone is wider than the line.
        const std::size_t keep = breakWords ? FittingPrefix(word, width, measure) : word.size();
        lines.push_back(std::string(paragraph.substr(i, wordStart - i)) + std::string(word.substr(0, keep)));
        i = wordStart + keep;
        i = std::min(paragraph.find_first_not_of(' ', i), paragraph.size());
        if (i == paragraph.size())
            return;
    }
    lines.push_back(line);
}

} // namespace

std::vector<std::string> BreakLines(std::string_view text, int width, unsigned format, const TTextMeasure& measure)
{
    if (format & DT_SINGLELINE)
        return {std::string(text)};
    std::vector<std::string> lines;
    for (std::string_view paragraph : Paragraphs(text)) {
        if (format & DT_WORDBREAK)
            BreakParagraph(paragraph, width, (format & DT_EDITCONTROL) != 0, measure, lines);
        else
            lines.emplace_back(paragraph);
    }
    return lines;
}

int NextTabStop(int x, std::span<const int> stops, int origin, int defaultInterval)
{
    if (stops.size() <= 1) {
        const int interval = stops.empty() ? defaultInterval : stops[0];
        if (interval <= 0)
            return x;
        const int passed = x - origin;
        return origin + (passed < 0 ? 0 : (passed / interval + 1) * interval);
    }
    for (int stop : stops)
        if (origin + stop > x)
            return origin + stop;
    return x;
}
