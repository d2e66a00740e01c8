// The HTTP client against an HTTPS server of the test's own on 127.0.0.1: what counts as success,
// what is refused, and what is left on disk.
#include "platform/services/HttpClient.h"

#include "platform/core/FilePaths.h"

#include "LoopbackHttpsServer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

using Reply = LoopbackHttpsServer::Reply;

struct Outcome {
    bool done = false;
    bool succeeded = false;
    std::string body;
    HttpFailure failure;
    std::vector<std::int64_t> expected; // of each progress report
};

Outcome Request(HttpClient& client, const std::string& url, const std::string& path = {},
                std::int64_t largestBody = std::numeric_limits<std::int64_t>::max())
{
    Outcome outcome;
    HttpHandlers handlers{[&](const std::string& body) { outcome = {true, true, body, {}, outcome.expected}; },
                          [&](const HttpFailure& failure) { outcome = {true, false, {}, failure, outcome.expected}; },
                          [&](std::int64_t, std::int64_t expected) { outcome.expected.push_back(expected); }};
    if (path.empty())
        client.Get(url, handlers);
    else
        client.GetToFile(url, path, largestBody, handlers);
    EXPECT_TRUE(ProcessEventsUntil([&] { return outcome.done; })) << url;
    return outcome;
}

// Small bodies. A stall limit as short as the one for the stalled replies would fail a reply that a
// loaded machine is slow to send: only the stalled replies are asked with it.
constexpr std::chrono::milliseconds ShortStall(300);

HttpLimits SmallLimits(std::chrono::milliseconds stallTimeout = HttpLimits{}.stallTimeout)
{
    HttpLimits limits;
    limits.stallTimeout = stallTimeout;
    limits.memoryBody = 16;
    limits.fileBody = 16;
    return limits;
}

TEST(HttpClientTest, OnlyAFinal200OverTrustedHttpsSucceeds)
{
    LoopbackHttpsServer server;
    LoopbackHttpsServer untrusted{TestCertificate()};
    const std::string address = server.Address();
    server.Serve("/ok?v=1", Reply::Ok("YES"));
    server.Serve("/missing", Reply::Ok("YES", 404));
    server.Serve("/gone", Reply::Ok("Mz7qWkR2p", 404));
    server.Serve("/to-https", Reply::Redirect(address + "/ok?v=1"));
    server.Serve("/to-http", Reply::Redirect("http://127.0.0.1:1/ok"));
    // Five redirects are followed, not six.
    for (int hop = 1; hop <= 6; ++hop)
        server.Serve("/hop" + std::to_string(hop),
                     Reply::Redirect(address + (hop == 1 ? "/ok?v=1" : "/hop" + std::to_string(hop - 1))));
    server.Serve("/chunked", Reply::Chunked("0123456789"));
    server.Serve("/stalled", Reply::Stalled("0123456789"));
    server.Serve("/large", Reply::Ok("0123456789abcdefg"));
    untrusted.Serve("/ok", Reply::Ok("YES"));
    struct Case {
        std::string url;
        bool succeeds;
        std::string text; // the body, or how the failure's reason starts
    };
    const std::string plain = "http://" + address.substr(std::string("https://").size()) + "/ok?v=1";
    const Case cases[] = {
        {address + "/ok?v=1", true, "YES"},
        {address + "/to-https", true, "YES"},
        {address + "/hop5", true, "YES"},
        {address + "/chunked", true, "0123456789"},
        {address + "/missing", false, "Error transferring " + address + "/missing"},
        {address + "/gone", false, "Error transferring"},
        {address + "/to-http", false, "Insecure redirect"},
        {address + "/hop6", false, "Too many redirects"},
        {address + "/large", false, "the reply is larger than 16 bytes"},
        {plain, false, "not an https address: " + plain},
        {untrusted.Address() + "/ok", false, "SSL handshake failed"},
        {ClosedLoopbackAddress + std::string("/ok"), false, "Connection refused"},
    };
    const std::unique_ptr<HttpClient> client = MakeHttpClient(SmallLimits());
    const std::unique_ptr<HttpClient> impatient = MakeHttpClient(SmallLimits(ShortStall));
    for (const Case& test : cases) {
        const Outcome outcome = Request(*client, test.url);
        EXPECT_EQ(outcome.succeeded, test.succeeds) << test.url << ": " << outcome.failure.reason;
        EXPECT_EQ(outcome.succeeded ? outcome.body : outcome.failure.reason.substr(0, test.text.size()), test.text);
        EXPECT_FALSE(outcome.failure.localFile) << test.url;
    }
    const Outcome stalled = Request(*impatient, address + "/stalled");
    EXPECT_FALSE(stalled.succeeded);
    EXPECT_EQ(stalled.failure.reason, "nothing received for 300 ms");
    EXPECT_TRUE(untrusted.RequestLines().empty());
}

TEST(HttpClientTest, ADownloadStandsCompleteOrNotAtAll)
{
    TemporaryFolder folder;
    LoopbackHttpsServer server;
    const std::string bytes("\0\1\2\3 bytes\r\n", 12), target = folder.File("setup.bin");
    server.Serve("/setup.bin", Reply::Chunked(bytes));
    server.Serve("/stalled", Reply::Stalled("0123456789"));
    const std::unique_ptr<HttpClient> client = MakeHttpClient(SmallLimits());
    const std::unique_ptr<HttpClient> impatient = MakeHttpClient(SmallLimits(ShortStall));

    const Outcome complete = Request(*client, server.Address() + "/setup.bin", target);
    EXPECT_TRUE(complete.succeeded) << complete.failure.reason;
    EXPECT_EQ(ReadWholeFile(target), bytes);
    EXPECT_EQ(complete.expected.at(0), -1); // chunked: the size was never told
    EXPECT_FALSE(Request(*client, server.Address() + "/missing", target).succeeded);
    EXPECT_FALSE(Request(*impatient, server.Address() + "/stalled", target).succeeded);
    EXPECT_TRUE(Request(*client, server.Address() + "/setup.bin", folder.File("none/setup.bin")).failure.localFile);
    // A request's own limit below the client's.
    const Outcome capped = Request(*client, server.Address() + "/setup.bin", folder.File("capped.bin"), 11);
    EXPECT_EQ(capped.failure.reason, "the reply is larger than 11 bytes");
    EXPECT_TRUE(capped.failure.tooLarge);

    // An aborted download calls nothing back and leaves no partial file.
    bool called = false;
    const auto call = [&](const auto&) { called = true; };
    impatient->GetToFile(server.Address() + "/stalled", folder.File("aborted"), 100, {call, call, {}});
    EXPECT_TRUE(ProcessEventsUntil([&] { return FileExists(folder.File("aborted.part")); }));
    impatient->Abort();
    EXPECT_FALSE(ProcessEventsUntil([&] { return called; }, std::chrono::milliseconds(500)));
    EXPECT_EQ(RunCommand("ls -A '" + folder.Path() + "'"), "setup.bin\n");
    EXPECT_EQ(ReadWholeFile(target), bytes);
}

} // namespace
