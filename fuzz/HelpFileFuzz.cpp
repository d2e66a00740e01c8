// The parts of a compiled help file that the help window reads, on arbitrary bytes: each parser
// either refuses them with its own error or gives a result that holds only what the bytes held.
#include "platform/services/ChmFormat.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

size_t CountNodes(const std::vector<HelpTopicNode>& nodes, size_t depth)
{
    if (depth > 64)
        std::abort();
    size_t count = nodes.size();
    for (const HelpTopicNode& node : nodes)
        count += CountNodes(node.children, depth + 1);
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const ChmSystem system = ParseChmSystem(bytes);
        if (system.title.size() + system.defaultTopic.size() + system.contentsFile.size() > size)
            std::abort();
    } catch (const EHelpFileError&) {
    }
    // The first half stands for /#IVB, the rest for /#STRINGS.
    try {
        for (const auto& [context, topic] : ParseChmContextMap(bytes.substr(0, size / 2), bytes.substr(size / 2)))
            if (topic.size() >= size)
                std::abort();
    } catch (const EHelpFileError&) {
    }
    try {
        // Every entry needs at least "<object>" and "</object>".
        if (CountNodes(ParseHhcContents(bytes), 1) > size / 16)
            std::abort();
    } catch (const EHelpFileError&) {
    }
    return 0;
}
