#include "planogram/plandocCode.h"

#include "planogram/DocumentMainWindow.h"
#include "planogram/PlanogramDocument.h"
#include "planogram/ProductDrag.h"
#include "platform/core/CodePage.h"
#include "platform/core/UiServices.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/Application.h"

#include <QCloseEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextEdit>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>

namespace {

// The corner panel's side and the thickness of the ruler panels around the wall.
constexpr int RulerPanelSize = 17;
constexpr int HandleSize = 7;

// A surface whose owner paints it, as the class library's paint box and image are.
class PaintBox : public QWidget {
public:
    using Painter = std::function<void(QPainter&, const QRect&)>;

    PaintBox(QWidget* parent, Painter painter) : QWidget(parent), painter_(std::move(painter)) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter_(painter, event->rect());
    }

private:
    Painter painter_;
};

QFrame* Panel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    return panel;
}

QRect ToQRect(const TRect& rect) { return QRect(rect.Left, rect.Top, rect.Width(), rect.Height()); }

// A document rectangle on the paint box at the zoom.
QRect OnScreen(const TRect& rect, const ZoomClass& zoom)
{
    const int left = zoom.ToScreen(rect.Left), top = zoom.ToScreen(rect.Top);
    return QRect(left, top, zoom.ToScreen(rect.Right) - left, zoom.ToScreen(rect.Bottom) - top);
}

// Inverts where it draws, when the device can; a device that cannot gets black instead.
QColor InvertingInk(QPainter& painter)
{
    if (painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        return Qt::white;
    }
    return Qt::black;
}

// The dotted frame of a focus rectangle just inside the area.
void DrawFocusFrame(QPainter& painter, const QRect& area, const QColor& ink)
{
    QPen pen(ink);
    pen.setWidth(0);
    pen.setDashPattern({1, 1});
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

void DrawHandles(QPainter& painter, const QRect& area, const QColor& ink)
{
    const int right = area.left() + area.width(), bottom = area.top() + area.height();
    for (const QPoint corner :
         {QPoint(area.left(), area.top()), QPoint(right - HandleSize, area.top()),
          QPoint(area.left(), bottom - HandleSize), QPoint(right - HandleSize, bottom - HandleSize)})
        painter.fillRect(QRect(corner, QSize(HandleSize, HandleSize)), ink);
}

TPoint WallPoint(const QMouseEvent& event)
{
    const QPoint at = event.position().toPoint();
    return Point(at.x(), at.y());
}

QFont EditorFont(const TFont& font)
{
    QFont editorFont(toQString(font.Name), font.Size());
    editorFont.setBold((font.Style & fsBold) != 0);
    editorFont.setItalic((font.Style & fsItalic) != 0);
    editorFont.setUnderline((font.Style & fsUnderline) != 0);
    editorFont.setStrikeOut((font.Style & fsStrikeOut) != 0);
    return editorFont;
}

// The keys the document knows, by their Windows codes.
int WindowsKeyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    default:
        return 0;
    }
}

MouseButton ButtonOf(const QMouseEvent& event)
{
    switch (event.button()) {
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return MouseButton::Left;
    }
}

} // namespace

Tplandoc::Tplandoc(const PlandocServices& services, QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("plandoc"));
    resize(291, 320);
    MakeComponents();
    MakePopupMenu();
    document = std::make_unique<PlanogramDocument>(DocumentServices{services.mainWindow, services.selector,
                                                                    services.setupDialog, *this, services.catalogFinder,
                                                                    services.pictureFinder});
}

Tplandoc::~Tplandoc() { FormDestroy(); }

void Tplandoc::MakeComponents()
{
    Panel3 = Panel(this);
    Panel3->setFixedSize(RulerPanelSize, RulerPanelSize);
    xPanel = Panel(this);
    xPanel->setFixedHeight(RulerPanelSize);
    Panel1 = Panel(this);
    Panel1->setFixedWidth(RulerPanelSize);
    xRuler =
        new PaintBox(xPanel, [this](QPainter& painter, const QRect& exposed) { PaintRuler(painter, exposed, true); });
    yRuler =
        new PaintBox(Panel1, [this](QPainter& painter, const QRect& exposed) { PaintRuler(painter, exposed, false); });

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    // The window takes the keys: the arrows nudge the selection instead of scrolling the wall.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::ClickFocus);
    outWall =
        new PaintBox(nullptr, [this](QPainter& painter, const QRect& exposed) { outWallPaint(painter, exposed); });
    ScrollBox1->setWidget(outWall);
    outWall->hide();
    outWall->setAcceptDrops(true);
    outWall->installEventFilter(this);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel3, 0, 0);
    layout->addWidget(xPanel, 0, 1);
    layout->addWidget(Panel1, 1, 0);
    layout->addWidget(ScrollBox1, 1, 1);

    // Typed in place over the wall: it lives on the wall, in its pixels.
    RichEdit1 = new QTextEdit(outWall);
    RichEdit1->hide();
    outWall->setMouseTracking(true);
}

