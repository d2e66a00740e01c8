// Tab-delimited text from arbitrary bytes: the reader must never crash, and no row may hold more
// fields than the titles or a field that keeps a TAB or a line end.
#include "catalog/GridUtilities.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile input("kestrame-fuzz-tabtext", ".txt", data, size);
    FILE* file = std::fopen(input.Path().c_str(), "rb");
    if (!file)
        return 0;
    const TabText text = GridUtilities::ReadTabText(file);
    std::fclose(file);
    if (!text.titles.empty() && text.titles.back().empty())
        std::abort();
    for (const std::vector<std::string>& row : text.rows) {
        if (row.size() > text.titles.size())
            std::abort();
        for (const std::string& field : row)
            if (field.find_first_of("\t\n") != std::string::npos)
                std::abort();
    }
    return 0;
}
