#pragma once

#include <string>
#include <string_view>

class TStringList;

// What the update server's instructions file ("KQUpdate.ini", name=value lines) says to do.
struct UpdateInstructions {
    std::string iCommand; // "RUN" or "RESTART", any case
    std::string iDLURL;   // where the update is
    std::string iFile;    // the name it is saved under
    std::string iQuit;    // "TRUE", any case: the program closes afterwards
    std::string iSHA256;  // the update's SHA-256, in hex
};

// The values of the file's lines, the first of each name in any case; a missing one is empty.
UpdateInstructions InstructionsFrom(const TStringList& lines);

// Whether the instructions may start a download: an https address, a bare file name to save under
// and a well-formed checksum to verify it by.
bool InstructionsUsable(const UpdateInstructions& instructions);

// A name that stays in the folder it is saved in: no delimiter, not empty, not "." or "..".
bool IsBareFileName(std::string_view name);

// Whether the file's SHA-256 is `hex` (64 hex digits, any case); false when it cannot be read.
bool FileMatchesSha256(const std::string& path, std::string_view hex);
