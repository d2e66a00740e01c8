#pragma once

#include <QTextBrowser>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class ChmArchive;
class QAction;
class QTreeWidget;
class QTreeWidgetItem;
struct HelpTopicNode;

// Where a link in a help topic leads: a topic of the same file (an archive path, possibly with a
// "#fragment"; empty for the default topic) or an address for the desktop.
struct HelpLink {
    enum class Kind { Topic, External };
    Kind kind = Kind::Topic;
    std::string target;
};
// Relative links resolve against `currentTopic` ("/pages/two.html"); "ms-its:", "mk:@MSITStore:"
// and "file::/topic>window" name a topic directly; http, https and mailto go outside.
HelpLink ResolveHelpLink(std::string_view currentTopic, std::string_view link);

// The text browser of the help window: pages and pictures come from the archive.
class THelpBrowser : public QTextBrowser {
public:
    THelpBrowser(const ChmArchive& archive, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

private:
    const ChmArchive& archive_;
};

// The help window of one help file: the contents tree beside the topic, with Back, Forward and
// Home (the default topic).
class THelpWindow : public QWidget {
    Q_OBJECT

public:
    THelpWindow(std::unique_ptr<ChmArchive> archive, QWidget* parent = nullptr);
    ~THelpWindow() override;

    void ShowContext(std::uint32_t context);
    // Shows the topic at an archive path ("/index.html", with an optional "#fragment").
    void ShowTopic(const std::string& topic);
    // The archive path of the topic shown, without fragment.
    std::string CurrentTopic() const;
    // A link clicked in the topic: topics open here, addresses go to the desktop.
    void BrowserAnchorClicked(const QUrl& link);
    void HomeClick();
    const ChmArchive& Archive() const { return *archive_; }

    QAction* Back;
    QAction* Forward;
    QAction* Home;
    QTreeWidget* tvContents;
    THelpBrowser* Browser;

private:
    void AddContents(QTreeWidgetItem* parent, const HelpTopicNode& node);
    void ContentsItemClicked(QTreeWidgetItem* item);

    std::unique_ptr<ChmArchive> archive_;
};

// Shows the topic of `context` in the window of the help file a help path names, making that
// window when the file has none yet; shown, raised and activated. A file that cannot be opened is
// reported ("Could not open the help file " + path) and gives nothing.
THelpWindow* ShowHelpContext(const std::string& helpPath, std::uint32_t context);
// The window already open for a help path's file, if any.
THelpWindow* OpenHelpWindow(const std::string& helpPath);
void CloseAllHelpWindows();
