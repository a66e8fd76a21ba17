#include "platform/registry.h"

#include <cstdlib>

#include "platform/files.h"
#include "platform/inifile.h"

namespace vt {

namespace {

std::string& OverridePath() {
    static std::string path;
    return path;
}

std::string DefaultStorePath() {
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
        base = x;
    else if (const char* h = std::getenv("HOME"); h && *h)
        base = std::string(h) + "/.config";
    else
        base = "/tmp";
    base = IncludeTrailingDelimiter(base);
    CreateDir(base);
    CreateDir(base + "Vorantel");
    return base + "Vorantel/registry";
}

// Values are stored as "type:data" lines of an INI file whose sections are
// the keys.
const char kBinary[] = "hex:";
const char kInteger[] = "dword:";
const char kString[] = "sz:";

std::optional<std::string> Raw(const std::string& path, const std::string& key,
                               const std::string& name, const std::string& prefix) {
    // A value is never stored empty, so an empty read means missing.
    std::string v = TIniFile(path).ReadString(key, name, "");
    if (v.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    return v.substr(prefix.size());
}

} // namespace

void TRegistry::setStorePath(const std::string& path) {
    OverridePath() = path;
}
std::string TRegistry::storePath() {
    return OverridePath().empty() ? DefaultStorePath() : OverridePath();
}

TRegistry::TRegistry() : path_(storePath()) {}
TRegistry::TRegistry(std::string storePath) : path_(std::move(storePath)) {}

bool TRegistry::ValueExists(const std::string& key, const std::string& name) const {
    return !TIniFile(path_).ReadString(key, name, "").empty();
}

std::optional<std::vector<std::uint8_t>> TRegistry::ReadBinary(const std::string& key,
                                                               const std::string& name) const {
    auto raw = Raw(path_, key, name, kBinary);
    if (!raw || raw->size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> data;
    for (std::size_t i = 0; i < raw->size(); i += 2) {
        char* end = nullptr;
        std::string byte = raw->substr(i, 2);
        long v = std::strtol(byte.c_str(), &end, 16);
        if (end != byte.c_str() + 2) return std::nullopt;
        data.push_back(std::uint8_t(v));
    }
    return data;
}

std::optional<std::int32_t> TRegistry::ReadInteger(const std::string& key,
                                                   const std::string& name) const {
    auto raw = Raw(path_, key, name, kInteger);
    if (!raw) return std::nullopt;
    return StrToInt(*raw);
}

std::optional<std::string> TRegistry::ReadString(const std::string& key,
                                                 const std::string& name) const {
    return Raw(path_, key, name, kString);
}

void TRegistry::WriteBinary(const std::string& key, const std::string& name,
                            const std::vector<std::uint8_t>& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = kBinary;
    for (std::uint8_t b : data) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    TIniFile(path_).WriteString(key, name, text);
}

void TRegistry::WriteInteger(const std::string& key, const std::string& name, std::int32_t value) {
    TIniFile(path_).WriteString(key, name, kInteger + std::to_string(value));
}

void TRegistry::WriteString(const std::string& key, const std::string& name,
                            const std::string& value) {
    TIniFile(path_).WriteString(key, name, kString + value);
}

} // namespace vt
