// HTTP(S) GET for the update service, on libcurl: version texts and package
// downloads from the maker's server.
//
// Error convention: the operations return false (or a result whose `ok` is false)
// and never throw; `error` says why, for logs and keyforgectl.
//
// Every request sends the user agent "Orbit2.0/PC 5.5.0000" and "Accept: */*", asks
// caches on the way not to answer (Pragma and Cache-Control: no-cache) and keeps no
// cache of its own. Certificates are always verified. Proxies come from the standard
// environment variables (http_proxy, https_proxy, all_proxy, no_proxy), which is how
// a Linux system states its proxy settings. Time-outs bound every wait, so a dead
// server cannot hold the worker thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

namespace KeyForge {

/// The user agent every request carries.
inline constexpr const char* kUpdateUserAgent = "Orbit2.0/PC 5.5.0000";

/// Limits of one request.
struct HttpOptions {
    /// Longest wait for the connection (TCP and TLS) to be set up.
    std::chrono::milliseconds connectTimeout{10000};
    /// A transfer that moves fewer than `stallBytesPerSecond` bytes per second for this
    /// long ends with failure: a server that accepts and then sends nothing is given up.
    std::chrono::seconds stallTimeout{30};
    /// See stallTimeout.
    long stallBytesPerSecond = 1;
    /// Upper bound of a whole text request (version and checksum files are tiny).
    std::chrono::milliseconds textTimeout{60000};
    /// Upper bound of a whole download.
    std::chrono::milliseconds downloadTimeout{std::chrono::minutes(30)};
    /// Longest body a text request accepts; a longer one fails (it is no version text).
    std::size_t maxTextBytes = 64 * 1024;
    /// Largest download accepted: a server sending more (or announcing more) fails the
    /// download before it fills the disk. 2 GiB, the most an update may unpack to.
    std::uint64_t maxDownloadBytes = std::uint64_t{2} << 30;
    /// Certificate authorities to trust instead of the system's (empty: the system's).
    std::string caBundle;
    /// When set and true, a running transfer ends with failure within about a second
    /// (the worker is being stopped).
    const std::atomic<bool>* cancel = nullptr;
};

/// Outcome of one request.
struct HttpResult {
    bool ok = false;          ///< the whole body arrived with a 2xx status
    long status = 0;          ///< the final HTTP status, 0 when no answer came
    std::string error;        ///< why it failed ("" when ok)
    std::uint64_t bytes = 0;  ///< body bytes received
};

/// GETs a URL and returns its body in `body` (UTF-8 as sent; empty on failure).
HttpResult FetchText(const std::string& url, std::string& body, const HttpOptions& options = {});

/// GETs a URL into a file: an existing file is deleted first; only a complete body
/// (a transfer that ended without error, as long as the server said, every byte
/// written) is kept. On any failure the file is removed.
HttpResult FetchFile(const std::string& url, const std::string& targetPath, const HttpOptions& options = {});

/// FetchText reduced to success or failure.
bool GetWebText(const std::string& url, std::string& text, const HttpOptions& options = {});
/// FetchFile reduced to success or failure.
bool DownloadWebFile(const std::string& url, const std::string& targetPath, const HttpOptions& options = {});

/// True for an http:// or https:// address (the only schemes the client follows).
bool IsWebAddress(const std::string& url);

}  // namespace KeyForge
