#include "app/NewDoc.h"

#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/UiServices.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Application.h"
#include "platform/ui/FileListBoxView.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <tuple>

namespace {

constexpr std::string_view Options = "Options";
constexpr std::string_view NewDocPageValue = "NewDocPage";
constexpr int TemplatePage = 0;
constexpr int BlankPage = 1;
constexpr int CustomItem = 3;
constexpr int ImageWall = 3;

struct PresetKey {
    const char* name; // after the unit's prefix "Inch" or "cm"
    const char* inchDefault;
    const char* cmDefault;
};

constexpr std::array<PresetKey, NewDocPresetCount> PresetKeys = {{
    {"Width1", "48", "100"},
    {"Width2", "72", "200"},
    {"Width3", "96", "300"},
    {"Height1", "48", "189"},
    {"Height2", "72", "200"},
    {"Height3", "96", "250"},
    {"PegTop", "1.5", "4"},
    {"PegLeft", "1.5", "4"},
    {"PegRight", "1.5", "4"},
    {"PegBottom", "1.5", "4"},
    {"VPegSpace", "2", "4"},
    {"HPegSpace", "2", "4"},
    {"PegRad", "0.5", "1"},
    {"PegDepth", "5.122", "13"},
}};

std::string PresetKeyName(const PresetKey& key, bool inches) { return std::string(inches ? "Inch" : "cm") + key.name; }

const char* const CatalogMask = "*.vdx;*.did;*.ctf;*.ddl";

FileDialogOptions CatalogDialogOptions()
{
    FileDialogOptions options;
    options.title = "Find Catalog Files";
    options.defaultExt = "ctf";
    options.filter = "Kestrame Catalog Files (*.vdx,*.ddl, *.ctf)|*.vdx;*.ddl;*.ctf|Corvandel Catalog File|*.vdx|"
                     "Kestrame Direct Data Link (*.ddl)|*.ddl|Kestrame Catalog (*.ctf)|*.ctf";
    return options;
}

QLineEdit* NewEdit(QWidget* parent, const char* name, const char* text, bool framed = true)
{
    auto* edit = new QLineEdit(QString::fromLatin1(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFrame(framed);
    return edit;
}

void SetRadioItemText(QButtonGroup* group, int item, const std::string& text)
{
    group->button(item)->setText(toQString(text));
}

} // namespace

NewDocUnitTexts NewDocUnitCaptions(bool inches)
{
    if (inches)
        return {"Width in inches", "Height in inches", "Custom(inch)", "inches"};
    return {"Width in centemeters", "Height in centemeters", "Custom(cm)", "cm"};
}

const NewDocPresetFields& NewDocPresets()
{
    using V = DocumentSetupValues;
    static const NewDocPresetFields fields = {&V::edWidth1,    &V::edWidth2,     &V::edWidth3,    &V::edHeight1,
                                              &V::edHeight2,   &V::edHeight3,    &V::ed1PegTop,   &V::ed1PegLeft,
                                              &V::ed1PegRight, &V::ed1PegBottom, &V::edVPegSpace, &V::edHPegSpace,
                                              &V::edPegRad,    &V::edPegDepth};
    return fields;
}

void ReadNewDocPresets(const SettingsStore& settings, bool inches, DocumentSetupValues& values)
{
    const SettingsFile file = settings.Load();
    for (size_t i = 0; i < NewDocPresetCount; ++i) {
        const PresetKey& key = PresetKeys[i];
        values.*NewDocPresets()[i] =
            file.ReadString(Options, PresetKeyName(key, inches), inches ? key.inchDefault : key.cmDefault);
    }
}

void WriteNewDocSettings(const SettingsStore& settings, bool inches, const DocumentSetupValues& values)
{
    settings.Update([&](SettingsFile& file) {
        for (size_t i = 0; i < NewDocPresetCount; ++i)
            file.WriteString(Options, PresetKeyName(PresetKeys[i], inches), values.*NewDocPresets()[i]);
        file.WriteInteger(Options, NewDocPageValue, values.templatePage ? TemplatePage : BlankPage);
    });
}

int ReadNewDocPage(const SettingsStore& settings)
{
    return settings.ReadInteger(Options, NewDocPageValue, TemplatePage) == BlankPage ? BlankPage : TemplatePage;
}

std::optional<PictureNameSize> SizeFromPictureName(const std::string& path)
{
    const std::string name = ExtractFileName(path);
    const size_t x = name.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    const size_t blank = name.find(' ');
    PictureNameSize size{name.substr(0, x), {}};
    if (blank != std::string::npos && blank > x)
        size.height = name.substr(x + 1, blank - x - 1);
    return size;
}

std::optional<SetupMessage> NewDocRefusal(const DocumentSetupValues& values, bool inches)
{
    if (values.templatePage)
        return std::nullopt;
    const DisplaySetup setup = ValidateDisplaySize(values, inches);
    if (setup.result == 1)
        return std::nullopt;
    return setup.message;
}

TNewDocBox::TNewDocBox(std::function<bool()> unitsInches, SettingsStore settings, QWidget* parent)
    : QDialog(parent), unitsInches_(std::move(unitsInches)), settings_(settings), finder_(std::move(settings))
{
    setObjectName("NewDocBox");
    setWindowTitle("Document Setup");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    CreateControls();
    CatList->Files().SetMask(CatalogMask);
    CatList->Files().SetDirectory(finder_.CatalogsFolder());
    finder_.ListTemplates(TemplateList->Files());
}

TNewDocBox::~TNewDocBox() = default;

void TNewDocBox::CreateControls()
{
    PageNewDoc = new QTabWidget(this);
    PageNewDoc->setObjectName("PageNewDoc");
    TabTemplate = CreateTemplatePage();
    TabBlank = CreateBlankPage();
    PageNewDoc->addTab(TabTemplate, "Display based on Template");
    PageNewDoc->addTab(TabBlank, "Blank Display");

    Button1 = new QPushButton("&Ok", this);
    Button1->setObjectName("Button1");
    Button1->setDefault(true);
    Button2 = new QPushButton("&Cancel", this);
    Button2->setObjectName("Button2");
    connect(Button1, &QPushButton::clicked, this, ShowingErrors(this, &TNewDocBox::Button1Click));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageNewDoc);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* TNewDocBox::CreateTemplatePage()
{
    auto* page = new QWidget;
    page->setObjectName("TabTemplate");
    TemplateList = new FileListBoxView(page);
    TemplateList->setObjectName("TemplateList");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(TemplateList);
    return page;
}

QWidget* TNewDocBox::CreateBlankPage()
{
    auto* page = new QWidget;
    page->setObjectName("TabBlank");
    std::array<QLineEdit*, 3> widths{}, heights{};
    RadioGroupW = CreateSizeGroup(RadioGroupWItems, widths, txtWidth);
    RadioGroupW->setObjectName("RadioGroupW");
    RadioGroupH = CreateSizeGroup(RadioGroupHItems, heights, txtHeight);
    RadioGroupH->setObjectName("RadioGroupH");
    std::tie(edWidth1, edWidth2, edWidth3) = std::tuple(widths[0], widths[1], widths[2]);
    std::tie(edHeight1, edHeight2, edHeight3) = std::tuple(heights[0], heights[1], heights[2]);
    const std::array<std::pair<QLineEdit*, const char*>, 8> names = {{{edWidth1, "edWidth1"},
                                                                      {edWidth2, "edWidth2"},
                                                                      {edWidth3, "edWidth3"},
                                                                      {txtWidth, "txtWidth"},
                                                                      {edHeight1, "edHeight1"},
                                                                      {edHeight2, "edHeight2"},
                                                                      {edHeight3, "edHeight3"},
                                                                      {txtHeight, "txtHeight"}}};
    for (const auto& [edit, name] : names)
        edit->setObjectName(QString::fromLatin1(name));
    edWidth1->setText("100"), edWidth2->setText("200"), edWidth3->setText("300");
    edHeight1->setText("189"), edHeight2->setText("200"), edHeight3->setText("250");
    connect(txtWidth, &QLineEdit::textChanged, this, ShowingErrors(this, &TNewDocBox::txtWidthChange));
    connect(txtHeight, &QLineEdit::textChanged, this, ShowingErrors(this, &TNewDocBox::txtHeightChange));

    auto* layout = new QGridLayout(page);
    layout->addWidget(RadioGroupW, 0, 0);
    layout->addWidget(RadioGroupH, 0, 1);
    layout->addWidget(CreateWallGroup(), 1, 0);
    layout->addWidget(CreateCatalogGroup(), 1, 1, 2, 1);
    layout->addWidget(CreatePegGroup(), 2, 0);
    layout->addWidget(CreateImageGroup(), 3, 0);
    return page;
}

QGroupBox* TNewDocBox::CreateSizeGroup(QButtonGroup*& items, std::array<QLineEdit*, 3>& presets, QLineEdit*& custom)
{
    auto* group = new QGroupBox;
    items = new QButtonGroup(group);
    auto* layout = new QGridLayout(group);
    for (int item = 0; item < 4; ++item) {
        auto* button = new QRadioButton(group);
        items->addButton(button, item);
        layout->addWidget(button, item, 0);
    }
    for (int item = 0; item < 3; ++item) {
        presets[static_cast<size_t>(item)] = NewEdit(group, "", "", false);
        layout->addWidget(presets[static_cast<size_t>(item)], item, 1);
    }
    custom = NewEdit(group, "", "");
    layout->addWidget(custom, 3, 1);
    items->button(0)->setChecked(true);
    return group;
}

QGroupBox* TNewDocBox::CreateWallGroup()
{
    auto* box = new QGroupBox("Wall Background");
    auto* layout = new QVBoxLayout(box);
    SelectWallBG = new QGroupBox(box);
    SelectWallBG->setObjectName("SelectWallBG");
    SelectWallBG->setFlat(true);
    SelectWallBGItems = new QButtonGroup(SelectWallBG);
    auto* items = new QVBoxLayout(SelectWallBG);
    int id = 0;
    for (const char* kind : {"Peg Board", "Solid", "Slatwall", "Image"}) {
        auto* button = new QRadioButton(kind, SelectWallBG);
        SelectWallBGItems->addButton(button, id++);
        items->addWidget(button);
    }
    SelectWallBGItems->button(0)->setChecked(true);
    connect(SelectWallBGItems, &QButtonGroup::idClicked, this, ShowingErrors(this, &TNewDocBox::SelectWallBGClick));
    layout->addWidget(SelectWallBG);

    Panel1 = new QPushButton("Background color ", box);
    Panel1->setObjectName("Panel1");
    Panel1->setFlat(true);
    Panel1->setAutoFillBackground(true);
    connect(Panel1, &QPushButton::clicked, this, ShowingErrors(this, &TNewDocBox::Panel1Click));
    SetPanelColor(clWhite);
    layout->addWidget(Panel1);
    return box;
}

QGroupBox* TNewDocBox::CreateCatalogGroup()
{
    GroupBox1 = new QGroupBox("Product Catalogs");
    GroupBox1->setObjectName("GroupBox1");
    CatList = new FileListBoxView(GroupBox1);
    CatList->setObjectName("CatList");
    Button3 = new QPushButton("&Find Catalog", GroupBox1);
    Button3->setObjectName("Button3");
    connect(Button3, &QPushButton::clicked, this, ShowingErrors(this, &TNewDocBox::Button3Click));
    auto* layout = new QVBoxLayout(GroupBox1);
    layout->addWidget(CatList);
    layout->addWidget(Button3);
    return GroupBox1;
}

QGroupBox* TNewDocBox::CreatePegGroup()
{
    GroupBox2 = new QGroupBox("Peg Holes/Alignment");
    GroupBox2->setObjectName("GroupBox2");
    struct Row {
        QLineEdit*& edit;
        const char* label;
        const char* name;
        const char* text;
    };
    const std::array<Row, 8> rows = {{{ed1PegTop, "First peg from top", "ed1PegTop", "4"},
                                      {ed1PegLeft, "First peg from left", "ed1PegLeft", "4"},
                                      {ed1PegRight, "First peg from right", "ed1PegRight", "4"},
                                      {ed1PegBottom, "First peg from bottom", "ed1PegBottom", "4"},
                                      {edVPegSpace, "Vertical peg space ", "edVPegSpace", "4"},
                                      {edHPegSpace, "Horizontal peg space", "edHPegSpace", "4"},
                                      {edPegRad, "Peg hole size", "edPegRad", "1"},
                                      {edPegDepth, "Peg hook depth", "edPegDepth", "13"}}};
    auto* layout = new QGridLayout(GroupBox2);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int row = static_cast<int>(i);
        rows[i].edit = NewEdit(GroupBox2, rows[i].name, rows[i].text);
        unitLabels[i] = new QLabel("cm", GroupBox2);
        layout->addWidget(new QLabel(rows[i].label, GroupBox2), row, 0);
        layout->addWidget(rows[i].edit, row, 1);
        layout->addWidget(unitLabels[i], row, 2);
    }
    return GroupBox2;
}

QGroupBox* TNewDocBox::CreateImageGroup()
{
    imageGroup = new QGroupBox("Background Image");
    imageGroup->setObjectName("imageGroup");
    lbBGPath = new QLabel("none", imageGroup);
    lbBGPath->setObjectName("lbBGPath");
    Button4 = new QPushButton("Change Image", imageGroup);
    Button4->setObjectName("Button4");
    connect(Button4, &QPushButton::clicked, this, ShowingErrors(this, &TNewDocBox::Button4Click));
    auto* layout = new QVBoxLayout(imageGroup);
    layout->addWidget(lbBGPath);
    layout->addWidget(Button4);
    imageGroup->hide();
    return imageGroup;
}

std::array<QLineEdit*, NewDocPresetCount> TNewDocBox::PresetEdits() const
{
    return {edWidth1,   edWidth2,    edWidth3,     edHeight1,   edHeight2,   edHeight3, ed1PegTop,
            ed1PegLeft, ed1PegRight, ed1PegBottom, edVPegSpace, edHPegSpace, edPegRad,  edPegDepth};
}

std::optional<DocumentSetupValues> TNewDocBox::ShowModal()
{
    FormShow();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return Values();
}

DocumentSetupValues TNewDocBox::Values()
{
    DocumentSetupValues values;
    values.templatePage = PageNewDoc->currentIndex() == TemplatePage;
    values.templateFile = TemplateList->Files().FileName();
    values.RadioGroupW = RadioGroupWItems->checkedId();
    values.RadioGroupH = RadioGroupHItems->checkedId();
    const std::array<QLineEdit*, NewDocPresetCount> edits = PresetEdits();
    for (size_t i = 0; i < NewDocPresetCount; ++i)
        values.*NewDocPresets()[i] = fromQString(edits[i]->text());
    values.txtWidth = fromQString(txtWidth->text());
    values.txtHeight = fromQString(txtHeight->text());
    values.SelectWallBG = SelectWallBGItems->checkedId();
    values.pictureFileName = pictureFileName_;
    values.panelColor = panelColor_;
    // An open display keeps the catalog it has: with the list hidden the current catalog is reported,
    // but neither demanded nor stored.
    values.catalogFile = hideCatalogs ? finder_.ReadCurrentDataFile() : CatList->Files().FileName();
    values.catalogAsked = !hideCatalogs;
    return values;
}

void TNewDocBox::FormShow()
{
    CatList->Files().Update();
    finder_.SelectCurrentCatalog(CatList->Files());
    ShowUnit(unitsInches_());
    PageNewDoc->setCurrentIndex(ReadNewDocPage(settings_));
    GroupBox1->setVisible(!hideCatalogs);
}

void TNewDocBox::ShowUnit(bool inches)
{
    const NewDocUnitTexts texts = NewDocUnitCaptions(inches);
    RadioGroupW->setTitle(toQString(texts.widthCaption));
    RadioGroupH->setTitle(toQString(texts.heightCaption));
    SetRadioItemText(RadioGroupWItems, CustomItem, texts.customItem);
    SetRadioItemText(RadioGroupHItems, CustomItem, texts.customItem);
    for (QLabel* label : unitLabels)
        label->setText(toQString(texts.unitLabel));
    DocumentSetupValues presets;
    ReadNewDocPresets(settings_, inches, presets);
    const std::array<QLineEdit*, NewDocPresetCount> edits = PresetEdits();
    for (size_t i = 0; i < NewDocPresetCount; ++i)
        edits[i]->setText(toQString(presets.*NewDocPresets()[i]));
}

void TNewDocBox::Button1Click()
{
    const DocumentSetupValues values = Values();
    const bool inches = unitsInches_();
    if (const std::optional<SetupMessage> refusal = NewDocRefusal(values, inches)) {
        Ui().MessageBox(refusal->text, refusal->caption, MsgButtons::OK, refusal->icon);
        return;
    }
    WriteNewDocSettings(settings_, inches, values);
    accept();
}

void TNewDocBox::SelectWallBGClick()
{
    if (SelectWallBGItems->checkedId() == ImageWall) {
        if (ChooseBackgroundPicture())
            imageGroup->show();
        return;
    }
    imageGroup->hide();
}

void TNewDocBox::Button4Click() { ChooseBackgroundPicture(); }

bool TNewDocBox::ChooseBackgroundPicture()
{
    FileDialogOptions options;
    options.filter = TPicture::GraphicFilter();
    options.fileName = pictureFileName_;
    const std::optional<FileDialogResult> chosen = Ui().OpenDialog(options);
    if (!chosen)
        return false;
    pictureFileName_ = chosen->fileName;
    lbBGPath->setText(toQString(pictureFileName_));
    if (const std::optional<PictureNameSize> size = SizeFromPictureName(pictureFileName_)) {
        txtWidth->setText(toQString(size->width));
        txtHeight->setText(toQString(size->height));
        // An unchanged text sends no change; the size is meant all the same.
        txtWidthChange();
        txtHeightChange();
    }
    return true;
}

void TNewDocBox::Panel1Click()
{
    if (const std::optional<DialogColor> color = Ui().ColorDialog(static_cast<DialogColor>(panelColor_)))
        SetPanelColor(static_cast<TColor>(*color));
}

void TNewDocBox::SetPanelColor(TColor color)
{
    panelColor_ = color;
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Button, ColorToQColor(color));
    palette.setColor(QPalette::Window, ColorToQColor(color));
    Panel1->setPalette(palette);
}

void TNewDocBox::Button3Click()
{
    if (const std::optional<FileDialogResult> chosen = Ui().OpenDialog(CatalogDialogOptions()))
        CatList->Files().SetFileName(chosen->fileName);
}

void TNewDocBox::txtWidthChange() { RadioGroupWItems->button(CustomItem)->setChecked(true); }

void TNewDocBox::txtHeightChange() { RadioGroupHItems->button(CustomItem)->setChecked(true); }
