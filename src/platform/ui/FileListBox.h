#pragma once

#include <string>
#include <string_view>
#include <vector>

// The class library's file list box as a model without a window: the plain files of one folder that
// match a mask, sorted without regard to case, and the selected one. FileListBoxView shows it.
class TFileListBox {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void ItemsChanged() = 0;
        virtual void ItemIndexChanged() = 0;
    };

    TFileListBox() = default;
    TFileListBox(const TFileListBox&) = delete;
    TFileListBox& operator=(const TFileListBox&) = delete;

    // The folder, without a final delimiter; setting it lists it anew.
    const std::string& Directory() const { return directory_; }
    void SetDirectory(std::string_view directory);
    // Masks separated by ";", such as "*.vdx;*.did;*.ctf;*.ddl"; "*.*" by default.
    const std::string& Mask() const { return mask_; }
    void SetMask(std::string_view mask);
    // Lists the folder again.
    void Update();

    const std::vector<std::string>& Items() const { return items_; }
    // -1 when no file is selected; anything outside the list selects none.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

    // The selected file's path, or empty.
    std::string FileName() const;
    // Shows the file's folder (when the name has one) and selects the file; a name the folder lacks
    // selects none. The name is found as written first, else without regard to case.
    void SetFileName(std::string_view fileName);

    void AddObserver(Observer* observer);
    void RemoveObserver(Observer* observer);

private:
    template <typename Call> void Notify(Call call);

    std::string directory_;
    std::string mask_ = "*.*";
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    std::vector<Observer*> observers_;
};
