#pragma once

#include "catalog/Didbase.h"

#include <string>
#include <string_view>
#include <vector>

class KeyVal;

// The "catheader." lines that text and data-link catalogs share.

std::string HeaderKey(std::string_view name);
// A TAB, CR or LF inside a value would split its row or line.
std::string Clean(std::string_view value);

struct CatalogHeaderValues {
    std::string_view units;
    int fieldCount = 0;
    int recordCount = 0;
    std::string_view photoCollection;
    std::string_view photoCollectionMacPath;
};

// The magic line, the version, the platform, the unit, the counts and the picture folders, in the
// order both kinds write them.
std::vector<std::string> CatalogHeaderLines(std::string_view magic, int version, const CatalogHeaderValues& values);
// "catheader.<role key>=<column>".
std::string RoleLine(CatalogFieldRole role, int column);
// The unit and the picture folders, each cut at its first control character; the unit trimmed.
void ReadCatalogHeaderTexts(KeyVal& store, didBase& catalog);
