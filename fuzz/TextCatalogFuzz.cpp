// A text catalog from arbitrary bytes: opening, moving, finding and loading it into a grid may
// refuse the file but must never crash, raise or allocate what the file cannot back.
#include "catalog/Didascii.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile input("kestrame-fuzz-catalog", ".ctf", data, size);
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    didASCII catalog;
    if (!catalog.Open(input.Path(), nullptr))
        return 0;
    if (catalog.Keys().size() != static_cast<size_t>(catalog.recordCount))
        std::abort();
    catalog.Last();
    while (catalog.CurrentRecord() > 0 && catalog.Prior())
        catalog.GetFieldText(catalog.CurrentRecord() % 4, catalog.CurrentRecord());
    // Each part number once: finding one goes to its first row, so rows that share a part number
    // would have that row read again for each of them.
    std::unordered_set<std::string> found;
    for (const std::string& key : catalog.Keys())
        if (found.insert(key).second && !catalog.FindByKey(key))
            std::abort();
    catalog.FindByKey(std::string(300, 'x'));
    TStringGrid grid;
    catalog.LoadRangeIntoGrid(grid, catalog.recordCount / 2, 3);
    catalog.LoadIntoGrid(grid);
    didASCII again;
    again.Open(input.Path(), &grid);
    return 0;
}
