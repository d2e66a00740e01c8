#pragma once

#include "app/PictureEditor.h"

#include <QMainWindow>

#include <memory>
#include <string>

class CatalogManager;
class DrawingSettings;
class PictureFinder;
class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QPainter;
class QPlainTextEdit;
class QScrollArea;
class QToolBar;
class QToolButton;
class TEditorProgressBar;
class TEnhTwain;

// The picture editor's window: the picture in a scrolling view, the File, Edit and Picture menus and
// the tool bars. Callers make it hidden, prepare it through OpenPicture, SetCatalogLink and the
// model's capture flag and product values, and show it modally; it frees itself when closed.
class Tpicdoc : public QMainWindow {
    Q_OBJECT

public:
    Tpicdoc(PictureFinder& finder, const DrawingSettings& settings, QWidget* parent = nullptr);
    ~Tpicdoc() override;

    bool OpenPicture(const std::string& path);
    // Starts a scan with the scanner's dialog; the picture arrives later through EnhTwain1Capture.
    // False when the scan could not be started, or when scanning is not available, which it says.
    bool ScanPicture();
    void SetCatalogLink(CatalogManager& catalog, int column, const std::string& partNumber);

    void FormShow();
    // False keeps the window open.
    bool FormCloseQuery();
    void FormClose();
    void FormKeyDown();
    void FormKeyUp();
    void PaintBox1Paint(QPainter& painter);
    // The mouse in paint box pixels; the model is given picture pixels.
    void PaintBox1MouseDown(QMouseEvent& event);
    void PaintBox1MouseMove(QMouseEvent& event);
    void PaintBox1MouseUp(QMouseEvent& event);
    void aDrawCropExecute();
    void aDrawDotsExecute();
    void aConnectCurvesExecute();
    void aConnectStraightExecute();
    void aRemoveBGExecute();
    void bAddClick();
    void aOpenExecute();
    void aSaveExecute();
    void aSaveAsExecute();
    void aOptimizeExecute();
    void aScanExecute();
    void aSelectScannerExecute();
    void EnhTwain1Capture();
    void aZoomInExecute();
    void aZoomOutExecute();
    void aUndoExecute();
    void File1Click();
    void Edit1Click();
    void Photo1Click();
    void OptimizeSize1Click();

    PictureEditor model;
    std::unique_ptr<TEnhTwain> EnhTwain1;
    FileDialogOptions OpenPictureDialog1;

    QScrollArea* ScrollBox1;
    QWidget* PaintBox1;
    TEditorProgressBar* ProgressBar1;
    QFrame* pInfo;
    QPlainTextEdit* mMsg;

    QToolBar* ToolBar1;
    QToolBar* EditBar;
    QToolBar* InfoBar;
    QToolBar* CatalogBar;
    QToolButton* tbCropDraw;
    QToolButton* sbDrawDots;
    QToolButton* sbZoomArea;
    QToolButton* sbCurves;
    QToolButton* sbLines;
    QToolButton* sbRemoveBG;
    QLineEdit* edIndex;
    QLineEdit* edDescription;
    QLineEdit* edW;
    QLineEdit* edH;
    QLineEdit* edPegX;
    QLineEdit* edPegY;
    QToolButton* bAdd;
    QToolButton* tbCropDraw2;
    QToolButton* tbMeasure;
    QToolButton* tbPegXY;

    // File.
    QAction* aOpen;
    QAction* aSave;
    QAction* aSaveAs;
    QAction* aClose;
    QAction* aScan;
    QAction* aSelectScanner;
    QAction* aOptimize;
    // Picture.
    QAction* aDrawCrop;
    QAction* aDrawDots;
    QAction* aConnectStraight;
    QAction* aConnectCurves;
    QAction* aRemoveBG;
    QAction* aZoomIn;
    QAction* aZoomOut;
    QAction* aDrawZoom;
    // Edit.
    QAction* aUndo;
    QAction* aTransColor;
    QAction* aCopyPic;
    QAction* Cut1;
    QAction* Paste1;

    QMenu* File1;
    QAction* New1;
    QMenu* Edit1;
    QMenu* Photo1;
    QMenu* Rotate1;
    QAction* OptimizeSize1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateInfoBar();
    void CreateCatalogBar();
    void CreateClientArea();
    void CreateScanner();
    void ConnectCommands();
    void ConnectTools();
    // A tool button pressed or released: it goes down alone in its group.
    void ChooseTool(PictureTool tool, bool down);
    // The tool buttons, the cursor, the info bar and the capture hint as the model has them.
    void ShowTools();
    void GoOnToCaptureCrop();
    void PaintOverlays(QPainter& painter);
    // The view's size for fitting, and the paint box at the picture's zoomed size.
    void TakeClientSize();
    void ShowPicture();
    void EnableCommands();
    bool OwnsWidget(QObject* object) const;
    // The window deactivated, or a menu or other popup shown: key releases go elsewhere from then on.
    bool TakesTheKeysAway(QObject* watched, QEvent* event) const;
    // Asks the save question before a changed picture is replaced; false keeps it.
    bool MayReplacePicture();
    // Without SANE the scanner commands say so; false then.
    bool ScanningAvailable();

    const DrawingSettings& settings_;
};
