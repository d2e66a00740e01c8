// Following the active planogram: a forced synchronisation of the main window with a 3000 x 250 cm
// planogram whose catalog holds 50,000 products, against loading that catalog into a grid alone. It
// runs at every switch between planograms, so it should cost little more than the load.
#include "app/SDIMain.h"
#include "catalog/Didascii.h"
#include "planogram/DocumentSetup.h"
#include "platform/ui/StringGrid.h"
#include "testing/DocumentFakes.h"
#include "testing/ScriptedUi.h"

#include "BenchSupport.h"
#include "WindowsBenchMain.h"

#include <chrono>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Products = 50000;

class AnsweringSetup : public DocumentSetupDialog {
public:
    std::optional<DocumentSetupValues> answer;
    std::optional<DocumentSetupValues> ShowModal() override { return answer; }
    void SetHideCatalogs(bool) override {}
    void ClearPictureFileName() override {}
};

std::string WriteCatalog()
{
    std::vector<ProductRow> rows;
    rows.reserve(Products);
    for (int i = 1; i <= Products; ++i)
        rows.push_back(ProductRow{"P" + IntToStr(i), 10, 15, 5});
    const std::string path = BenchFolder() + "/products.ctf";
    const std::string text = ProductCatalogText(rows);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fclose(out) != 0)
        std::abort();
    return path;
}

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ForcedSyncAgainstLoadingTheCatalog(benchmark::State& state)
{
    ScriptedUi ui(ScriptedUi::Strictness::Lenient);
    const std::string catalog = WriteCatalog();
    AnsweringSetup setup;
    DocumentSetupValues values;
    values.RadioGroupW = values.RadioGroupH = 3;
    values.txtWidth = "3000";
    values.txtHeight = "250";
    values.catalogFile = catalog;
    setup.answer = values;
    TMainForm form;
    form.SetDocumentSetupDialog(&setup);
    if (!form.NewPlanogram())
        std::abort();
    for (auto _ : state) {
        const double sync = Seconds([&] { form.SyncToActiveDocument(true, false); });
        const double load = Seconds([&] {
            didASCII alone;
            TStringGrid grid;
            if (!alone.Open(catalog, &grid))
                std::abort();
        });
        state.counters["sync_ms"] = sync * 1e3;
        state.counters["load_ms"] = load * 1e3;
        state.counters["sync_to_load"] = sync / load;
    }
}

} // namespace

BENCHMARK(BM_ForcedSyncAgainstLoadingTheCatalog)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) { return RunWindowsBenchmarks(argc, argv); }
