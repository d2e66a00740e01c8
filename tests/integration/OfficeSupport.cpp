#include "OfficeSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

constexpr int ConvertMilliseconds = 45000;

// Runs `program` in a process group of its own, killed whole when it overruns.
bool RunWithin(const QString& program, const QStringList& arguments, int milliseconds)
{
    QProcess process;
    process.setChildProcessModifier([] { setpgid(0, 0); });
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    if (process.waitForFinished(milliseconds))
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    ::kill(-static_cast<pid_t>(process.processId()), SIGKILL);
    process.waitForFinished();
    return false;
}

} // namespace

std::string OfficeProgram()
{
    for (const char* path : {"/usr/bin/soffice", "/usr/lib/libreoffice/program/soffice"})
        if (access(path, X_OK) == 0)
            return path;
    return {};
}

bool PythonHasUno()
{
    int status = -1;
    RunCommand("/usr/bin/python3 -c 'import uno' 2>/dev/null", &status);
    return status == 0;
}

std::string ConvertWithOffice(const TemporaryFolder& folder, const std::string& source, const std::string& target,
                              const std::string& result)
{
    const QString profile = "-env:UserInstallation=file://" + QString::fromStdString(folder.File("convert-profile"));
    const bool converted =
        RunWithin(QString::fromStdString(OfficeProgram()),
                  {"--headless", "--norestore", profile, "--convert-to", QString::fromStdString(target), "--outdir",
                   QString::fromStdString(folder.Path()), QString::fromStdString(source)},
                  ConvertMilliseconds);
    return converted ? folder.File(result) : std::string();
}

std::vector<std::string> ProcessesMentioning(const std::string& text)
{
    std::vector<std::string> found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile cmdline("/proc/" + pid + "/cmdline");
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(QByteArray::fromStdString(text)))
            found.push_back(pid.toStdString());
    }
    return found;
}

int EntriesIn(const std::string& folder)
{
    return static_cast<int>(
        QDir(QString::fromStdString(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}
