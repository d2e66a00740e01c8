// A data-link file from arbitrary bytes, read without a database: opening may refuse it but must
// never crash, raise or size anything by its counts, and what it reads must survive a save and an
// open unchanged.
#include "catalog/DidADOData.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool SameLink(const didADOData& a, const didADOData& b)
{
    return a.units == b.units && a.photoCollection == b.photoCollection &&
           a.photoCollectionMacPath == b.photoCollectionMacPath && a.fieldCount == b.fieldCount &&
           a.recordCount == b.recordCount && a.roles == b.roles && a.connectionString == b.connectionString &&
           a.tableName == b.tableName && a.columnNames.size() == b.columnNames.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile input("kestrame-fuzz-link", ".ddl", data, size);
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    didADOData link;
    if (!link.Open(input.Path(), nullptr))
        return 0;
    if (link.First() || link.FindByKey("x") || !link.GetFieldText(0, 1).empty())
        std::abort();
    const FuzzFile saved("kestrame-fuzz-link-saved", ".ddl");
    if (!link.SaveToFile(saved.Path(), nullptr, link.units, link.photoCollection))
        return 0;
    didADOData again;
    if (!again.Open(saved.Path(), nullptr) || !SameLink(link, again))
        std::abort();
    return 0;
}
