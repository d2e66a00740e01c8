#include "app/PlanogramWizardPages.h"

#include "app/StartupSettings.h"
#include "planogram/DocumentSetup.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/Seams.h"
#include "platform/core/TextUtils.h"
#include "platform/settings/SettingsStore.h"

namespace {

constexpr const char* Options = "Options";
constexpr const char* WizardCaption = "Planogram Wizard";
// Held in single precision, as the display's geometry has always been computed with it.
constexpr float InchesPerCentimetre = 0.394f;
constexpr int UnitsPerCm = 4;

enum PegEdit { PegTop, PegBottom, PegRight, PegLeft, PegYSpace, PegXSpace, PegSize };

// A peg edit's settings key after its unit prefix, and its default in inches and centimetres.
struct PegKey {
    const char* key;
    const char* inchDefault;
    const char* cmDefault;
};
constexpr PegKey PegKeys[] = {{"PegTop", "1.5", "4"},    {"PegBottom", "1.5", "4"}, {"PegRight", "1.5", "4"},
                              {"PegLeft", "1.5", "4"},   {"VPegSpace", "2", "4"},   {"HPegSpace", "2", "4"},
                              {"PegRad", "0.5", "1"}};

void Tell(const char* text, const char* caption, MsgIcon icon = MsgIcon::None)
{
    Ui().MessageBox(text, caption, MsgButtons::OK, icon);
}

double Number(const std::string& text) { return TypedNumber(text).value_or(0); }

} // namespace

PlanogramWizardPages::PlanogramWizardPages(PlanogramWizardWindows& windows_) : windows(windows_)
{
    OpenKQF.defaultExt = "kqf";
    OpenKQF.filter = "Kestrame File|*.kqf|All file types|*.*";
    ClearProducts();
}

void PlanogramWizardPages::FormShow(const SettingsStore& store)
{
    doWhat = NewDisplay;
    Restart();
    // The products of an earlier run, built or cancelled, belong to its display and its catalog.
    ClearProducts();
    valuesInInches_.reset();
    showAtStart = store.ReadBool(Options, "Welcome", true);
    inchUnits = ResolvedUnits(store.ReadString(Options, "Units", "none"), CountryCode()) != "cm";
    ShowUnits(store);
    rankIndex = 0;
}

void PlanogramWizardPages::Restart()
{
    currentPage = WelcomePage;
    backStep = 1;
}

void PlanogramWizardPages::ShowUnits(const SettingsStore& store)
{
    const char* prefix = inchUnits ? "Inch" : "cm";
    edBestHeight = inchUnits ? "60" : "150";
    bestHeightFrom_.clear();
    unitLabel = inchUnits ? "inches" : "cm";
    pegHeading = "Peghole placement and size in " + unitLabel;
    for (size_t i = 0; i < peg.size(); ++i) {
        const PegKey& key = PegKeys[i];
        peg[i] = store.ReadString(Options, std::string(prefix) + key.key, inchUnits ? key.inchDefault : key.cmDefault);
    }
}

void PlanogramWizardPages::NextClick(const SettingsStore& store)
{
    if (!PageAction(store))
        return;
    currentPage += backStep;
}

void PlanogramWizardPages::BackClick()
{
    if (currentPage - backStep >= WelcomePage)
        currentPage -= backStep;
}

bool PlanogramWizardPages::PageAction(const SettingsStore& store)
{
    switch (currentPage) {
    case DoWhatPage:
        if (doWhat == NoChoice)
            return false;
        backStep = 1;
        return doWhat == NewDisplay || OpenChosenFile();
    case HaveCatalogPage:
        if (haveCatalog) {
            backStep = 1;
            return true;
        }
        Tell("You will need to create a catalog file for your products before you can make a planogram. The catalog "
             "wizard will start now to help you make your catalog. After you have created a catalog run this wizard "
             "again by clicking TOOLS > PLANOGRAM WIZARD. ",
             WizardCaption);
        windows.ShowCatalogWizard();
        windows.CloseWizard();
        return false;
    case CatalogPage:
        if (catalogFile.empty()) {
            Tell("You forgot to select a catalog", WizardCaption);
            return false;
        }
        if (!windows.OpenCatalog(catalogFile)) {
            Tell("Could not open the slected catalog file. Please select another catalog.", WizardCaption,
                 MsgIcon::Exclamation);
            return false;
        }
        backStep = 1;
        return true;
    case UnitsPage:
        if (valuesInInches_ != inchUnits)
            ShowUnits(store);
        valuesInInches_ = inchUnits;
        backStep = 1;
        return true;
    case SizePage:
        if (edWidth.empty() || edHeight.empty()) {
            Tell("You forgot to select your width and/or height", WizardCaption);
            return false;
        }
        if (RefuseSize())
            return false;
        backStep = 1;
        if (edHeight != bestHeightFrom_) {
            edBestHeight = FloatToStr(Number(edHeight) * 0.5);
            bestHeightFrom_ = edHeight;
        }
        return true;
    case BackgroundPage:
        // A cancelled picture dialog leaves an image wall without its image.
        if (displayType == Image && pictureFile.empty()) {
            Tell("You forgot to select a background image", WizardCaption);
            return false;
        }
        backStep = displayType == Pegboard ? 1 : 2;
        return true;
    case PegPage:
        if (RefusePegValues())
            return false;
        backStep = 1;
        return true;
    case AutoPage:
        if (autoDisplay && LinkedCatalog())
            windows.LoadLinkedTable();
        backStep = autoDisplay ? 1 : 3;
        return true;
    case PlacementPage: {
        const std::optional<double> bestHeight = TypedNumber(edBestHeight);
        if (!bestHeight) {
            Tell("Please fill in a value for most visible height", "Kestrame", MsgIcon::Exclamation);
            return false;
        }
        if (*bestHeight < 0) {
            Tell("Invalid most visible height. The most visible height must be a number of 0 or more.", "Alert",
                 MsgIcon::Warning);
            return false;
        }
        backStep = 1;
        return true;
    }
    case FinishedPage:
        // The background choices that skip the peg page still build with its values.
        if (RefuseSize() || RefusePegValues())
            return false;
        // backStep stays, so that after a build that made nothing Back still leads where it led.
        if (windows.BuildDisplay())
            windows.CloseWizard();
        return false;
    default:
        backStep = 1;
        return true;
    }
}

