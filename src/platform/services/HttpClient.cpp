#include "platform/services/HttpClient.h"

#include "platform/core/FilePaths.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

constexpr int MaximumRedirects = 5;
constexpr int HttpOk = 200;

QList<QSslCertificate>& ExtraAuthorities()
{
    static QList<QSslCertificate> authorities;
    return authorities;
}

bool IsHttps(const QUrl& url) { return url.isValid() && url.scheme() == "https" && !url.host().isEmpty(); }

class QtHttpClient : public HttpClient {
public:
    explicit QtHttpClient(HttpLimits limits) : limits_(limits) {}
    ~QtHttpClient() override { Abort(); }
    QtHttpClient(const QtHttpClient&) = delete;
    QtHttpClient& operator=(const QtHttpClient&) = delete;

    void Get(const std::string& url, HttpHandlers handlers) override
    {
        Start(url, std::string(), limits_.memoryBody, std::move(handlers));
    }
    void GetToFile(const std::string& url, const std::string& path, std::int64_t largestBody,
                   HttpHandlers handlers) override
    {
        Start(url, path, std::min(largestBody, limits_.fileBody), std::move(handlers));
    }
    void Abort() override
    {
        ++request_;
        Release();
    }

private:
    void Start(const std::string& url, const std::string& path, std::int64_t bodyLimit, HttpHandlers handlers)
    {
        Abort();
        handlers_ = std::move(handlers);
        path_ = path;
        bodyLimit_ = bodyLimit;
        const QUrl address(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())), QUrl::StrictMode);
        if (!IsHttps(address))
            return FailLater("not an https address: " + url, false);
        if (!path_.empty()) {
            part_.setFileName(PathToQString(PartPath()));
            if (!part_.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return FailLater(WriteError(), true);
        }
        reply_ = manager_.get(Request(address));
        QObject::connect(reply_, &QIODevice::readyRead, &context_, [this] { Received(); });
        QObject::connect(reply_, &QNetworkReply::downloadProgress, &context_,
                         [this](qint64 received, qint64 expected) { Progress(received, expected); });
        QObject::connect(reply_, &QNetworkReply::finished, &context_, [this] { Finished(); });
    }

    QNetworkRequest Request(const QUrl& address) const
    {
        QNetworkRequest request(address);
        // Every address starts as https, and a redirect may not leave it.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(MaximumRedirects);
        request.setTransferTimeout(static_cast<int>(limits_.stallTimeout.count()));
        if (!ExtraAuthorities().isEmpty()) {
            QSslConfiguration tls = request.sslConfiguration();
            tls.addCaCertificates(ExtraAuthorities());
            request.setSslConfiguration(tls);
        }
        return request;
    }

    std::string PartPath() const { return path_ + ".part"; }
    std::int64_t BodyLimit() const { return bodyLimit_; }
    std::string WriteError() const { return "cannot write " + PartPath() + ": " + part_.errorString().toStdString(); }
    std::string TooLarge() const { return "the reply is larger than " + std::to_string(BodyLimit()) + " bytes"; }

    void Received()
    {
        const QByteArray chunk = reply_->readAll();
        received_ += chunk.size();
        if (received_ > BodyLimit())
            return FailTooLarge();
        if (path_.empty())
            body_ += chunk;
        else if (part_.write(chunk) != chunk.size())
            return Fail(WriteError(), true);
    }

    void Progress(qint64 received, qint64 expected)
    {
        if (expected > BodyLimit())
            return FailTooLarge();
        if (handlers_.progress)
            handlers_.progress(received, expected);
    }

    void Finished()
    {
        // The client's own aborts disconnect first: a cancelled reply here is the stall timeout's.
        if (reply_->error() == QNetworkReply::OperationCanceledError)
            return Fail("nothing received for " + std::to_string(limits_.stallTimeout.count()) + " ms", false);
        if (reply_->error() != QNetworkReply::NoError)
            return Fail(reply_->errorString().toStdString(), false);
        const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status != HttpOk)
            return Fail("the server answered " + std::to_string(status), false);
        if (path_.empty())
            return Succeed(body_.toStdString());
        part_.close();
        if (part_.error() != QFileDevice::NoError)
            return Fail(WriteError(), true);
        if (!RenameFile(PartPath(), path_))
            return Fail("cannot rename " + PartPath(), true);
        Succeed(std::string());
    }

    // The handlers run last: they may start another request or destroy the client.
    void Succeed(const std::string& body)
    {
        const HttpHandlers handlers = Release();
        if (handlers.success)
            handlers.success(body);
    }

    void Fail(const std::string& reason, bool localFile) { Fail(HttpFailure{reason, localFile}); }
    void FailTooLarge() { Fail(HttpFailure{TooLarge(), false, true}); }
    void Fail(const HttpFailure& failure)
    {
        const HttpHandlers handlers = Release();
        if (handlers.failure)
            handlers.failure(failure);
    }

    void FailLater(const std::string& reason, bool localFile)
    {
        QTimer::singleShot(0, &context_, [this, request = request_, reason, localFile] {
            if (request == request_)
                Fail(reason, localFile);
        });
    }

    // Drops the reply and whatever part of a file is left, and hands back the handlers.
    HttpHandlers Release()
    {
        HttpHandlers handlers = std::exchange(handlers_, {});
        if (reply_) {
            QObject::disconnect(reply_, nullptr, &context_, nullptr);
            reply_->abort();
            reply_->deleteLater();
            reply_ = nullptr;
        }
        if (!part_.fileName().isEmpty()) {
            part_.close();
            QFile::remove(part_.fileName());
            part_.setFileName(QString());
        }
        body_.clear();
        received_ = 0;
        return handlers;
    }

    HttpLimits limits_;
    QNetworkAccessManager manager_;
    QObject context_;
    QPointer<QNetworkReply> reply_;
    HttpHandlers handlers_;
    std::string path_;
    QFile part_;
    QByteArray body_;
    std::int64_t received_ = 0;
    std::int64_t bodyLimit_ = 0;
    std::uint64_t request_ = 0;
};

} // namespace

std::unique_ptr<HttpClient> MakeHttpClient(HttpLimits limits) { return std::make_unique<QtHttpClient>(limits); }

bool TrustCertificateAuthorities(const std::string& pemFile)
{
    const QList<QSslCertificate> authorities = QSslCertificate::fromPath(PathToQString(pemFile), QSsl::Pem);
    ExtraAuthorities().append(authorities);
    return !authorities.isEmpty();
}