void Tplandoc::MakePopupMenu()
{
    PopupMenu1 = new QMenu(this);
    const auto item = [this](const char* caption, void (Tplandoc::*handler)()) {
        QAction* action = PopupMenu1->addAction(toQString(caption));
        // Enabled for the current item as the menu opens.
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, ShowingErrors(this, handler));
        return action;
    };
    Delete1 = item("Delete", &Tplandoc::Delete1Click);
    Cut1 = item("Cut", &Tplandoc::Cut1Click);
    Copy1 = item("Copy", &Tplandoc::Copy1Click);
    Duplicate1 = item("Duplicate", &Tplandoc::Duplicate1Click);
    PopupMenu1->addSeparator();
    SendtoFront1 = item("Send to Front", &Tplandoc::SendtoFront1Click);
    SendtoBack1 = item("Send to Back", &Tplandoc::SendtoBack1Click);
    PopupMenu1->addSeparator();
    SetCustomTagText1 = item("Set Custom Tag Text", &Tplandoc::SetCustomTagText1Click);
    PopupMenu1->addSeparator();
    SetColor1 = item("Set Placement Box Color", &Tplandoc::SetColor1Click);
    ClearPlacementBoxColor1 = item("Clear Placement Box Color", &Tplandoc::ClearPlacementBoxColor1Click);
    PopupMenu1->addSeparator();
    ProductDetails1 = item("Product Details", &Tplandoc::ProductDetails1Click);
    connect(PopupMenu1, &QMenu::aboutToShow, this, ShowingErrors(this, &Tplandoc::PopupMenu1Popup));
}

void Tplandoc::PopupMenu1Popup()
{
    const ListOB* current = document->items ? document->items->current : nullptr;
    for (QAction* action : {Delete1, Cut1, Copy1, Duplicate1, SendtoFront1, SendtoBack1, ProductDetails1})
        action->setEnabled(current != nullptr);
    SetColor1->setEnabled(current && document->graphics.viewMode);
    SetCustomTagText1->setEnabled(current != nullptr);
    ClearPlacementBoxColor1->setEnabled(current && current->manualcolor);
}

void Tplandoc::Delete1Click() { document->RemoveCurrent(); }

void Tplandoc::Cut1Click()
{
    document->CopyCurrent();
    document->RemoveCurrent();
}

void Tplandoc::Copy1Click() { document->CopyCurrent(); }

void Tplandoc::ProductDetails1Click() { document->services.mainWindow.ShowProductDetails(); }

void Tplandoc::Duplicate1Click() { document->Duplicate(); }

void Tplandoc::SendtoFront1Click() { document->SendCurrentToFront(); }

void Tplandoc::SendtoBack1Click() { document->SendCurrentToBack(); }

void Tplandoc::SetColor1Click()
{
    if (const std::optional<TColor> color = document->services.mainWindow.PickTagColor())
        document->SetCurrentColor(*color);
}

void Tplandoc::ClearPlacementBoxColor1Click() { document->ClearCurrentColor(); }

void Tplandoc::SetCustomTagText1Click() { document->EnterCustomTag(); }

void Tplandoc::keyPressEvent(QKeyEvent* event)
{
    if (document && document->KeyDown(WindowsKeyCode(event->key()))) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Lifecycle

void Tplandoc::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FormShow();
}

void Tplandoc::FormShow()
{
    if (settingsTaken_)
        return;
    settingsTaken_ = true;
    document->TakeShowSettings(SettingsStore());
}

bool Tplandoc::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        WatchSubWindow();
    return QWidget::event(event);
}

QMdiSubWindow* Tplandoc::SubWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void Tplandoc::WatchSubWindow()
{
    QMdiSubWindow* subWindow = SubWindow();
    if (subWindow == watchedSubWindow_)
        return;
    disconnect(activation_);
    watchedSubWindow_ = subWindow;
    if (!subWindow)
        return;
    activation_ = connect(subWindow, &QMdiSubWindow::windowStateChanged, this,
                          ShowingErrors([this](Qt::WindowStates before, Qt::WindowStates now) {
                              if (!(before & Qt::WindowActive) && (now & Qt::WindowActive))
                                  FormActivate();
                          }));
}

void Tplandoc::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Outside an MDI area the window is a top-level one of its own.
    if (event->type() == QEvent::ActivationChange && !SubWindow() && isActiveWindow())
        FormActivate();
}

void Tplandoc::FormActivate()
{
    // A window not set up yet has nothing for the main window to follow.
    if (document->catalog)
        document->services.mainWindow.DocumentActivated(*document);
}

