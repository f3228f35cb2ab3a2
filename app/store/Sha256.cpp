// SHA-256 through OpenSSL's EVP digest interface.
#include "app/store/Sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace KeyForge {

namespace {

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using Context = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Context NewContext() {
    Context context(EVP_MD_CTX_new());
    if (context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) context.reset();
    return context;
}

std::optional<std::string> Finish(EVP_MD_CTX* context) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1) return std::nullopt;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    Context context = NewContext();
    if (!context || EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1) return {};
    return Finish(context.get()).value_or("");
}

std::optional<std::string> Sha256FileHex(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    Context context = NewContext();
    bool ok = context != nullptr;
    char buffer[65536];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            ok = errno == EINTR;
            continue;
        }
        ok = EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(n)) == 1;
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return Finish(context.get());
}

std::optional<std::string> ParseSha256Text(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    std::string digest;
    for (; i < text.size() && digest.size() < 65; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            digest += c;
        else if (c >= 'a' && c <= 'f')
            digest += c;
        else if (c >= 'A' && c <= 'F')
            digest += static_cast<char>(c - 'A' + 'a');
        else
            break;
    }
    if (digest.size() != 64) return std::nullopt;
    if (i < text.size() && !IsSpace(text[i])) return std::nullopt;
    return digest;
}

}  // namespace KeyForge
