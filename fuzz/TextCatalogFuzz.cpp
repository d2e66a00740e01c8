// A text catalog from arbitrary bytes: opening, moving, finding and loading it into a grid may
// refuse the file but must never crash, raise or allocate what the file cannot back.
#include "catalog/Didascii.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/kestrame-fuzz-catalog-" + std::to_string(getpid()) + ".ctf";
    WriteInputFile(path, data, size);

    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    didASCII catalog;
    if (!catalog.Open(path, nullptr))
        return 0;
    if (catalog.Keys().size() != static_cast<size_t>(catalog.recordCount))
        std::abort();
    catalog.Last();
    while (catalog.CurrentRecord() > 0 && catalog.Prior())
        catalog.GetFieldText(catalog.CurrentRecord() % 4, catalog.CurrentRecord());
    for (const std::string& key : catalog.Keys())
        if (!catalog.FindByKey(key))
            std::abort();
    catalog.FindByKey(std::string(300, 'x'));
    TStringGrid grid;
    catalog.LoadRangeIntoGrid(grid, catalog.recordCount / 2, 3);
    catalog.LoadIntoGrid(grid);
    didASCII again;
    again.Open(path, &grid);
    return 0;
}
