#pragma once

#include "platform/ui/FileListBox.h"

#include <QListWidget>

// A window's file list box: a list widget showing its own TFileListBox and keeping the selection of
// both in step.
class FileListBoxView : public QListWidget, private TFileListBox::Observer {
    Q_OBJECT

public:
    explicit FileListBoxView(QWidget* parent = nullptr);
    ~FileListBoxView() override;

    TFileListBox& Files() { return files_; }

private:
    void ItemsChanged() override;
    void ItemIndexChanged() override;

    TFileListBox files_;
    bool following_ = false;
};