bool PlanogramWizardPages::OpenChosenFile()
{
    if (doWhat == OpenDisplay) {
        const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenKQF);
        if (!choice)
            return false;
        windows.OpenPlanogram(choice->fileName);
    } else if (templateFile.empty() || !windows.OpenPlanogram(templateFile)) {
        Tell("Could not open selected file", "Kestrame", MsgIcon::Exclamation);
        return false;
    }
    Restart();
    windows.CloseWizard();
    return false;
}

bool PlanogramWizardPages::RefuseSize() const
{
    const std::optional<SetupMessage> refusal = DisplaySizeRefusal(edWidth, edHeight, inchUnits);
    if (refusal)
        Ui().MessageBox(refusal->text, refusal->caption, MsgButtons::OK, refusal->icon);
    return refusal.has_value();
}

bool PlanogramWizardPages::RefusePegValues() const
{
    if (PegValues({peg.begin(), peg.end()}))
        return false;
    const SetupMessage refusal = PegValueRefusal();
    Ui().MessageBox(refusal.text, refusal.caption, MsgButtons::OK, refusal.icon);
    return true;
}

bool PlanogramWizardPages::LinkedCatalog() const { return UpperCase(ExtractFileExt(catalogFile)) == ".DDL"; }

void PlanogramWizardPages::ClearProducts() { gridB = {{"Item", "Rank", "Facings"}, {}}; }

void PlanogramWizardPages::AddProduct(const std::string& partNumber)
{
    // Without a part number there is nothing to place; the empty last row stays empty.
    if (partNumber.empty())
        return;
    if (gridB.size() < 2)
        gridB.resize(2);
    const size_t last = gridB.size() - 1;
    gridB[last] = {partNumber, IntToStr(static_cast<int>(last)), "1"};
    gridB.emplace_back();
}

void PlanogramWizardPages::RemoveProduct(int row)
{
    // Neither the title row nor the empty last row can go.
    if (row < 1 || row > static_cast<int>(gridB.size()) - 2)
        return;
    gridB.erase(gridB.begin() + row);
}

std::vector<PlanogramWizardPages::Row> PlanogramWizardPages::BuilderEntries() const
{
    if (gridB.size() < 2)
        return {};
    return {gridB.begin() + 1, gridB.end() - 1};
}

WizardDisplay PlanogramWizardPages::Display() const
{
    const auto units = [this](double typed) {
        return (inchUnits ? typed / InchesPerCentimetre : typed) * UnitsPerCm;
    };
    const auto typed = [&](int edit) { return units(Number(peg[edit])); };
    WizardDisplay display;
    display.displayWidth = static_cast<int>(units(Number(edWidth)));
    display.displayHeight = static_cast<int>(units(Number(edHeight)));
    display.pegHoleSize = typed(PegSize);
    display.pegPitchV = static_cast<int>(typed(PegYSpace) + display.pegHoleSize);
    display.pegPitchH = displayType == Slatwall ? 0 : static_cast<int>(typed(PegXSpace) + display.pegHoleSize);
    display.pegFirstX = static_cast<int>(typed(PegLeft));
    display.pegFirstY = static_cast<int>(typed(PegTop));
    display.pegLastX = static_cast<int>(display.displayWidth - typed(PegRight));
    display.pegLastY = static_cast<int>(display.displayHeight - typed(PegBottom));
    display.pegHolesShown = displayType == Pegboard || displayType == Slatwall;
    display.backgroundMode = displayType == Image;
    if (display.backgroundMode)
        display.backgroundPath = StoredPath(pictureFile);
    display.backgroundColor = backgroundColor;
    return display;
}

int PlanogramWizardPages::BestHeight() const { return static_cast<int>(Number(edBestHeight)); }
