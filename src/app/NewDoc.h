#pragma once

#include "catalog/Didfilefinder.h"
#include "planogram/DocumentSetup.h"
#include "platform/graphics/Colors.h"
#include "platform/settings/SettingsStore.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>
#include <string>

class FileListBoxView;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

// The captions and labels of the blank-display page that name the unit.
struct NewDocUnitTexts {
    std::string widthCaption, heightCaption;
    // The fourth item of both size groups.
    std::string customItem;
    // The label after each peg-hole edit.
    std::string unitLabel;
};
NewDocUnitTexts NewDocUnitCaptions(bool inches);

// The fourteen remembered texts in the order the settings keep them: widths 1-3, heights 1-3, then
// top, left, right, bottom, vertical space, horizontal space, hole size, hook depth.
inline constexpr size_t NewDocPresetCount = 14;
using NewDocPresetFields = std::array<std::string DocumentSetupValues::*, NewDocPresetCount>;
const NewDocPresetFields& NewDocPresets();

// The remembered texts of the unit's keys (inch or cm, each with its own defaults) into `values`.
void ReadNewDocPresets(const SettingsStore& settings, bool inches, DocumentSetupValues& values);
// What OK remembers, in one write: the fourteen texts as they stand under the unit's keys, and the
// active page as "NewDocPage" (0 template, 1 blank).
void WriteNewDocSettings(const SettingsStore& settings, bool inches, const DocumentSetupValues& values);
// The page to show first; anything but the blank page's number shows the template page.
int ReadNewDocPage(const SettingsStore& settings);

// The custom size a background picture's file name announces, as in "120x240 back wall.jpg": the
// text before the first "x", and the text from there to the name's first blank (empty when that
// blank does not come after the "x"). Nothing when the name holds no "x".
struct PictureNameSize {
    std::string width, height;
};
std::optional<PictureNameSize> SizeFromPictureName(const std::string& path);

// Why OK may not close the dialog: the document's own display check, whose message is shown and
// the dialog kept open. A template needs no sizes.
std::optional<SetupMessage> NewDocRefusal(const DocumentSetupValues& values, bool inches);

// "Document Setup": a new display from a template or as a blank wall of a given size, background
// and peg-hole layout; for an open display the same dialog without the catalog group. Made once and
// shown again and again, it keeps its controls between showings except what each showing sets.
class TNewDocBox : public QDialog, public DocumentSetupDialog {
    Q_OBJECT

public:
    // `unitsInches` is the main window's unit, asked at every showing and OK.
    explicit TNewDocBox(std::function<bool()> unitsInches, SettingsStore settings = SettingsStore(),
                        QWidget* parent = nullptr);
    ~TNewDocBox() override;

    std::optional<DocumentSetupValues> ShowModal() override;
    void SetHideCatalogs(bool hide) override { hideCatalogs = hide; }
    void ClearPictureFileName() override { pictureFileName_.clear(); }

    // What the controls hold now.
    DocumentSetupValues Values();
    TColor PanelColor() const { return panelColor_; }

    void FormShow();
    void Button1Click();
    void SelectWallBGClick();
    void Button4Click();
    void Panel1Click();
    void Button3Click();
    void txtWidthChange();
    void txtHeightChange();

    bool hideCatalogs = false;

    QPushButton* Button1;
    QPushButton* Button2;
    QTabWidget* PageNewDoc;
    QWidget* TabTemplate;
    QWidget* TabBlank;
    FileListBoxView* TemplateList;
    QGroupBox* RadioGroupW;
    QButtonGroup* RadioGroupWItems;
    QGroupBox* RadioGroupH;
    QButtonGroup* RadioGroupHItems;
    QLineEdit* edWidth1;
    QLineEdit* edWidth2;
    QLineEdit* edWidth3;
    QLineEdit* txtWidth;
    QLineEdit* edHeight1;
    QLineEdit* edHeight2;
    QLineEdit* edHeight3;
    QLineEdit* txtHeight;
    QGroupBox* SelectWallBG;
    QButtonGroup* SelectWallBGItems;
    QPushButton* Panel1;
    QGroupBox* GroupBox1;
    FileListBoxView* CatList;
    QPushButton* Button3;
    QGroupBox* GroupBox2;
    QLineEdit* ed1PegTop;
    QLineEdit* ed1PegLeft;
    QLineEdit* ed1PegRight;
    QLineEdit* ed1PegBottom;
    QLineEdit* edVPegSpace;
    QLineEdit* edHPegSpace;
    QLineEdit* edPegRad;
    QLineEdit* edPegDepth;
    std::array<QLabel*, 8> unitLabels;
    QGroupBox* imageGroup;
    QLabel* lbBGPath;
    QPushButton* Button4;

private:
    void CreateControls();
    QWidget* CreateTemplatePage();
    QWidget* CreateBlankPage();
    QGroupBox* CreateSizeGroup(QButtonGroup*& items, std::array<QLineEdit*, 3>& presets, QLineEdit*& custom);
    QGroupBox* CreateWallGroup();
    QGroupBox* CreateCatalogGroup();
    QGroupBox* CreatePegGroup();
    QGroupBox* CreateImageGroup();
    void ShowUnit(bool inches);
    // Runs the picture dialog; a chosen picture becomes the background and sets the custom size its
    // name gives. False when cancelled.
    bool ChooseBackgroundPicture();
    void SetPanelColor(TColor color);
    std::array<QLineEdit*, NewDocPresetCount> PresetEdits() const;

    std::function<bool()> unitsInches_;
    SettingsStore settings_;
    Didfilefinder finder_;
    std::string pictureFileName_;
    TColor panelColor_ = clWhite;
};
