#include "platform/services/CalcBridgeClient.h"

#include "platform/core/Exceptions.h"
#include "platform/core/FilePaths.h"
#include "platform/services/WaitCursor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Debian's own interpreter, the one python3-uno is built for.
constexpr const char* Python = "/usr/bin/python3";
// What the bridge may take to end its office after being told to (it waits 10 s for it) or after
// its input closes.
constexpr std::chrono::milliseconds EndDeadline{20000};

constexpr const char* NoReply = "The office bridge gave an answer that is no reply.";
// How the office names the sockets of its pipes; nothing else is removed for it.
constexpr std::string_view OfficePipePrefix = "OSL_PIPE_";

int Milliseconds(const QDeadlineTimer& timer) { return static_cast<int>(timer.remainingTime()); }
// How long the windows go unpainted at most while a reply is waited for.
constexpr int PaintMilliseconds = 50;

// Whether a process of the group still runs: a killed one stays a zombie until someone reaps it,
// which does no harm, so only the others count.
bool GroupStillRuns(int group)
{
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + pid + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid pgrp ...": the name may hold anything, so read after its last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
        if (fields.size() > 2 && fields[2].toInt() == group && fields[0] != "Z" && fields[0] != "X")
            return true;
    }
    return false;
}

// A signal only marks its processes; a large office takes a while to end after it, and what asked
// for the kill expects it gone.
void WaitForGroupToEnd(int group)
{
    const QDeadlineTimer timer(EndDeadline);
    while (GroupStillRuns(group) && !timer.hasExpired())
        ::usleep(20000);
}

} // namespace

std::string CalcBridgePath()
{
    if (const char* path = std::getenv("KESTRAME_CALC_BRIDGE"); path && *path)
        return path;
    return PathFromQString(QCoreApplication::applicationDirPath() + "/CalcBridge.py");
}

CalcBridgeClient::CalcBridgeClient(const std::string& bridgePath)
    : folder_(QDir::tempPath() + "/kestrame-calc-XXXXXX")
{
    if (!folder_.isValid())
        throw EOleException("Could not make a folder for the office: " + folder_.errorString().toStdString());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(Python, {PathToQString(bridgePath), folder_.path()});
    if (!process_.waitForStarted())
        Fail("Could not start " + std::string(Python) + ": " + process_.errorString().toStdString());
}

CalcBridgeClient::~CalcBridgeClient()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(static_cast<int>(EndDeadline.count())))
        Kill();
}

QJsonValue CalcBridgeClient::Call(const QJsonObject& request, std::chrono::milliseconds deadline)
{
    if (failed_)
        throw EOleException("The office is no longer running.");
    const QByteArray line = QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n';
    if (process_.write(line) != line.size())
        Fail("The office bridge takes no requests: " + process_.errorString().toStdString());
    QJsonParseError error;
    const QJsonDocument reply = QJsonDocument::fromJson(ReadReplyLine(deadline), &error);
    if (error.error != QJsonParseError::NoError || !reply.isObject() || !reply.object().value("ok").isBool())
        Fail(NoReply);
    const QJsonObject answer = reply.object();
    if (!answer.value("ok").toBool())
        throw EOleException(answer.value("error").toString().toStdString());
    return answer.value("result");
}

QByteArray CalcBridgeClient::ReadReplyLine(std::chrono::milliseconds deadline)
{
    const QDeadlineTimer timer(deadline);
    std::optional<WaitCursor> waiting;
    while (!process_.canReadLine()) {
        if (process_.bytesAvailable() > MaxReplyBytes)
            Fail(NoReply);
        if (process_.state() == QProcess::NotRunning)
            Fail("The office bridge ended unexpectedly.");
        if (timer.hasExpired())
            Fail("The office did not answer in time.");
        // The office takes seconds to start or to load a workbook: the windows paint meanwhile, under
        // the wait cursor once the reply is slow. Input and other connections wait until the reply,
        // so that no other command starts in between.
        if (!process_.waitForReadyRead(std::min(Milliseconds(timer), PaintMilliseconds)) && !waiting)
            waiting.emplace();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
    }
    const QByteArray line = process_.readLine(MaxReplyBytes + 2);
    if (!line.endsWith('\n'))
        Fail(NoReply);
    return line;
}

void CalcBridgeClient::WaitForEnd(std::chrono::milliseconds deadline)
{
    process_.closeWriteChannel();
    if (!process_.waitForFinished(static_cast<int>(deadline.count())))
        Fail("The office did not end in time.");
}

void CalcBridgeClient::Fail(const std::string& text)
{
    Kill();
    throw EOleException(text);
}

// The office runs in a process group of its own, which the bridge names in the folder as soon as it
// has started it: killing the bridge alone would leave the office running. A killed office leaves
// the sockets of its pipes, which the bridge lists there too.
void CalcBridgeClient::Kill()
{
    failed_ = true;
    QFile pidFile(folder_.filePath("office.pid"));
    if (pidFile.open(QIODevice::ReadOnly)) {
        bool valid = false;
        const int group = pidFile.readAll().trimmed().toInt(&valid);
        if (valid && group > 1 && ::kill(-group, SIGKILL) == 0)
            WaitForGroupToEnd(group);
    }
    process_.kill();
    process_.waitForFinished(static_cast<int>(EndDeadline.count()));
    RemoveOfficeSockets();
}

void CalcBridgeClient::RemoveOfficeSockets()
{
    QFile list(folder_.filePath("office.sockets"));
    if (!list.open(QIODevice::ReadOnly))
        return;
    for (const QByteArray& line : list.readAll().split('\n')) {
        const std::string path = line.toStdString();
        struct stat info;
        if (ExtractFileName(path).starts_with(OfficePipePrefix) && ::lstat(path.c_str(), &info) == 0 &&
            S_ISSOCK(info.st_mode))
            ::unlink(path.c_str());
    }
}
