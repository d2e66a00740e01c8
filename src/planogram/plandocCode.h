#pragma once

#include "planogram/DocumentView.h"

#include <QMetaObject>
#include <QWidget>

#include <memory>

class CatalogFinder;
class DocumentMainWindow;
class DocumentSelector;
class DocumentSetupDialog;
class PictureFinder;
class PlanogramDocument;
class QAction;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QFrame;
class QMdiSubWindow;
class QMenu;
class QPainter;
class QScrollArea;
class QTextEdit;

// The windows and services a document window's document works with; none is owned.
struct PlandocServices {
    DocumentMainWindow& mainWindow;
    DocumentSelector& selector;
    DocumentSetupDialog& setupDialog;
    CatalogFinder& catalogFinder;
    PictureFinder& pictureFinder;
};

// The planogram document window, an MDI child: it owns one planogram document and shows its back
// bitmap in the paint box outWall at the zoom, with the rulers above and beside it following the
// scrolling, and the selection frame painted over it. Everything else is the document's; the window
// reaches the main window and the selector only through the document's interfaces.
//
// The main window puts it into a QMdiSubWindow, shows it and then sets the document up (NewDocument
// or the open path), so that the settings FormShow reads come before the file's. Activating the
// subwindow runs FormActivate; closing it runs FormCloseQuery and FormClose, and a closed window is
// freed.
class Tplandoc : public QWidget, private DocumentView {
    Q_OBJECT

public:
    explicit Tplandoc(const PlandocServices& services, QWidget* parent = nullptr);
    ~Tplandoc() override;

    PlanogramDocument& Document() { return *document; }

    // Takes the tag font and colour and the options of the settings store; only the first showing
    // does, a restored window keeps what the user changed since.
    void FormShow();
    void FormActivate();
    // True when the window may close: no unsaved changes, the user declined to save, or the save
    // of this document succeeded.
    bool FormCloseQuery();
    // Closes the window without asking again: its close query has already been answered.
    void CloseAgreed();
    void FormClose();
    void FormDestroy();

    void outWallPaint(QPainter& painter, const QRect& exposed);

    // The popup menu: its items are enabled for the current item as it opens.
    void PopupMenu1Popup();
    void Delete1Click();
    void Cut1Click();
    void Copy1Click();
    void Duplicate1Click();
    void SendtoFront1Click();
    void SendtoBack1Click();
    void SetColor1Click();
    void ClearPlacementBoxColor1Click();
    void SetCustomTagText1Click();
    void ProductDetails1Click();
    void SetZoom(double factor);
    void FitToWindow();
    // Prints the wall on one page of the program's printer, scaled to fit and centred.
    void PrintPlanogram();

    // The caption the user sees: the subwindow's, or the window's own outside an MDI area.
    QString Caption() const;

    QScrollArea* ScrollBox1;
    QWidget* outWall;
    QFrame* Panel1;
    QWidget* yRuler;
    QFrame* Panel3;
    QFrame* xPanel;
    QWidget* xRuler;
    QTextEdit* RichEdit1;
    QMenu* PopupMenu1;
    QAction* Delete1;
    QAction* Cut1;
    QAction* Copy1;
    QAction* Duplicate1;
    QAction* SendtoFront1;
    QAction* SendtoBack1;
    QAction* SetCustomTagText1;
    QAction* SetColor1;
    QAction* ClearPlacementBoxColor1;
    QAction* ProductDetails1;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A drag of the selector's product over and onto the wall; other drags pass on (a dropped
    // planogram file reaches the main window).
    bool outWallDragOver(QDragMoveEvent& event);
    bool outWallDragDrop(QDropEvent& event);
    // The mouse on the wall, at window pixels of the wall.
    void outWallMouseDown(QMouseEvent& event);
    void outWallMouseMove(QMouseEvent& event);
    void outWallMouseUp(QMouseEvent& event);
    void changeEvent(QEvent* event) override;
    // Delete and the arrows act on the selection; the wall does not scroll with them.
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool AcceptsProductDrop(const QDropEvent& event) const;
    ViewGeometry Geometry() const override;
    void WallChanged() override;
    void InvalidateWindowRect(const TRect& rect) override;
    void ZoomChanged() override;
    void SizeWindowToWall() override;
    void ShowWall() override;
    bool TextEditorShown() const override;
    void ShowTextEditor(const TextEditorSetup& setup) override;
    TextEditorContents TakeTextEditor() override;

    void MakeComponents();
    void MakePopupMenu();
    void LayOutRulers();
    void PaintRuler(QPainter& painter, const QRect& exposed, bool horizontal);
    void PaintFrames(QPainter& painter);
    QMdiSubWindow* SubWindow() const;
    void WatchSubWindow();

    std::unique_ptr<PlanogramDocument> document;
    bool settingsTaken_ = false;
    bool closeAgreed_ = false;
    QMdiSubWindow* watchedSubWindow_ = nullptr;
    QMetaObject::Connection activation_;
};
