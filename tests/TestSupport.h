#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QWidget;

// Acts on the next modal dialog as soon as it is shown (a real one, under the event loop of the call
// that shows it).
void WhenModal(std::function<void(QWidget*)> act);

// Acts on every modal dialog shown while it lives, each time one is the active modal window; the act
// runs from the event loop, so that a dialog it opens in turn is acted on too.
class EveryModal {
public:
    explicit EveryModal(std::function<void(QWidget*)> act);
    ~EveryModal();
    EveryModal(const EveryModal&) = delete;
    EveryModal& operator=(const EveryModal&) = delete;

private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // The folder's path, without a final delimiter.
    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

std::string ReadWholeFile(const std::string& path);
// Whether the tests run built with the address sanitizer, whose allocator takes many times as long:
// a case of tens of millions of values is left to the ordinary build.
constexpr bool SanitizedBuild()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}
// A field of /proc/self/status in bytes ("VmRSS", "VmHWM": the most the process has held); -1 when
// it is not there.
std::int64_t StatusBytes(const std::string& name);
void WriteWholeFile(const std::string& path, std::string_view bytes);

// The message of the exception of type E an action raises; "nothing raised" when it raises none.
template <typename E> std::string RaisedMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const E& error) {
        return error.Message();
    }
    return "nothing raised";
}

// Runs a shell command; returns its standard output, and its exit status in `status`.
std::string RunCommand(const std::string& command, int* status = nullptr);

// Switches the C library's numeric formats to a comma locale while it lives.
class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    bool Active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

// Makes every write beyond `bytes` fail with EFBIG while it lives (SIGXFSZ ignored). CI runs as
// root, so a read-only folder would not stop a write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

// What `work` answers (a short text), run in a child process as an ordinary user: root's rights are
// dropped to nobody's first, so that the system's checks of permissions apply. Nothing when they
// cannot be dropped.
std::optional<std::string> AsOrdinaryUser(const std::function<std::string()>& work);

// Points KESTRAME_CONFIG_DIR at a fresh folder while it lives, so a test starts with no settings.
class ScopedSettingsFolder {
public:
    ScopedSettingsFolder();
    ~ScopedSettingsFolder();
    ScopedSettingsFolder(const ScopedSettingsFolder&) = delete;
    ScopedSettingsFolder& operator=(const ScopedSettingsFolder&) = delete;

    const TemporaryFolder& Folder() const { return folder_; }

private:
    TemporaryFolder folder_;
    std::string previous_;
};

// The openings of each file in a folder, as the system reports them: a decode opens its file.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& folder);
    ~OpenCounter();
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    // Those since the last call, by file name.
    std::map<std::string, int> Take() const;

private:
    int watch_;
};
