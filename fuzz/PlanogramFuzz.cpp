// A planogram file from arbitrary bytes, read as ".kqf" and as ".kqt" with every catalog found and
// no dialog shown: the reader may refuse it but must never crash, raise or allocate what the file
// cannot back.
#include "planogram/CatalogFinder.h"
#include "planogram/Kqfascii.h"
#include "platform/ui/ScriptedUi.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    ScriptedUi ui;
    FindsEveryCatalog finder;
    for (const char* extension : {".kqf", ".kqt"}) {
        const FuzzFile input("kestrame-fuzz-planogram", extension, data, size);
        kqfASCII file(finder);
        if (!file.Read(input.Path(), 2))
            continue;
        if (!file.TakeItems() || file.listsize < 0)
            std::abort();
    }
    return 0;
}
