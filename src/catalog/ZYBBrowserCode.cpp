#include "catalog/ZYBBrowserCode.h"

#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/core/UiServices.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

TZYBBrowser::TZYBBrowser(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(toQString("Corvandel Multiple Image Browser"));
    Label1 = new QLabel(toQString("Available Images:"), this);
    ImagesList = new QListWidget(this);
    Image1 = new QLabel;
    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setWidget(Image1);
    Button1 = new QPushButton(toQString("&Ok"), this);

    auto* names = new QVBoxLayout;
    names->addWidget(Label1);
    names->addWidget(ImagesList);
    auto* body = new QHBoxLayout;
    body->addLayout(names);
    body->addWidget(ScrollBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(ImagesList, &QListWidget::itemClicked, this, [this] { ImagesListClick(); });
}

TZYBBrowser::~TZYBBrowser() = default;

void TZYBBrowser::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TZYBBrowser::FormShow()
{
    zybFile = std::make_unique<ZybFile>();
    if (collectionPath.empty()) {
        FileDialogOptions options;
        options.filter = "Corvandel Multi Image (*.zyb)|*.zyb";
        options.defaultExt = "zyb";
        const auto chosen = Ui().OpenDialog(options);
        if (!chosen) {
            // Closing from within showing would leave the window half shown.
            QTimer::singleShot(0, this, &QDialog::reject);
            return;
        }
        collectionPath = chosen->fileName;
    }
    TStringList names;
    zybFile->ListImages(collectionPath, names);
    ImagesList->clear();
    for (int i = 0; i < names.Count(); ++i)
        ImagesList->addItem(toQString(names[i]));
}

void TZYBBrowser::ImagesListClick()
{
    const QListWidgetItem* item = ImagesList->currentItem();
    if (!item || !zybFile)
        return;
    if (!zybFile->ReadImage(collectionPath, fromQString(item->text()), picture, 1))
        return;
    Image1->setPixmap(QPixmap::fromImage(picture.ImageView()));
    Image1->adjustSize();
}

void TZYBBrowser::FormClose()
{
    collectionPath.clear();
    zybFile.reset();
    Image1->clear();
    picture.SetSize(0, 0);
}

void TZYBBrowser::done(int result)
{
    FormClose();
    QDialog::done(result);
}
