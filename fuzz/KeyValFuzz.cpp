// The key=value store on arbitrary bytes: every key gives the value of the first line that holds it,
// and the lines it read, written again, read back the same.
#include "platform/core/Keyval.h"
#include "testing/ScriptedUi.h"

#include "FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

namespace {

void CheckFirstLineWins(KeyVal& store)
{
    std::set<std::string> seen;
    const std::vector<std::string> lines = store.Lines();
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        // Lines without "=" also claim the empty name, which no reader asks for.
        if (equals == std::string::npos || equals == 0 || !seen.insert(line.substr(0, equals)).second)
            continue;
        if (store.GetValue(line.substr(0, equals)) != line.substr(equals + 1))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const FuzzFile input("kestrame-fuzz-keyval", ".txt", data, size);
    const FuzzFile output("kestrame-fuzz-keyval", ".out");
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    KeyVal store;
    if (!store.Open(input.Path(), "rt"))
        std::abort();
    CheckFirstLineWins(store);
    if (!store.Open(output.Path(), "wt"))
        std::abort();
    for (const std::string& line : store.Lines())
        store.WriteLine(line);
    const std::vector<std::string> lines = store.Lines();
    if (!store.Close())
        std::abort();
    KeyVal again;
    if (!again.Open(output.Path(), "rt") || again.Lines() != lines)
        std::abort();
    return 0;
}
