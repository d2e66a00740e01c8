#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// Why a request failed. `reason` says it in words (for a log or a test); `localFile` marks a body
// that arrived but could not be stored, `tooLarge` one larger than the request takes.
struct HttpFailure {
    std::string reason;
    bool localFile = false;
    bool tooLarge = false;
};

// What a request reports, always later than the call that started it and never after an abort.
struct HttpHandlers {
    // A request into memory gets the body; one into a file an empty text once the file is complete.
    std::function<void(const std::string& body)> success;
    std::function<void(const HttpFailure& failure)> failure;
    // The bytes received so far and the bytes expected, -1 while the server has not said.
    std::function<void(std::int64_t received, std::int64_t expected)> progress;
};

// An HTTP client that runs one GET at a time without blocking: the handlers are called from the
// event loop. Only a final "200" is a success; a body larger than the client's limit is a failure.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    // A request still running is aborted first.
    virtual void Get(const std::string& url, HttpHandlers handlers) = 0;
    // The body goes to "<path>.part" beside `path` and takes its name when complete; on any failure
    // (and on an abort) the partial file goes and `path` is left as it was. A body larger than
    // `largestBody` bytes (or than the client's limit) fails.
    virtual void GetToFile(const std::string& url, const std::string& path, std::int64_t largestBody,
                           HttpHandlers handlers) = 0;
    // Ends the running request, if any, without calling its handlers.
    virtual void Abort() = 0;
};

struct HttpLimits {
    // A request that receives nothing for this long fails.
    std::chrono::milliseconds stallTimeout = std::chrono::seconds(30);
    std::int64_t memoryBody = std::int64_t(1) << 20;
    std::int64_t fileBody = std::int64_t(1) << 30;
};

// The client over the network: https addresses only, the server's certificate checked against the
// system's trusted authorities, at most five redirects and each to https again.
std::unique_ptr<HttpClient> MakeHttpClient(HttpLimits limits = {});

// Trusts the authorities of a PEM file besides the system's, from the next request on (tests, whose
// servers carry certificates of their own); false when the file holds none.
bool TrustCertificateAuthorities(const std::string& pemFile);
