// SHA-256 digests (OpenSSL's EVP interface) for checking downloaded packages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace KeyForge {

/// Lower-case hex SHA-256 of the bytes.
std::string Sha256Hex(std::string_view bytes);

/// Lower-case hex SHA-256 of a file's contents, read in pieces; nothing when it cannot be read.
std::optional<std::string> Sha256FileHex(const std::string& path);

/// The digest a checksum file states: 64 hex digits, optionally surrounded by white
/// space and followed by a file name (the `sha256sum` format). Lower-cased; nothing
/// when the text holds no such digest.
std::optional<std::string> ParseSha256Text(std::string_view text);

}  // namespace KeyForge
