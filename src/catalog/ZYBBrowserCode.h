#pragma once

#include "catalog/Zyb.h"
#include "platform/graphics/Bitmap.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;

// Lists the pictures of a multi-image collection file and shows the one clicked.
class TZYBBrowser : public QDialog {
    Q_OBJECT

public:
    explicit TZYBBrowser(QWidget* parent = nullptr);
    ~TZYBBrowser() override;

    // The collection to show; when none is set, showing the window asks for one.
    const std::string& CollectionPath() const { return collectionPath; }
    void SetCollectionPath(const std::string& path) { collectionPath = path; }

    void FormShow();
    void ImagesListClick();
    void FormClose();

    QLabel* Label1;
    QListWidget* ImagesList;
    QScrollArea* ScrollBox1;
    QLabel* Image1;
    QPushButton* Button1;

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::string collectionPath;
    std::unique_ptr<ZybFile> zybFile;
    TBitmap picture;
};
