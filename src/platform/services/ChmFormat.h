#pragma once

#include "platform/core/Exceptions.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The parts of a compiled help file that the help window reads, parsed from their bytes. Nothing
// in them is trusted: a length, offset or count that does not fit what the bytes hold refuses the
// part with EHelpFileError.

KESTRAME_EXCEPTION(EHelpFileError, Exception)

// What /#SYSTEM says about the file: its contents file, default topic and title.
struct ChmSystem {
    std::string contentsFile;
    std::string defaultTopic;
    std::string title;
};
ChmSystem ParseChmSystem(std::string_view bytes);

// Context numbers and the topic strings /#IVB points to in /#STRINGS.
std::map<std::uint32_t, std::string> ParseChmContextMap(std::string_view ivb, std::string_view strings);

// One entry of the contents tree: its caption, the topic it opens (may be empty) and its children.
struct HelpTopicNode {
    std::string name;
    std::string local;
    std::vector<HelpTopicNode> children;
};
// The sitemap of a contents file (".hhc"): nested lists of objects with "Name" and "Local" values.
std::vector<HelpTopicNode> ParseHhcContents(std::string_view html);
