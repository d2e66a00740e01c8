#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QTemporaryDir>

#include <chrono>
#include <string>

// How long the bridge may take to answer.
struct CalcDeadlines {
    std::chrono::milliseconds start{60000}; // the office's start
    std::chrono::milliseconds call{30000};  // every other call
};

// The program's end of the spreadsheet bridge (CalcBridge.py): a Python process that drives a private
// office and answers one JSON line for each JSON line it is sent. A bridge that misses a deadline,
// ends or answers what is no reply is killed together with its office, and the call fails; after
// that every call fails.
class CalcBridgeClient {
public:
    // Starts the bridge script in `bridgePath` on a fresh private folder; raises EOleException when it
    // does not start.
    explicit CalcBridgeClient(const std::string& bridgePath);
    // Lets the bridge end its office, and kills both when that takes too long.
    ~CalcBridgeClient();
    CalcBridgeClient(const CalcBridgeClient&) = delete;
    CalcBridgeClient& operator=(const CalcBridgeClient&) = delete;

    // Sends `request` and answers the reply's result; a reply that reports an error raises
    // EOleException with its text.
    QJsonValue Call(const QJsonObject& request, std::chrono::milliseconds deadline);
    // True once the bridge was killed: its office is gone too.
    bool Failed() const { return failed_; }
    // Waits for a bridge that was told to quit to end.
    void WaitForEnd(std::chrono::milliseconds deadline);

    // The longest reply line taken; a longer one is no reply.
    static constexpr qint64 MaxReplyBytes = 256 << 20;

private:
    QByteArray ReadReplyLine(std::chrono::milliseconds deadline);
    [[noreturn]] void Fail(const std::string& text);
    void Kill();
    void RemoveOfficeSockets();

    QTemporaryDir folder_;
    QProcess process_;
    bool failed_ = false;
};

// Where the bridge script is: KESTRAME_CALC_BRIDGE when set, else beside the executable.
std::string CalcBridgePath();