QString Tplandoc::Caption() const
{
    const QMdiSubWindow* subWindow = SubWindow();
    return subWindow ? subWindow->windowTitle() : windowTitle();
}

void Tplandoc::closeEvent(QCloseEvent* event)
{
    if (!closeAgreed_ && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void Tplandoc::CloseAgreed()
{
    closeAgreed_ = true;
    QWidget* frame = SubWindow();
    (frame ? frame : this)->close();
}

bool Tplandoc::FormCloseQuery()
{
    if (!document->modified)
        return true;
    const std::string text = "Do you wish to save changes to" + Caption().toStdString() + " before quiting?";
    switch (Ui().MessageBox(text, ApplicationTitle, MsgButtons::YesNoCancel, MsgIcon::Question)) {
    case MsgAnswer::Yes:
        return document->services.mainWindow.SaveDocument(*document);
    case MsgAnswer::No:
        return true;
    default:
        return false;
    }
}

void Tplandoc::FormClose()
{
    outWall->hide();
    document->services.mainWindow.DocumentClosed(*document);
    QWidget* frame = SubWindow();
    (frame ? frame : this)->setAttribute(Qt::WA_DeleteOnClose);
}

void Tplandoc::FormDestroy()
{
    // The document talks to this window as its view; it goes first.
    document.reset();
}

// Painting and zoom

void Tplandoc::outWallPaint(QPainter& painter, const QRect& exposed)
{
    if (!document || !document->catalog || document->zoom.factor == 0)
        return;
    TBitmap& back = document->backBitmap;
    if (back.Empty())
        return;
    const double zoom = document->zoom.Factor();
    const QRect wall(0, 0, document->zoom.ToScreen(back.Width()), document->zoom.ToScreen(back.Height()));
    const QRect area = exposed & wall;
    if (area.isEmpty())
        return;
    // Only the bitmap pixels under the exposed area are stretched; the device transform maps them
    // as a whole drawing would.
    const QImage image = back.ImageView();
    const QRect source =
        QRect(static_cast<int>(std::floor(area.left() / zoom)), static_cast<int>(std::floor(area.top() / zoom)),
              static_cast<int>(std::ceil(area.width() / zoom)) + 2,
              static_cast<int>(std::ceil(area.height() / zoom)) + 2) &
        image.rect();
    painter.save();
    painter.setClipRect(area);
    painter.scale(zoom, zoom);
    painter.drawImage(source.topLeft(), image, source);
    painter.restore();
    PaintFrames(painter);
}

void Tplandoc::PaintFrames(QPainter& painter)
{
    const ZoomClass& zoom = document->zoom;
    painter.save();
    const QColor ink = InvertingInk(painter);
    if (!document->selectionRect.IsEmpty()) {
        const QRect frame = OnScreen(document->selectionRect, zoom);
        DrawFocusFrame(painter, frame, ink);
        DrawHandles(painter, frame, ink);
    }
    if (!document->focusRect.IsEmpty())
        DrawFocusFrame(painter, OnScreen(document->focusRect, zoom), ink);
    painter.restore();
}

void Tplandoc::PaintRuler(QPainter& painter, const QRect& exposed, bool horizontal)
{
    painter.fillRect(exposed, palette().window());
    if (!document)
        return;
    const QImage image = horizontal ? document->xRuler.ImageView() : document->yRuler.ImageView();
    painter.drawImage(exposed.topLeft(), image, exposed);
}

void Tplandoc::SetZoom(double factor) { document->SetZoom(factor); }

void Tplandoc::FitToWindow() { document->FitToWindow(); }

// The document's view

ViewGeometry Tplandoc::Geometry() const
{
    ViewGeometry geometry;
    geometry.rulerWidth = Panel1->width();
    geometry.rulerHeight = xPanel->height();
    geometry.scrollX = ScrollBox1->horizontalScrollBar()->value();
    geometry.scrollY = ScrollBox1->verticalScrollBar()->value();
    const QSize room = ScrollBox1->maximumViewportSize();
    geometry.clientWidth = room.width();
    geometry.clientHeight = room.height();
    return geometry;
}

void Tplandoc::WallChanged() { outWall->update(); }

void Tplandoc::InvalidateWindowRect(const TRect& rect)
{
    outWall->update(ToQRect(rect).translated(outWall->mapFrom(this, QPoint(0, 0))));
}

void Tplandoc::ZoomChanged()
{
    const TBitmap& back = document->backBitmap;
    outWall->setFixedSize(document->zoom.ToScreen(back.Width()), document->zoom.ToScreen(back.Height()));
    xRuler->resize(document->xRuler.Width(), document->xRuler.Height());
    yRuler->resize(document->yRuler.Width(), document->yRuler.Height());
    LayOutRulers();
    xRuler->update();
    yRuler->update();
}

void Tplandoc::LayOutRulers()
{
    // Flush against the wall, so that their zero marks meet its corner wherever it is scrolled.
    xRuler->move(outWall->x(), RulerPanelSize - xRuler->height());
    yRuler->move(RulerPanelSize - yRuler->width(), outWall->y());
}

bool Tplandoc::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != outWall)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        LayOutRulers();
    // Qt drops the input of a disabled widget only after its filters have seen it: a wall blocked by a
    // window shown modally must take nothing here either.
    if (!outWall->isEnabled())
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)
        return outWallDragOver(*static_cast<QDragMoveEvent*>(event));
    if (event->type() == QEvent::Drop)
        return outWallDragDrop(*static_cast<QDropEvent*>(event));
    if (document) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            outWallMouseDown(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseMove:
            outWallMouseMove(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            outWallMouseUp(*static_cast<QMouseEvent*>(event));
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Tplandoc::AcceptsProductDrop(const QDropEvent& event) const
{
    // Only the active planogram takes a product: the selector shows the active one's catalog. While
    // the selector is dragged from, the main window is not the active one, so the area's current
    // window is asked.
    const QMdiSubWindow* subWindow = SubWindow();
    const QMdiArea* area = subWindow ? subWindow->mdiArea() : nullptr;
    const bool active = !area || area->currentSubWindow() == subWindow;
    return active && event.mimeData()->hasFormat(CatalogProductMimeType);
}

bool Tplandoc::outWallDragOver(QDragMoveEvent& event)
{
    if (!AcceptsProductDrop(event))
        return false;
    event.acceptProposedAction();
    return true;
}

bool Tplandoc::outWallDragDrop(QDropEvent& event)
{
    if (!AcceptsProductDrop(event))
        return false;
    event.acceptProposedAction();
    const QPoint at = event.position().toPoint();
    const TPoint point = document->zoom.ToDocument(Point(at.x(), at.y()));
    document->AddCatalogItem(point.X, point.Y);
    return true;
}

void Tplandoc::SizeWindowToWall()
{
    QMdiSubWindow* subWindow = SubWindow();
    QMdiArea* area = subWindow ? subWindow->mdiArea() : nullptr;
    // A window that follows the area's maximized state fills it whatever its wall.
    if (!area || subWindow->isMaximized())
        return;
    const QSize client = area->viewport()->size();
    const int width = std::min(Panel1->width() + document->displayWidth + 30, client.width());
    subWindow->resize(width, std::max(client.height() - 70, 0));
}

void Tplandoc::ShowWall() { outWall->show(); }

void Tplandoc::outWallMouseDown(QMouseEvent& event)
{
    const TPoint point = document->zoom.ToDocument(WallPoint(event));
    document->MouseDownAt(point.X, point.Y, ButtonOf(event));
    setFocus();
    if (event.button() == Qt::RightButton && document->selectedBox)
        PopupMenu1->popup(event.globalPosition().toPoint());
}

void Tplandoc::outWallMouseMove(QMouseEvent& event)
{
    outWall->setCursor(document->services.mainWindow.PointerToolDown() ? Qt::ArrowCursor : Qt::CrossCursor);
    const TPoint at = WallPoint(event);
    if (document->zoom.factor == 0 || at.X == 0 || at.Y == 0)
        return;
    const TPoint point = document->zoom.ToDocument(at);
    document->TrackMouseEdit(point.X, point.Y);
}

void Tplandoc::outWallMouseUp(QMouseEvent& event)
{
    if (document->zoom.factor == 0)
        return;
    const TPoint point = document->zoom.ToDocument(WallPoint(event));
    document->FinishMouseEdit(point.X, point.Y);
}

bool Tplandoc::TextEditorShown() const { return !RichEdit1->isHidden(); }

void Tplandoc::ShowTextEditor(const TextEditorSetup& setup)
{
    RichEdit1->setGeometry(ToQRect(setup.box));
    static constexpr Qt::Alignment Alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    RichEdit1->setAlignment(Alignments[std::clamp(setup.align, 0, 2)]);
    RichEdit1->setTextColor(ColorToQColor(setup.color));
    RichEdit1->setCurrentFont(EditorFont(setup.font));
    RichEdit1->setLineWrapMode(setup.wordWrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    RichEdit1->show();
    RichEdit1->setFocus();
}

TextEditorContents Tplandoc::TakeTextEditor()
{
    TextEditorContents contents;
    contents.text = fromQString(RichEdit1->toPlainText());
    contents.color = QColorToColor(RichEdit1->textColor());
    const QRect box = RichEdit1->geometry();
    contents.box = Rect(box.left(), box.top(), box.left() + box.width(), box.top() + box.height());
    RichEdit1->hide();
    RichEdit1->clear();
    return contents;
}
