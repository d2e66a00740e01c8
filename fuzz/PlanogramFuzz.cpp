// A planogram file from arbitrary bytes, read as ".kqf" and as ".kqt" with every catalog found and
// no dialog shown, and its items' group and child links resolved as an open does: the reader may
// refuse it but must never crash, raise or allocate what the file cannot back, and the links must
// never close into a ring.
#include "catalog/CatalogFinder.h"
#include "planogram/Kqfascii.h"
#include "planogram/Listmanager.h"
#include "planogram/PlanogramLoading.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class FindsEveryCatalog : public CatalogFinder {
public:
    std::string FindCatalog(const std::string& path) override { return current = path; }
    std::string ReadCurrentDataFile() override { return current; }
    void WriteCurrentDataFile(const std::string& path) override { current = path; }

    std::string current;
};

// Every walk along a group or a chain of children ends within the list's length.
void AbortOnRing(const ListManager& items)
{
    const int count = items.Count();
    for (const ListOB* item = items.head; item; item = item->next) {
        int steps = 0;
        for (const ListOB* link = item->childItem; link; link = link->childItem)
            if (++steps > count)
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    FindsEveryCatalog finder;
    for (const char* extension : {".kqf", ".kqt"}) {
        const FuzzFile input("kestrame-fuzz-planogram", extension, data, size);
        kqfASCII file(finder);
        if (!file.Read(input.Path(), 2))
            continue;
        const std::unique_ptr<ListManager> items = file.TakeItems();
        if (!items || file.listsize < 0)
            std::abort();
        ResolveItemLinks(*items);
        AbortOnRing(*items);
    }
    return 0;
}
