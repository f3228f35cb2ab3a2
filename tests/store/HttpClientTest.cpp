// The HTTP client against a real server on 127.0.0.1: bodies, headers, failures,
// partial transfers, proxies, certificates and time-outs.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/store/HttpClient.h"
#include "tests/store/UpdateTestSupport.h"

namespace KeyForge {
namespace {

using Clock = std::chrono::steady_clock;
using TestUtil::LocalHttpServer;
using TestUtil::ScopedEnv;
using TestUtil::TempDir;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Proxy variables of the machine must not bend the requests to 127.0.0.1.
class HttpClient : public ::testing::Test {
protected:
    ScopedEnv m_env[6] = {{"http_proxy", std::nullopt},  {"https_proxy", std::nullopt},
                          {"HTTPS_PROXY", std::nullopt}, {"all_proxy", std::nullopt},
                          {"ALL_PROXY", std::nullopt},   {"no_proxy", std::nullopt}};
    TempDir m_root;
};

TEST_F(HttpClient, TextAndRequestHeaders) {
    TestUtil::WriteFile(m_root / "update/version", "1.0.3");
    LocalHttpServer server(m_root.Path());
    ASSERT_TRUE(server.Running());
    std::string text;
    ASSERT_TRUE(GetWebText(server.Url("/update/version"), text));
    EXPECT_EQ(text, "1.0.3");
    const std::string log = server.Log();
    EXPECT_NE(log.find("\"User-Agent\": \"Orbit2.0/PC 5.5.0000\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"Accept\": \"*/*\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"Pragma\": \"no-cache\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"Cache-Control\": \"no-cache\""), std::string::npos) << log;

    // A missing file is a failure, not a body to take for a version.
    const HttpResult missing = FetchText(server.Url("/update/nothing"), text);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.status, 404);
    EXPECT_EQ(text, "");
    // A body far longer than any version text is refused.
    TestUtil::WriteFile(m_root / "big", std::string(100000, 'x'));
    EXPECT_FALSE(GetWebText(server.Url("/big"), text));
    // Addresses of other kinds are never requested.
    EXPECT_FALSE(GetWebText("file:///etc/passwd", text));
    EXPECT_FALSE(GetWebText("version", text));
}

TEST_F(HttpClient, DownloadKeepsOnlyWholeFiles) {
    const std::string package(300000, 'p');
    TestUtil::WriteFile(m_root / "pkg.zip", package);
    TestUtil::WriteFile(m_root / "cut.zip", package);
    LocalHttpServer server(m_root.Path(), {"--drop", "/cut.zip", "--status", "/broken.zip=500"});
    ASSERT_TRUE(server.Running());
    TempDir local;
    const std::string target = local / "pkg.zip";
    TestUtil::WriteFile(target, "old contents");
    ASSERT_TRUE(DownloadWebFile(server.Url("/pkg.zip"), target));
    EXPECT_EQ(TestUtil::ReadFile(target), package);

    const HttpResult cut = FetchFile(server.Url("/cut.zip"), target);
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(std::filesystem::exists(target)) << "a partial package is removed";
    EXPECT_FALSE(DownloadWebFile(server.Url("/broken.zip"), target));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(DownloadWebFile(server.Url("/missing.zip"), target));
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_FALSE(DownloadWebFile(server.Url("/pkg.zip"), local / "no/such/folder/pkg.zip"));

    // A download over the size limit fails and leaves nothing behind.
    HttpOptions small;
    small.maxDownloadBytes = 100000;
    EXPECT_FALSE(DownloadWebFile(server.Url("/pkg.zip"), target, small));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(HttpClient, ProxyFromTheEnvironment) {
    TestUtil::WriteFile(m_root / "update/version", "2.0.0");
    LocalHttpServer proxy(m_root.Path());
    ASSERT_TRUE(proxy.Running());
    // The host name does not exist; only a proxy can answer for it.
    ScopedEnv viaProxy("http_proxy", proxy.Url(""));
    std::string text;
    ASSERT_TRUE(GetWebText("http://update.keyforge.invalid/update/version", text));
    EXPECT_EQ(text, "2.0.0");
    EXPECT_NE(proxy.Log().find("\"proxied\": true"), std::string::npos) << proxy.Log();
    ASSERT_TRUE(GetWebText("http://localhost:1/update/version", text));
    // Hosts named in no_proxy are asked directly (and nothing listens on port 1).
    ScopedEnv exempt("no_proxy", "localhost");
    EXPECT_FALSE(GetWebText("http://localhost:1/update/version", text));
}

TEST_F(HttpClient, CertificatesAreVerified) {
    TempDir keys;
    const std::string cert = keys / "cert.pem";
    const std::string key = keys / "key.pem";
    const TestUtil::ProcessResult made =
        TestUtil::RunProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                              "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert, "-days",
                              "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    TestUtil::WriteFile(m_root / "version", "3.0.0");
    LocalHttpServer plain(m_root.Path());
    ASSERT_TRUE(plain.Running());
    LocalHttpServer server(m_root.Path(), {"--tls", cert, key, "--redirect", "/moved=/version", "--redirect",
                                           "/down=" + plain.Url("/version")});
    ASSERT_TRUE(server.Running());
    std::string text;
    const HttpResult untrusted = FetchText(server.Url("/version"), text);
    EXPECT_FALSE(untrusted.ok) << "a certificate no authority vouches for is refused";
    HttpOptions trusting;
    trusting.caBundle = cert;
    ASSERT_TRUE(GetWebText(server.Url("/version"), text, trusting));
    EXPECT_EQ(text, "3.0.0");
    ASSERT_TRUE(GetWebText(server.Url("/moved"), text, trusting)) << "redirects are followed";
    EXPECT_EQ(text, "3.0.0");
    EXPECT_FALSE(GetWebText(server.Url("/down"), text, trusting)) << "but never from https to http";
    EXPECT_EQ(plain.Log(), "");
    // Trusted, but issued for another name.
    const std::string other = "https://localhost:" + std::to_string(server.Port()) + "/version";
    EXPECT_FALSE(GetWebText(other, text, trusting));
}

TEST_F(HttpClient, SilentServerIsGivenUpWithinTheTimeOut) {
    TestUtil::SilentServer silent;
    HttpOptions options;
    options.stallTimeout = std::chrono::seconds(1);
    TempDir local;
    std::string text;
    auto start = Clock::now();
    EXPECT_FALSE(GetWebText(silent.Url("/version"), text, options));
    EXPECT_LT(SecondsSince(start), 4.0);
    start = Clock::now();
    EXPECT_FALSE(DownloadWebFile(silent.Url("/pkg.zip"), local / "pkg.zip", options));
    EXPECT_LT(SecondsSince(start), 4.0);
    EXPECT_FALSE(std::filesystem::exists(local / "pkg.zip"));

    // Stopping the worker cuts a wait short, whatever the time-outs.
    std::atomic<bool> cancel{false};
    options.stallTimeout = std::chrono::seconds(60);
    options.cancel = &cancel;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    start = Clock::now();
    const HttpResult cancelled = FetchText(silent.Url("/version"), text, options);
    stopper.join();
    EXPECT_FALSE(cancelled.ok);
    EXPECT_EQ(cancelled.error, "cancelled");
    EXPECT_LT(SecondsSince(start), 4.0);
}

}  // namespace
}  // namespace KeyForge
