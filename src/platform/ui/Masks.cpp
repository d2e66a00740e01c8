#include "platform/ui/Masks.h"

#include "platform/core/TextUtils.h"

#include <algorithm>
#include <string>

namespace {

char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Wildcard matching with one remembered star: linear in practice, never exponential.
bool Wildcard(std::string_view name, std::string_view mask)
{
    size_t n = 0, m = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || (mask[m] != '*' && Fold(mask[m]) == Fold(name[n])))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

bool MatchesMask(std::string_view fileName, std::string_view mask)
{
    const std::string trimmed = Trim(mask);
    if (trimmed == "*.*")
        return true;
    return Wildcard(fileName, trimmed);
}

bool MatchesMaskList(std::string_view fileName, std::string_view masks)
{
    size_t start = 0;
    while (start <= masks.size()) {
        const size_t end = std::min(masks.find(';', start), masks.size());
        const std::string_view mask = masks.substr(start, end - start);
        if (!Trim(mask).empty() && MatchesMask(fileName, mask))
            return true;
        start = end + 1;
    }
    return false;
}
