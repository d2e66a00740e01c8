#include "platform/services/ChmArchive.h"

#include "platform/core/FilePaths.h"

#include <chm_lib.h>
#include <dlfcn.h>

#include <QFileInfo>
#include <QLibrary>

namespace {

using ChmOpen = chmFile* (*)(const char*);
using ChmClose = void (*)(chmFile*);
using ChmResolve = int (*)(chmFile*, const char*, chmUnitInfo*);
using ChmRetrieve = LONGINT64 (*)(chmFile*, chmUnitInfo*, unsigned char*, LONGUINT64, LONGINT64);
using ChmEnumerate = int (*)(chmFile*, int, CHM_ENUMERATOR, void*);

} // namespace

struct ChmEngine::Entries {
    ChmOpen open = nullptr;
    ChmClose close = nullptr;
    ChmResolve resolve = nullptr;
    ChmRetrieve retrieve = nullptr;
    ChmEnumerate enumerate = nullptr;

    bool Complete() const { return open && close && resolve && retrieve && enumerate; }
};

struct ChmEngine::Loaded {
    QLibrary library;
};

ChmEngine::ChmEngine() : entries_(std::make_unique<Entries>()) {}

ChmEngine::~ChmEngine() = default;

void ChmEngine::Load(std::string_view name, int version, const std::string& fallbackPath)
{
    Unload();
    auto loaded = std::make_unique<Loaded>();
    loaded->library.setFileNameAndVersion(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), version);
    if (!loaded->library.load()) {
        if (!FileExists(fallbackPath))
            return;
        loaded->library.setFileName(PathToQString(fallbackPath));
        if (!loaded->library.load())
            return;
    }
    QLibrary& library = loaded->library;
    entries_->open = reinterpret_cast<ChmOpen>(library.resolve("chm_open"));
    entries_->close = reinterpret_cast<ChmClose>(library.resolve("chm_close"));
    entries_->resolve = reinterpret_cast<ChmResolve>(library.resolve("chm_resolve_object"));
    entries_->retrieve = reinterpret_cast<ChmRetrieve>(library.resolve("chm_retrieve_object"));
    entries_->enumerate = reinterpret_cast<ChmEnumerate>(library.resolve("chm_enumerate"));
    loaded_ = std::move(loaded);
}

void ChmEngine::Unload()
{
    *entries_ = Entries();
    // Archives hold the library's code: they are all closed before the program unloads it.
    loaded_.reset();
}

bool ChmEngine::Installed() const { return loaded_ && entries_->Complete(); }

std::string ChmEngine::LibraryFile() const
{
    if (!Installed())
        return {};
    // The system's search found the file; the loader knows where.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(entries_->open), &info) == 0 || info.dli_fname == nullptr)
        return {};
    const QFileInfo file(QString::fromLocal8Bit(info.dli_fname));
    const QString resolved = file.canonicalFilePath();
    return PathFromQString(resolved.isEmpty() ? file.absoluteFilePath() : resolved);
}

ChmEngine& HelpEngine()
{
    static ChmEngine engine;
    return engine;
}

std::string FourPartVersion(std::string_view dotted)
{
    std::vector<std::string> numbers;
    while (!dotted.empty() && numbers.size() < 4) {
        const size_t dot = dotted.find('.');
        const std::string_view part = dotted.substr(0, dot);
        if (part.empty() || part.find_first_not_of("0123456789") != std::string_view::npos)
            break;
        numbers.emplace_back(part);
        dotted = dot == std::string_view::npos ? std::string_view() : dotted.substr(dot + 1);
    }
    while (numbers.size() < 4)
        numbers.emplace_back("0");
    return numbers[0] + "." + numbers[1] + "." + numbers[2] + "." + numbers[3];
}

std::string LibraryVersionText(std::string_view libraryFile)
{
    const std::string name = ExtractFileName(libraryFile);
    const size_t so = name.find(".so.");
    return FourPartVersion(so == std::string::npos ? std::string_view() : std::string_view(name).substr(so + 4));
}

ChmArchive::ChmArchive(const ChmEngine& engine, const std::string& path) : engine_(engine)
{
    if (!engine.Installed())
        throw EHelpFileError("The help engine is not loaded");
    file_ = engine.Api().open(path.c_str());
    if (file_ == nullptr)
        throw EHelpFileError("Could not open the help file " + path);
    try {
        system_ = ParseChmSystem(ObjectOrEmpty("/#SYSTEM"));
        contextMap_ = ParseChmContextMap(ObjectOrEmpty("/#IVB"), ObjectOrEmpty("/#STRINGS"));
        if (!system_.contentsFile.empty())
            contents_ = ParseHhcContents(ObjectOrEmpty(ExistingTopicPath(system_.contentsFile)));
    } catch (...) {
        engine.Api().close(file_);
        throw;
    }
}

ChmArchive::~ChmArchive()
{
    if (engine_.Installed())
        engine_.Api().close(file_);
}

std::optional<std::string> ChmArchive::Object(std::string_view path) const
{
    if (path.empty() || path.size() > MaxPathLength)
        return std::nullopt;
    const std::string name(path);
    chmUnitInfo unit{};
    if (engine_.Api().resolve(file_, name.c_str(), &unit) != CHM_RESOLVE_SUCCESS || unit.length > MaxObjectSize)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(unit.length), '\0');
    if (bytes.empty())
        return bytes;
    const LONGINT64 read = engine_.Api().retrieve(file_, &unit, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                                  static_cast<LONGINT64>(bytes.size()));
    if (read != static_cast<LONGINT64>(bytes.size()))
        return std::nullopt;
    return bytes;
}

bool ChmArchive::HasObject(std::string_view path) const
{
    if (path.empty() || path.size() > MaxPathLength)
        return false;
    const std::string name(path);
    chmUnitInfo unit{};
    return engine_.Api().resolve(file_, name.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

std::string ChmArchive::ObjectOrEmpty(std::string_view path) const { return Object(path).value_or(std::string()); }

namespace {

// Called by the library for each object; no exception may cross its frames.
int CollectFileName(chmFile*, chmUnitInfo* unit, void* context)
{
    try {
        if (unit->flags & CHM_ENUMERATE_FILES)
            static_cast<std::vector<std::string>*>(context)->emplace_back(unit->path);
        return CHM_ENUMERATOR_CONTINUE;
    } catch (...) {
        return CHM_ENUMERATOR_FAILURE;
    }
}

} // namespace

std::vector<std::string> ChmArchive::FileNames() const
{
    std::vector<std::string> names;
    if (engine_.Api().enumerate(file_, CHM_ENUMERATE_ALL, CollectFileName, &names) == 0)
        throw EHelpFileError("The help file's list of topics cannot be read");
    return names;
}

std::string ChmArchive::ExistingTopicPath(std::string_view topic) const
{
    const std::string path = topic.starts_with('/') ? std::string(topic) : "/" + std::string(topic);
    // The compiler may have kept the folders of the machine that compiled the file in front of the
    // topic; drop them one at a time until an object answers.
    for (std::string candidate = path;;) {
        if (HasObject(candidate))
            return candidate;
        const size_t next = candidate.find('/', 1);
        if (next == std::string::npos)
            return path;
        candidate.erase(0, next);
    }
}

std::string ChmArchive::DefaultTopicPath() const { return ExistingTopicPath(system_.defaultTopic); }

std::string ChmArchive::TopicForContext(std::uint32_t context) const
{
    const auto found = contextMap_.find(context);
    if (found != contextMap_.end()) {
        const std::string path = ExistingTopicPath(found->second);
        if (HasObject(path))
            return path;
    }
    return DefaultTopicPath();
}
