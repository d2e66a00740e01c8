// A binary catalog from arbitrary bytes: opening, moving, finding and loading it into a grid may
// refuse the file but must never crash, raise or allocate what the file cannot back.
#include "catalog/Didctf2.h"
#include "platform/ui/StringGrid.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile input("kestrame-fuzz-catalog", ".vdx", data, size);
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    didCTF2 catalog;
    TStringGrid grid;
    if (catalog.Open(input.Path(), &grid)) {
        catalog.Last();
        while (catalog.Prior())
            catalog.GetFieldText(catalog.CurrentRecord() % 4, catalog.CurrentRecord());
        catalog.FindByKey(catalog.partNumber);
        catalog.FindByKey(std::string(300, 'x'));
        catalog.LoadRangeIntoGrid(grid, catalog.recordCount - 1, 3);
    }
    return 0;
}
