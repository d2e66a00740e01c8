#include "app/HelpWindow.h"

#include "app/Hh_funcs.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/UiServices.h"
#include "platform/services/ChmArchive.h"
#include "platform/services/Desktop.h"

#include <QAction>
#include <QFileInfo>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <map>

namespace {

// The scheme of the archive's own pages inside the browser, so that relative links and pictures
// resolve against the topic shown.
const QString ArchiveScheme = QStringLiteral("its");

QUrl TopicUrl(std::string_view topic)
{
    QUrl url;
    url.setScheme(ArchiveScheme);
    const std::string_view::size_type hash = topic.find('#');
    url.setPath(QString::fromUtf8(topic.substr(0, hash).data(), static_cast<qsizetype>(topic.substr(0, hash).size())));
    if (hash != std::string_view::npos)
        url.setFragment(
            QString::fromUtf8(topic.substr(hash + 1).data(), static_cast<qsizetype>(topic.size() - hash - 1)));
    return url;
}

std::string TopicOf(const QUrl& url)
{
    std::string topic = url.path().toStdString();
    if (url.hasFragment())
        topic += "#" + url.fragment().toStdString();
    return topic;
}

bool IsExternal(const QString& scheme)
{
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("mailto");
}

std::string Lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::map<std::string, std::unique_ptr<THelpWindow>>& Windows()
{
    static std::map<std::string, std::unique_ptr<THelpWindow>> windows;
    return windows;
}

// One window per file, whatever path names it.
std::string WindowKey(const std::string& file)
{
    const QString canonical = QFileInfo(PathToQString(file)).canonicalFilePath();
    return canonical.isEmpty() ? file : PathFromQString(canonical);
}

} // namespace

HelpLink ResolveHelpLink(std::string_view currentTopic, std::string_view link)
{
    const std::string lower = Lowered(link);
    if (lower.starts_with("ms-its:") || lower.starts_with("mk:@msitstore:") ||
        link.find("::") != std::string_view::npos) {
        std::string topic = SplitHhPath(link).topic;
        if (!topic.empty() && topic.front() != '/')
            topic.insert(0, "/");
        return {HelpLink::Kind::Topic, topic};
    }
    const QUrl url(QString::fromUtf8(link.data(), static_cast<qsizetype>(link.size())));
    if (IsExternal(url.scheme().toLower()))
        return {HelpLink::Kind::External, std::string(link)};
    return {HelpLink::Kind::Topic, TopicOf(TopicUrl(currentTopic).resolved(url))};
}

THelpBrowser::THelpBrowser(const ChmArchive& archive, QWidget* parent) : QTextBrowser(parent), archive_(archive)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant THelpBrowser::loadResource(int, const QUrl& name)
{
    const std::string current = source().path().toStdString();
    const HelpLink link = name.scheme() == ArchiveScheme ? HelpLink{HelpLink::Kind::Topic, name.path().toStdString()}
                                                         : ResolveHelpLink(current, name.toString().toStdString());
    if (link.kind != HelpLink::Kind::Topic)
        return {};
    const std::optional<std::string> bytes = archive_.Object(link.target.substr(0, link.target.find('#')));
    if (!bytes)
        return {};
    return QByteArray(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

THelpWindow::THelpWindow(std::unique_ptr<ChmArchive> archive, QWidget* parent)
    : QWidget(parent, Qt::Window), archive_(std::move(archive))
{
    setObjectName("THelpWindow");
    setWindowTitle(toQString(archive_->System().title));
    resize(900, 650);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toolBar = new QToolBar(this);
    Back = toolBar->addAction("Back");
    Forward = toolBar->addAction("Forward");
    Home = toolBar->addAction("Home");
    layout->addWidget(toolBar);
    auto* splitter = new QSplitter(this);
    tvContents = new QTreeWidget(splitter);
    tvContents->setObjectName("tvContents");
    tvContents->setHeaderHidden(true);
    Browser = new THelpBrowser(*archive_, splitter);
    Browser->setObjectName("Browser");
    splitter->setStretchFactor(1, 3);
    layout->addWidget(splitter, 1);
    for (const HelpTopicNode& node : archive_->Contents())
        AddContents(nullptr, node);
    tvContents->expandAll();
    Back->setEnabled(false);
    Forward->setEnabled(false);
    connect(Back, &QAction::triggered, Browser, &QTextBrowser::backward);
    connect(Forward, &QAction::triggered, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, Back, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, Forward, &QAction::setEnabled);
    connect(Home, &QAction::triggered, this, ShowingErrors(this, &THelpWindow::HomeClick));
    connect(Browser, &QTextBrowser::anchorClicked, this, ShowingErrors(this, &THelpWindow::BrowserAnchorClicked));
    connect(tvContents, &QTreeWidget::itemActivated, this, ShowingErrors(this, &THelpWindow::ContentsItemClicked));
    connect(tvContents, &QTreeWidget::itemClicked, this, ShowingErrors(this, &THelpWindow::ContentsItemClicked));
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::AddContents(QTreeWidgetItem* parent, const HelpTopicNode& node)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvContents);
    item->setText(0, toQString(node.name));
    item->setData(0, Qt::UserRole, QString::fromStdString(node.local));
    for (const HelpTopicNode& child : node.children)
        AddContents(item, child);
}

void THelpWindow::ContentsItemClicked(QTreeWidgetItem* item)
{
    const std::string local = item->data(0, Qt::UserRole).toString().toStdString();
    if (!local.empty())
        BrowserAnchorClicked(QUrl(QString::fromStdString(local)));
}

void THelpWindow::ShowContext(std::uint32_t context) { ShowTopic(archive_->TopicForContext(context)); }

void THelpWindow::ShowTopic(const std::string& topic) { Browser->setSource(TopicUrl(topic)); }

std::string THelpWindow::CurrentTopic() const { return Browser->source().path().toStdString(); }

void THelpWindow::BrowserAnchorClicked(const QUrl& link)
{
    // Contents entries are relative to the archive's root, links to the topic that holds them.
    const std::string current = CurrentTopic().empty() ? "/" : CurrentTopic();
    const HelpLink target = ResolveHelpLink(current, link.toString().toStdString());
    if (target.kind == HelpLink::Kind::External)
        Desktop().Open(target.target);
    else if (target.target.empty())
        HomeClick();
    else
        ShowTopic(target.target);
}

void THelpWindow::HomeClick() { ShowTopic(archive_->DefaultTopicPath()); }

THelpWindow* OpenHelpWindow(const std::string& helpPath)
{
    const auto found = Windows().find(WindowKey(SplitHhPath(helpPath).file));
    return found == Windows().end() ? nullptr : found->second.get();
}

THelpWindow* ShowHelpContext(const std::string& helpPath, std::uint32_t context)
{
    const std::string file = SplitHhPath(helpPath).file;
    THelpWindow* window = OpenHelpWindow(helpPath);
    if (window == nullptr) {
        try {
            auto archive = std::make_unique<ChmArchive>(HelpEngine(), file);
            auto made = std::make_unique<THelpWindow>(std::move(archive));
            window = made.get();
            Windows()[WindowKey(file)] = std::move(made);
        } catch (const EHelpFileError&) {
            Ui().MessageBox("Could not open the help file " + file, ApplicationTitle, MsgButtons::OK,
                            MsgIcon::Exclamation);
            return nullptr;
        }
    }
    window->ShowContext(context);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CloseAllHelpWindows() { Windows().clear(); }
