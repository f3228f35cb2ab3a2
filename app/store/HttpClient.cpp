// libcurl behind the update service's two requests.
#include "app/store/HttpClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace KeyForge {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Where the body goes: a string with a size cap, or a file descriptor.
struct Sink {
    std::string* text = nullptr;
    std::size_t maxText = 0;
    int fd = -1;
    std::uint64_t maxFile = 0;
    std::uint64_t bytes = 0;
    std::string failure;  // set when the sink refused data
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    Sink& sink = *static_cast<Sink*>(user);
    const std::size_t length = size * count;
    if (sink.text) {
        if (sink.text->size() + length > sink.maxText) {
            sink.failure = "body longer than " + std::to_string(sink.maxText) + " bytes";
            return 0;
        }
        sink.text->append(data, length);
    } else {
        if (sink.bytes + length > sink.maxFile) {
            sink.failure = "download larger than " + std::to_string(sink.maxFile) + " bytes";
            return 0;
        }
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::write(sink.fd, data + done, length - done);
            if (n >= 0) {
                done += static_cast<std::size_t>(n);
            } else if (errno != EINTR) {
                sink.failure = std::string("cannot write the file: ") + std::strerror(errno);
                return 0;
            }
        }
    }
    sink.bytes += length;
    return length;
}

int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const std::atomic<bool>*>(user);
    return cancel && cancel->load() ? 1 : 0;
}

HttpResult Perform(const std::string& url, Sink& sink, std::chrono::milliseconds total,
                   const HttpOptions& options) {
    HttpResult result;
    if (!IsWebAddress(url)) {
        result.error = "not an http or https address: " + url;
        return result;
    }
    InitCurlOnce();
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.error = "cannot start a transfer";
        return result;
    }
    curl_slist* raw = nullptr;
    for (const char* header : {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
        curl_slist* next = curl_slist_append(raw, header);
        if (!next) {
            curl_slist_free_all(raw);
            result.error = "out of memory";
            return result;
        }
        raw = next;
    }
    std::unique_ptr<curl_slist, ListDeleter> headers(raw);
    char errorText[CURL_ERROR_SIZE] = {};

    CURL* e = easy.get();
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect may not drop the protection an https address promised.
    const bool secure = strncasecmp(url.c_str(), "https://", 8) == 0;
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, kUpdateUserAgent);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caBundle.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, options.caBundle.c_str());
    // Signals cannot interrupt a worker thread's name lookup safely.
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeout.count()));
    curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, static_cast<long>(total.count()));
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, options.stallBytesPerSecond);
    curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, static_cast<long>(options.stallTimeout.count()));
    if (sink.fd >= 0)
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxDownloadBytes));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText);
    if (options.cancel) {
        curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, CheckCancel);
        curl_easy_setopt(e, CURLOPT_XFERINFODATA, options.cancel);
    }

    const CURLcode code = curl_easy_perform(e);
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &result.status);
    result.bytes = sink.bytes;
    if (code != CURLE_OK) {
        if (!sink.failure.empty())
            result.error = sink.failure;
        else if (code == CURLE_ABORTED_BY_CALLBACK)
            result.error = "cancelled";
        else
            result.error = errorText[0] ? errorText : curl_easy_strerror(code);
        return result;
    }
    if (result.status < 200 || result.status > 299) {
        result.error = "the server answered " + std::to_string(result.status);
        return result;
    }
    // curl already fails a body shorter than announced; this guards the promise itself.
    curl_off_t announced = -1;
    curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    if (announced >= 0 && static_cast<std::uint64_t>(announced) != sink.bytes) {
        result.error =
            "received " + std::to_string(sink.bytes) + " of " + std::to_string(announced) + " bytes";
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace

bool IsWebAddress(const std::string& url) {
    auto startsWith = [&](const char* prefix) {
        return url.size() > std::strlen(prefix) && strncasecmp(url.c_str(), prefix, std::strlen(prefix)) == 0;
    };
    return startsWith("http://") || startsWith("https://");
}

HttpResult FetchText(const std::string& url, std::string& body, const HttpOptions& options) {
    body.clear();
    Sink sink;
    sink.text = &body;
    sink.maxText = options.maxTextBytes;
    HttpResult result = Perform(url, sink, options.textTimeout, options);
    if (!result.ok) body.clear();
    return result;
}

HttpResult FetchFile(const std::string& url, const std::string& targetPath, const HttpOptions& options) {
    HttpResult result;
    if (::unlink(targetPath.c_str()) != 0 && errno != ENOENT) {
        result.error = "cannot replace " + targetPath + ": " + std::strerror(errno);
        return result;
    }
    Sink sink;
    sink.maxFile = options.maxDownloadBytes;
    sink.fd = ::open(targetPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (sink.fd < 0) {
        result.error = "cannot create " + targetPath + ": " + std::strerror(errno);
        return result;
    }
    result = Perform(url, sink, options.downloadTimeout, options);
    if (result.ok && ::fsync(sink.fd) != 0) {
        result.ok = false;
        result.error = "cannot write " + targetPath + ": " + std::strerror(errno);
    }
    if (::close(sink.fd) != 0 && result.ok) {
        result.ok = false;
        result.error = "cannot write " + targetPath + ": " + std::strerror(errno);
    }
    // A partial package is of no use and must never be unpacked or run.
    if (!result.ok) ::unlink(targetPath.c_str());
    return result;
}

bool GetWebText(const std::string& url, std::string& text, const HttpOptions& options) {
    return FetchText(url, text, options).ok;
}

bool DownloadWebFile(const std::string& url, const std::string& targetPath, const HttpOptions& options) {
    return FetchFile(url, targetPath, options).ok;
}

}  // namespace KeyForge
