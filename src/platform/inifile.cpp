#include "platform/inifile.h"

#include <cstdint>
#include <vector>

#include "platform/files.h"

namespace vt {

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(path, lines, error)) lines.clear();
    return lines;
}

bool IsSectionHeader(const std::string& line, std::string& name) {
    std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    auto close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

bool SplitKey(const std::string& line, std::string& key, std::string& value) {
    auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return !key.empty() && key[0] != ';';
}

} // namespace

std::optional<int> StrToInt(const std::string& text) {
    std::string t = Trim(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == t.size()) return std::nullopt;
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        char c = t[i];
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * base + d;
        if (v > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 10) {
        if (negative) v = -v;
        if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
        return int(v);
    }
    // Hexadecimal covers the full 32 bits.
    std::int32_t r = std::int32_t(std::uint32_t(v));
    return negative ? -r : r;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    std::string current;
    bool inSection = false;
    for (const std::string& line : ReadLines(path_)) {
        std::string name, k, v;
        if (IsSectionHeader(line, name)) {
            inSection = SameText(name, section);
            continue;
        }
        if (inSection && SplitKey(line, k, v) && SameText(k, key)) {
            // Quotes around a value are dropped, as the platform does.
            if (v.size() >= 2 &&
                ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
                v = v.substr(1, v.size() - 2);
            return v;
        }
    }
    return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    std::string v = ReadString(section, key, "");
    return v.empty() ? def : StrToIntDef(v, def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    std::vector<std::string> lines = ReadLines(path_);
    int sectionStart = -1;
    int insertAt = -1;
    bool done = false;
    for (std::size_t i = 0; i < lines.size() && !done; ++i) {
        std::string name, k, v;
        if (IsSectionHeader(lines[i], name)) {
            if (sectionStart >= 0) break; // end of our section
            if (SameText(name, section)) {
                sectionStart = int(i);
                insertAt = int(i) + 1;
            }
            continue;
        }
        if (sectionStart < 0) continue;
        if (SplitKey(lines[i], k, v) && SameText(k, key)) {
            lines[i] = k + "=" + value;
            done = true;
        } else if (!Trim(lines[i]).empty()) {
            insertAt = int(i) + 1;
        }
    }
    if (!done) {
        if (sectionStart < 0) {
            if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
            lines.push_back("[" + section + "]");
            lines.push_back(key + "=" + value);
        } else {
            lines.insert(lines.begin() + insertAt, key + "=" + value);
        }
    }
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    WriteFileAtomically(path_, text);
}

void TIniFile::EraseSection(const std::string& section) {
    std::vector<std::string> lines = ReadLines(path_);
    std::vector<std::string> kept;
    bool inSection = false, found = false;
    for (const std::string& line : lines) {
        std::string name;
        if (IsSectionHeader(line, name)) inSection = SameText(name, section);
        found = found || inSection;
        if (!inSection) kept.push_back(line);
    }
    if (!found) return;
    std::string text;
    for (const std::string& l : kept)
        text += l + "\r\n";
    WriteFileAtomically(path_, text);
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace vt
