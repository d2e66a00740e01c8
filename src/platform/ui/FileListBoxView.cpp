#include "platform/ui/FileListBoxView.h"

#include "platform/core/FilePaths.h"

FileListBoxView::FileListBoxView(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    files_.AddObserver(this);
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!following_)
            files_.SetItemIndex(row);
    });
    ItemsChanged();
}

FileListBoxView::~FileListBoxView() { files_.RemoveObserver(this); }

void FileListBoxView::ItemsChanged()
{
    following_ = true;
    clear();
    for (const std::string& name : files_.Items())
        addItem(PathToQString(name));
    following_ = false;
    ItemIndexChanged();
}

void FileListBoxView::ItemIndexChanged()
{
    following_ = true;
    setCurrentRow(files_.ItemIndex());
    following_ = false;
}
