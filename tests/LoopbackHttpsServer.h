#pragma once

#include "TestSupport.h"

#include <QSslServer>
#include <QSslSocket>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

// A self-signed certificate for 127.0.0.1, made by openssl in a folder of its own.
class TestCertificate {
public:
    TestCertificate();
    std::string CertificateFile() const { return folder_.File("certificate.pem"); }
    std::string KeyFile() const { return folder_.File("key.pem"); }

private:
    TemporaryFolder folder_;
};

// The certificate the process's HTTP clients trust besides the system's authorities; made once.
const TestCertificate& TrustedCertificate();

// An HTTPS server on a free port of 127.0.0.1, run by the test's own event loop: it answers each
// path (with its query) as told, any other with a 404, and records every request line.
class LoopbackHttpsServer {
public:
    struct Reply {
        int status;
        std::string body;
        std::string location; // where a redirect points
        bool chunked;         // the size is not told ahead, and the second half comes a little later
        bool stall;           // the head and half the body, then nothing more

        static Reply Ok(std::string body, int status = 200) { return {status, std::move(body), {}, false, false}; }
        static Reply Redirect(std::string to) { return {302, {}, std::move(to), false, false}; }
        static Reply Chunked(std::string body) { return {200, std::move(body), {}, true, false}; }
        static Reply Stalled(std::string body) { return {200, std::move(body), {}, false, true}; }
    };

    explicit LoopbackHttpsServer(const TestCertificate& certificate = TrustedCertificate());

    void Serve(const std::string& path, Reply reply) { replies_[path] = std::move(reply); }
    // "https://127.0.0.1:<port>"
    std::string Address() const { return "https://127.0.0.1:" + std::to_string(server_.serverPort()); }
    const std::vector<std::string>& RequestLines() const { return requestLines_; }

private:
    void Read(QSslSocket* socket);
    void Answer(QSslSocket* socket, const std::string& requestLine);

    QSslServer server_;
    std::map<std::string, Reply> replies_;
    std::map<QSslSocket*, std::string> received_;
    std::vector<std::string> requestLines_;
};

// Runs the event loop until `done` holds or `limit` passes; whether it held.
bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

// An address of 127.0.0.1 where nothing listens.
inline constexpr const char* ClosedLoopbackAddress = "https://127.0.0.1:1";
