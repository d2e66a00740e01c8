#include "TestSupport.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

struct EveryModal::Watch {
    QTimer timer;
    QPointer<QWidget> acting; // its act is on the way
};

EveryModal::EveryModal(std::function<void(QWidget*)> act) : watch_(std::make_unique<Watch>())
{
    Watch* watch = watch_.get();
    QObject::connect(&watch->timer, &QTimer::timeout, [watch, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == watch->acting)
            return;
        watch->acting = modal;
        QTimer::singleShot(0, modal, [watch, act, modal] {
            watch->acting = nullptr;
            act(modal);
        });
    });
    watch->timer.start(5);
}

EveryModal::~EveryModal() = default;

TemporaryFolder::TemporaryFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrame-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::int64_t StatusBytes(const std::string& name)
{
    const std::string status = ReadWholeFile("/proc/self/status");
    const std::size_t at = status.find("\n" + name + ":");
    if (at == std::string::npos)
        return -1;
    return std::strtoll(status.c_str() + at + name.size() + 2, nullptr, 10) * 1024;
}

void WriteWholeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, got);
    const int result = pclose(pipe);
    if (status)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

CommaLocale::CommaLocale()
{
    previous_ = std::setlocale(LC_ALL, nullptr);
    active_ = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

CommaLocale::~CommaLocale() { std::setlocale(LC_ALL, previous_.c_str()); }

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
}

std::optional<std::string> AsOrdinaryUser(const std::function<std::string()>& work)
{
    constexpr id_t Nobody = 65534;
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(Nobody) != 0 || setuid(Nobody) != 0))
            _exit(1);
        const std::string answer = work();
        _exit(write(channel[1], answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    close(channel[1]);
    std::string answer(4096, '\0');
    const ssize_t got = read(channel[0], answer.data(), answer.size());
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return answer.substr(0, static_cast<std::size_t>(got));
}

ScopedSettingsFolder::ScopedSettingsFolder()
{
    const char* previous = std::getenv("KESTRAME_CONFIG_DIR");
    previous_ = previous ? previous : "";
    setenv("KESTRAME_CONFIG_DIR", folder_.Path().c_str(), 1);
}

ScopedSettingsFolder::~ScopedSettingsFolder() { setenv("KESTRAME_CONFIG_DIR", previous_.c_str(), 1); }

void WhenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start(5);
}

OpenCounter::OpenCounter(const std::string& folder) : watch_(inotify_init1(IN_NONBLOCK))
{
    inotify_add_watch(watch_, folder.c_str(), IN_OPEN);
}

OpenCounter::~OpenCounter() { close(watch_); }

std::map<std::string, int> OpenCounter::Take() const
{
    std::map<std::string, int> opened;
    alignas(inotify_event) char events[1 << 16];
    for (ssize_t length; (length = read(watch_, events, sizeof events)) > 0;)
        for (char* at = events; at < events + length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                ++opened[event->name];
            at += sizeof(inotify_event) + event->len;
        }
    return opened;
}
