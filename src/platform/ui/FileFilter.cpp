#include "platform/ui/FileFilter.h"

#include "platform/core/TextUtils.h"

#include <algorithm>

namespace {

std::vector<std::string> Split(std::string_view text, std::string_view delimiters)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find_first_of(delimiters, start), text.size());
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::vector<std::string> NonEmptyTrimmed(const std::vector<std::string>& parts)
{
    std::vector<std::string> kept;
    for (const std::string& part : parts) {
        std::string trimmed = Trim(part);
        if (!trimmed.empty())
            kept.push_back(std::move(trimmed));
    }
    return kept;
}

std::string JoinPatterns(const std::vector<std::string>& patterns)
{
    std::string joined;
    for (const std::string& pattern : patterns) {
        if (!joined.empty())
            joined += ' ';
        joined += pattern;
    }
    return joined;
}

bool SamePatterns(std::vector<std::string> a, std::vector<std::string> b)
{
    if (a.size() != b.size())
        return false;
    const auto less = [](const std::string& x, const std::string& y) { return CompareText(x, y) < 0; };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](const std::string& x, const std::string& y) { return SameText(x, y); });
}

// The position of a final "(...)" that lists exactly the filter's patterns, or npos.
size_t TrailingPatternGroup(const FileFilter& filter)
{
    const std::string& text = filter.description;
    if (text.empty() || text.back() != ')')
        return std::string::npos;
    const size_t open = text.rfind('(');
    if (open == std::string::npos)
        return std::string::npos;
    const std::string_view inside = std::string_view(text).substr(open + 1, text.size() - open - 2);
    return SamePatterns(NonEmptyTrimmed(Split(inside, ",; ")), filter.patterns) ? open : std::string::npos;
}

} // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view filter)
{
    const std::vector<std::string> parts = Split(filter, "|");
    std::vector<FileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::vector<std::string> patterns = NonEmptyTrimmed(Split(parts[i + 1], ";"));
        // Kept even without a pattern, so that filter indexes keep counting as the caller counts.
        if (patterns.empty())
            patterns.push_back("*");
        filters.push_back({parts[i], std::move(patterns)});
    }
    return filters;
}

std::string QtNameFilter(const FileFilter& filter)
{
    const std::string patterns = "(" + JoinPatterns(filter.patterns) + ")";
    const size_t group = TrailingPatternGroup(filter);
    if (group != std::string::npos)
        return filter.description.substr(0, group) + patterns;
    if (filter.description.empty())
        return patterns;
    return filter.description + " " + patterns;
}

std::vector<std::string> QtNameFilters(std::string_view filter)
{
    std::vector<std::string> names;
    for (const FileFilter& entry : ParseFileFilter(filter))
        names.push_back(QtNameFilter(entry));
    return names;
}

std::string EntryExtension(const FileFilter& filter)
{
    const std::string& first = filter.patterns.front();
    if (!first.starts_with("*.") || first.size() == 2)
        return {};
    const std::string extension = first.substr(2);
    return extension.find_first_of("*?.") == std::string::npos ? extension : std::string();
}
