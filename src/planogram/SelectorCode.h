#pragma once

#include "planogram/DocumentSelector.h"
#include "planogram/Planobuilder.h"
#include "planogram/SelectorModel.h"
#include "platform/graphics/Bitmap.h"

#include <QDockWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class SelectorHost;
class StringGridView;
class TfrmFilter;

// The selector tool window: the active planogram's catalog to add products from, new fixtures, the
// items placed and the builder list. A dock window that starts floating and may be docked at the top
// of the main window. Floating, it is a tool window of the main window: above the main window, which
// it must not sink behind at a click on a planogram, but under the program's dialogs and under other
// programs. Its logic is SelectorModel's.
class TSelector : public QDockWidget, public DocumentSelector, private BuilderHost {
    Q_OBJECT

public:
    TSelector(SelectorHost& host, QWidget* parent = nullptr);
    ~TSelector() override;
    // The filter window "Add by Filter" shows (not owned); the button stays disabled without one.
    void SetFilterWindow(TfrmFilter& filter);

    SelectorModel model;

    // The document selector.
    void Hide() override;
    void Show() override;
    bool Visible() const override;
    void ShowImages() override;
    TStringGrid& GridB() override;
    TStringGrid& GridL() override;
    TStringGrid& GridP() override;
    TStringGrid& GridA() override;
    TBitmap& LayoutImage() override { return layout_; }
    void LayoutImageChanged() override;
    void FindCatalogItem(const std::string& partNumber) override;
    void ShowFixtureInSelector(const ListOB& item) override;
    void EnableUpdateFixture(bool enabled) override;
    std::optional<FixtureMakerInputs> FixtureInputs() const override;
    void TakeCatalog(const SelectorCatalog& catalog) override;
    void DropCatalog(bool hidePictures) override;
    bool Building() const override { return model.building; }
    bool AutoAddShelves() const override;

    void FormShow();
    void GridPSelectCell(int row);
    void comUpdateClick();
    void sbOpenDataFileClick();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton7Click();
    void bClearAllBuilderListClick();
    void Button1Click();
    void Button2Click();
    // Fills the active planogram from the builder list as the Builder page says.
    void BuildDisplay();
    // Finds the builder's products in the product grid and places them through the main window.
    BuilderHost& Builder() { return *this; }
    void cbFixtureTypeChange();
    void bAddNewFixtureClick();
    // Every fixture control's change: the selected fixture takes the tab.
    void UpdateSelectedFixture();
    void Button3Click();
    void Button4Click();
    // The tab as the user left it.
    FixtureTab Tab() const;

    QTabWidget* PageControl1 = nullptr;
    QComboBox* cbFixtureType = nullptr;
    QLineEdit* edFixW = nullptr;
    QLineEdit* edFixH = nullptr;
    QLineEdit* edFixD = nullptr;
    QComboBox* cbFixFill = nullptr;
    QComboBox* cbFixEdge = nullptr;
    QPushButton* Button3 = nullptr;
    QFrame* Swatch = nullptr;
    QPushButton* bAddNewFixture = nullptr;
    QPushButton* bUpdateFixture = nullptr;
    QGroupBox* gbPegs = nullptr;
    QLineEdit* ed1PegTop = nullptr;
    QLineEdit* ed1PegLeft = nullptr;
    QLineEdit* ed1PegRight = nullptr;
    QLineEdit* ed1PegBottom = nullptr;
    QLineEdit* edVPegSpace = nullptr;
    QLineEdit* edHPegSpace = nullptr;
    QLineEdit* edPegRad = nullptr;
    QGroupBox* gbTextBox = nullptr;
    QComboBox* cbTextLine = nullptr;
    QComboBox* cbTxtAlign = nullptr;
    QPushButton* Button4 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    StringGridView* GridPView = nullptr;
    QWidget* imProduct = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* sbOpenDataFile = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* comUpdate = nullptr;
    QLabel* lbCat1 = nullptr;
    StringGridView* GridLView = nullptr;
    QLabel* imLayout = nullptr;
    StringGridView* GridBView = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QPushButton* Button1 = nullptr;
    QComboBox* cbRankBy = nullptr;
    QLineEdit* edBestHeight = nullptr;
    QLabel* lbUnits = nullptr;
    QCheckBox* ckAutoAddShelf = nullptr;
    QPushButton* Button2 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QPushButton* bClearAllBuilderList = nullptr;
    StringGridView* GridAView = nullptr;

    // What the product preview shows: the picture, or an empty picture with an icon and a text.
    TBitmap preview;
    std::string previewNotice;
    bool previewQuestion = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakeFixturesTab();
    QWidget* MakeProductsTab();
    QWidget* MakeLayoutTab();
    QWidget* MakeBuilderTab();
    void ConnectFixtureControls();
    void ShowSwatch();
    void ShowPreviewNotice(const std::string& text, bool question);
    void ShowPicture(const std::string& picture);
    // Decodes the picture waiting for the preview, at the preview's size, once the events of this turn
    // are done and only when the preview shows.
    void QueuePreview();
    void LoadPreview();
    void PaintProduct(QPainter& painter);
    bool DeleteKey(QObject* watched);
    // The builder's host: the product grid finds, the main window places.
    std::optional<SelectorProduct> FindProduct(const std::string& partNumber) override;
    bool AddCurrentProduct(int x, int y) override;
    int DisplayHeight() const override;
    bool RefreshDisplay() override;

    SelectorHost& host_;
    TfrmFilter* filter_ = nullptr;
    TBitmap layout_;
    // The picture file the preview is to show, until it is decoded; whether its decoding is queued.
    std::string previewFile_;
    bool previewQueued_ = false;
    TColor color_ = 0;
    TFont font_;
};
