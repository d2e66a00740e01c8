#include "LoopbackHttpsServer.h"

#include "platform/services/HttpClient.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSslKey>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr int ChunkDelayMs = 100;

QByteArray FileBytes(const std::string& path) { return QByteArray::fromStdString(ReadWholeFile(path)); }

void Send(QSslSocket* socket, const std::string& bytes) { socket->write(bytes.data(), static_cast<qint64>(bytes.size())); }

std::string Chunk(const std::string& bytes)
{
    char size[20];
    std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
    return size + bytes + "\r\n";
}

} // namespace

TestCertificate::TestCertificate()
{
    int status = 0;
    RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1"
               " -keyout '" + KeyFile() + "' -out '" + CertificateFile() + "' 2>&1",
               &status);
    EXPECT_EQ(status, 0) << "openssl could not make a certificate";
}

const TestCertificate& TrustedCertificate()
{
    static const TestCertificate certificate;
    static const bool trusted = TrustCertificateAuthorities(certificate.CertificateFile());
    EXPECT_TRUE(trusted);
    return certificate;
}

LoopbackHttpsServer::LoopbackHttpsServer(const TestCertificate& certificate)
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(FileBytes(certificate.CertificateFile())));
    tls.setPrivateKey(QSslKey(FileBytes(certificate.KeyFile()), QSsl::Rsa));
    server_.setSslConfiguration(tls);
    QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_, [this] {
        while (auto* socket = qobject_cast<QSslSocket*>(server_.nextPendingConnection())) {
            QObject::connect(socket, &QIODevice::readyRead, &server_, [this, socket] { Read(socket); });
            QObject::connect(socket, &QObject::destroyed, &server_, [this, socket] { received_.erase(socket); });
            QObject::connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
            Read(socket);
        }
    });
    EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0));
}

// The connection stays open for the client's next request.
void LoopbackHttpsServer::Read(QSslSocket* socket)
{
    std::string& received = received_[socket];
    received += socket->readAll().toStdString();
    for (size_t headEnd; (headEnd = received.find("\r\n\r\n")) != std::string::npos;) {
        const std::string requestLine = received.substr(0, received.find("\r\n"));
        received.erase(0, headEnd + 4);
        requestLines_.push_back(requestLine);
        Answer(socket, requestLine);
    }
}

void LoopbackHttpsServer::Answer(QSslSocket* socket, const std::string& requestLine)
{
    const size_t pathStart = requestLine.find(' ') + 1;
    const auto found = replies_.find(requestLine.substr(pathStart, requestLine.rfind(' ') - pathStart));
    const Reply reply = found != replies_.end() ? found->second : Reply::Ok("Not Found", 404);
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " Status\r\n";
    if (!reply.location.empty())
        head += "Location: " + reply.location + "\r\n";
    const size_t half = reply.body.size() / 2;
    if (reply.chunked) {
        Send(socket, head + "Transfer-Encoding: chunked\r\n\r\n" + Chunk(reply.body.substr(0, half)));
        QTimer::singleShot(ChunkDelayMs, socket,
                           [socket, rest = Chunk(reply.body.substr(half)) + Chunk({})] { Send(socket, rest); });
    } else {
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
        Send(socket, head + (reply.stall ? reply.body.substr(0, half) : reply.body));
    }
}

bool ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limit.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}
