#pragma once

#include "platform/settings/SettingsFile.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The user's settings store, the program's registry key "Software\Kestrame". Each access opens the
// file anew and nothing keeps it open, so every window reads what the others wrote last, and a write
// reads the file again, changes only its own value and replaces the file atomically: two stores
// writing in turn lose nothing. A missing, unreadable or damaged file reads as holding nothing (what
// can be read of a damaged file still counts) and the next write rewrites it cleanly.
//
// Sections are subkeys of the root ("Options", "UserInfoKQ3"); the empty section is the root itself.
class SettingsStore {
public:
    // The file "Kestrame.ini" in SettingsFolder().
    SettingsStore();
    explicit SettingsStore(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    SettingsFile Load() const;
    // Loads the file afresh, applies `change` and replaces the file. Raises EFCreateError or
    // EWriteError when the file can't be written; the old file then stays.
    void Update(const std::function<void(SettingsFile&)>& change) const;

    std::string ReadString(std::string_view section, std::string_view name, std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view name, int defaultValue) const;
    bool ReadBool(std::string_view section, std::string_view name, bool defaultValue) const;
    std::optional<double> ReadFloat(std::string_view section, std::string_view name) const;
    bool ValueExists(std::string_view section, std::string_view name) const;
    bool SectionExists(std::string_view section) const;

    void WriteString(std::string_view section, std::string_view name, std::string_view value) const;
    void WriteInteger(std::string_view section, std::string_view name, int value) const;
    void WriteBool(std::string_view section, std::string_view name, bool value) const;
    void WriteFloat(std::string_view section, std::string_view name, double value) const;
    void DeleteValue(std::string_view section, std::string_view name) const;

private:
    std::string fileName_;
};

// The folder of the settings file, with its final delimiter: KESTRAME_CONFIG_DIR when set, else
// "Kestrame" in $XDG_CONFIG_HOME, else in ~/.config.
std::string SettingsFolder();
// The per-user folder for files the program can make again (logs, downloads), with its final
// delimiter: "Kestrame" in $XDG_CACHE_HOME, else in ~/.cache.
std::string CacheFolder();
