#include "platform/services/ChmFormat.h"

#include "platform/core/LittleEndian.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

constexpr std::uint16_t SystemContentsFile = 0;
constexpr std::uint16_t SystemDefaultTopic = 2;
constexpr std::uint16_t SystemTitle = 3;
// A contents tree deeper than this is no contents a person wrote; it would only exhaust the stack of
// the window that shows it.
constexpr size_t MaxContentsDepth = 64;
constexpr size_t MaxContentsEntries = 100000;

std::uint16_t U16At(std::string_view bytes, size_t offset)
{
    return GetU16(reinterpret_cast<const std::uint8_t*>(bytes.data() + offset));
}

std::uint32_t U32At(std::string_view bytes, size_t offset)
{
    return GetU32(reinterpret_cast<const std::uint8_t*>(bytes.data() + offset));
}

// The text up to the first NUL, or all of it when there is none.
std::string UpToNul(std::string_view bytes) { return std::string(bytes.substr(0, bytes.find('\0'))); }

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The few character references a sitemap's values use; others stay as written.
std::string DecodeEntities(std::string_view text)
{
    static const std::pair<std::string_view, char> named[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, character] : named)
            if (text.substr(i, entity.size()) == entity) {
                out += character;
                i += entity.size();
                replaced = true;
                break;
            }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

// One tag of the sitemap: its lower-case name (with "/" for an end tag) and its attributes.
struct Tag {
    std::string name;
    std::map<std::string, std::string> attributes;
};

// Reads the tag that starts at `pos` (just after "<") and moves `pos` past its ">".
Tag ReadTag(std::string_view html, size_t& pos)
{
    Tag tag;
    const size_t nameStart = pos;
    while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '>')
        ++pos;
    tag.name = Lower(html.substr(nameStart, pos - nameStart));
    while (pos < html.size() && html[pos] != '>') {
        if (IsSpace(html[pos]) || html[pos] == '/') {
            ++pos;
            continue;
        }
        const size_t keyStart = pos;
        while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '=' && html[pos] != '>')
            ++pos;
        const std::string key = Lower(html.substr(keyStart, pos - keyStart));
        std::string value;
        if (pos < html.size() && html[pos] == '=') {
            ++pos;
            if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
                const char quote = html[pos++];
                const size_t end = std::min(html.find(quote, pos), html.size());
                value = DecodeEntities(html.substr(pos, end - pos));
                pos = std::min(end + 1, html.size());
            } else {
                const size_t valueStart = pos;
                while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '>')
                    ++pos;
                value = DecodeEntities(html.substr(valueStart, pos - valueStart));
            }
        }
        tag.attributes.emplace(key, std::move(value));
    }
    if (pos < html.size())
        ++pos;
    return tag;
}

std::string Attribute(const Tag& tag, const std::string& name)
{
    const auto found = tag.attributes.find(name);
    return found == tag.attributes.end() ? std::string() : found->second;
}

} // namespace

ChmSystem ParseChmSystem(std::string_view bytes)
{
    if (bytes.size() < 4)
        throw EHelpFileError("The help file's system information is truncated");
    ChmSystem system;
    for (size_t pos = 4; pos < bytes.size();) {
        if (bytes.size() - pos < 4)
            throw EHelpFileError("The help file's system information is truncated");
        const std::uint16_t code = U16At(bytes, pos);
        const std::uint16_t length = U16At(bytes, pos + 2);
        pos += 4;
        if (length > bytes.size() - pos)
            throw EHelpFileError("The help file's system information is truncated");
        const std::string value = UpToNul(bytes.substr(pos, length));
        if (code == SystemContentsFile)
            system.contentsFile = value;
        else if (code == SystemDefaultTopic)
            system.defaultTopic = value;
        else if (code == SystemTitle)
            system.title = value;
        pos += length;
    }
    return system;
}

std::map<std::uint32_t, std::string> ParseChmContextMap(std::string_view ivb, std::string_view strings)
{
    std::map<std::uint32_t, std::string> map;
    if (ivb.empty())
        return map;
    if (ivb.size() < 4)
        throw EHelpFileError("The help file's context map is truncated");
    const std::uint32_t length = U32At(ivb, 0);
    if (length > ivb.size() - 4 || length % 8 != 0)
        throw EHelpFileError("The help file's context map is truncated");
    for (size_t pos = 4; pos < 4 + size_t{length}; pos += 8) {
        const std::uint32_t context = U32At(ivb, pos);
        const std::uint32_t offset = U32At(ivb, pos + 4);
        if (offset >= strings.size() || strings.find('\0', offset) == std::string_view::npos)
            throw EHelpFileError("The help file's context strings are truncated");
        map.emplace(context, UpToNul(strings.substr(offset)));
    }
    return map;
}

std::vector<HelpTopicNode> ParseHhcContents(std::string_view html)
{
    std::vector<HelpTopicNode> root;
    // The lists open at this point, innermost last; each is the children of the entry before it.
    std::vector<std::vector<HelpTopicNode>*> lists{&root};
    // For each list open in the text, whether it opened a level of the tree: a list with no entry
    // before it, or one too deep, adds its entries to the level around it.
    std::vector<bool> opened;
    std::optional<HelpTopicNode> entry;
    size_t entries = 0;
    for (size_t pos = html.find('<'); pos != std::string_view::npos; pos = html.find('<', pos)) {
        ++pos;
        const Tag tag = ReadTag(html, pos);
        if (tag.name == "ul") {
            const bool nests = !lists.back()->empty() && lists.size() < MaxContentsDepth;
            if (nests)
                lists.push_back(&lists.back()->back().children);
            opened.push_back(nests);
        } else if (tag.name == "/ul" && !opened.empty()) {
            if (opened.back())
                lists.pop_back();
            opened.pop_back();
        } else if (tag.name == "object" && Lower(Attribute(tag, "type")) == "text/sitemap") {
            entry.emplace();
        } else if (tag.name == "param" && entry) {
            const std::string name = Lower(Attribute(tag, "name"));
            if (name == "name")
                entry->name = Attribute(tag, "value");
            else if (name == "local")
                entry->local = Attribute(tag, "value");
        } else if (tag.name == "/object" && entry) {
            if (++entries > MaxContentsEntries)
                throw EHelpFileError("The help file's contents are too large");
            lists.back()->push_back(std::move(*entry));
            entry.reset();
        }
    }
    return root;
}
