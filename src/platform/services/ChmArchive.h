#pragma once

#include "platform/services/ChmFormat.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The help engine: chmlib, loaded at run time so that a machine without it still runs the program
// and says what is missing when help is asked for.
class ChmEngine {
public:
    ChmEngine();
    ~ChmEngine();
    ChmEngine(const ChmEngine&) = delete;
    ChmEngine& operator=(const ChmEngine&) = delete;

    // Loads "lib<name>.so.<version>" through the system's search, else `fallbackPath` when that file
    // exists. Any library loaded before is released first.
    void Load(std::string_view name, int version, const std::string& fallbackPath);
    void Unload();
    // Loaded with every entry the reader uses.
    bool Installed() const;
    // The file the library was loaded from, links resolved; empty when none is loaded.
    std::string LibraryFile() const;

    struct Entries;
    const Entries& Api() const { return *entries_; }

private:
    struct Loaded;
    std::unique_ptr<Loaded> loaded_;
    std::unique_ptr<Entries> entries_;
};

// The process's engine, which LoadHtmlHelp loads at start.
ChmEngine& HelpEngine();

// "libchm.so.1.0.0" gives "1.0.0.0": the numbers after ".so.", padded to four.
std::string LibraryVersionText(std::string_view libraryFile);
// "6.4" gives "6.4.0.0": the leading dotted numbers, at most four, padded to four.
std::string FourPartVersion(std::string_view dotted);

// A compiled help file opened through the engine.
class ChmArchive {
public:
    static constexpr size_t MaxObjectSize = 16 * 1024 * 1024;
    static constexpr size_t MaxPathLength = 512;

    // Opens the file and reads its system information, context map and contents; throws
    // EHelpFileError when the engine is missing or the file cannot be opened or read.
    ChmArchive(const ChmEngine& engine, const std::string& path);
    ~ChmArchive();
    ChmArchive(const ChmArchive&) = delete;
    ChmArchive& operator=(const ChmArchive&) = delete;

    // The bytes of the object at `path` ("/index.html"); none when it is missing, too long a path,
    // too large or unreadable.
    std::optional<std::string> Object(std::string_view path) const;
    bool HasObject(std::string_view path) const;
    // The paths of every file object, in the archive's order.
    std::vector<std::string> FileNames() const;

    const ChmSystem& System() const { return system_; }
    const std::vector<HelpTopicNode>& Contents() const { return contents_; }
    // The archive path ("/index.html") of the default topic.
    std::string DefaultTopicPath() const;
    // The archive path of the topic mapped to `context`; the default topic when it has none or its
    // topic is not in the archive.
    std::string TopicForContext(std::uint32_t context) const;

private:
    std::string ObjectOrEmpty(std::string_view path) const;
    std::string ExistingTopicPath(std::string_view topic) const;

    const ChmEngine& engine_;
    struct chmFile* file_ = nullptr;
    ChmSystem system_;
    std::map<std::uint32_t, std::string> contextMap_;
    std::vector<HelpTopicNode> contents_;
};
