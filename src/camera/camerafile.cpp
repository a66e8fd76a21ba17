#include "camera/camerafile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/files.h"

namespace vt {

std::string FixPointText(std::int32_t x, std::int32_t y) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "x=%5.1d, y=%5.1d", x, y);
    return buf;
}

std::int32_t FixPointValue(std::int32_t x, std::int32_t y) {
    return std::int32_t(std::uint32_t(x) * 65536u + std::uint32_t(y));
}

std::string FormatRepairLine(char mark, const HotPixelRecord& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%c%5.5d,%5.5d,%5.5d,%5.5d,%5.5d,%5.5d,%5.5d,%5.5d", mark,
                  r.v[0], r.v[1], r.v[2], r.v[3], r.v[4], r.v[5], r.v[6], r.v[7]);
    return buf;
}

namespace {

constexpr std::size_t kLineLength = 48;

// Converts one five-character number the way a decimal conversion of the
// piece would: blanks around it are allowed, a sign in front too, anything
// else is an error.
bool ParseNumber(const std::string& piece, std::int32_t& out) {
    std::size_t i = 0, n = piece.size();
    while (i < n && piece[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (piece[i] == '-' || piece[i] == '+')) negative = piece[i++] == '-';
    std::size_t digitsStart = i;
    std::int32_t value = 0;
    while (i < n && piece[i] >= '0' && piece[i] <= '9')
        value = value * 10 + (piece[i++] - '0');
    if (i == digitsStart) return false;
    while (i < n && piece[i] == ' ')
        ++i;
    if (i != n) return false;
    out = negative ? -value : value;
    return true;
}

// The bytes of a line as text that is safe to show: printable ASCII stays,
// every other byte (control characters, escape sequences, broken UTF-8)
// is written as \xNN, and a backslash as \\.
std::string Printable(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == '\\')
            text += "\\\\";
        else if (b >= 0x20 && b < 0x7F)
            text += c;
        else
            text += {'\\', 'x', kHex[b >> 4], kHex[b & 15]};
    }
    return text;
}

} // namespace

std::string CameraFileFailureText(const std::string& path, const std::exception& e) {
    const bool parse = dynamic_cast<const CameraFileParseError*>(&e) != nullptr;
    return (parse ? "Invalid camera file " : "Unable to open or read file ") + path + "\r" +
           e.what();
}

void CameraFileParser::add(const std::string& line) {
    ++lineNumber_;
    if (line.empty()) {
        // An empty line is allowed only as the very last line of the file;
        // a line after it shows that it was not.
        if (emptyLine_ == 0) emptyLine_ = lineNumber_;
        return;
    }
    if (emptyLine_ != 0) TooShort(emptyLine_, 0);
    if (line.size() < kLineLength) TooShort(lineNumber_, line.size());
    HotPixelRecord rec;
    for (int k = 0; k < 8; ++k) {
        // The pieces start at columns 2, 8, 14, ... of the line.
        std::string piece = line.substr(1 + std::size_t(k) * 6, 5);
        if (!ParseNumber(piece, rec.v[std::size_t(k)]))
            throw CameraFileParseError("Line " + std::to_string(lineNumber_) + ": '" +
                                       Printable(piece) + "' is not a valid number.");
    }
    contents_.records.push_back(rec);
    if (line[0] == '*') contents_.marked.push_back({rec.x(), rec.y()});
}

CameraFileContents CameraFileParser::finish() {
    // One empty line at the end is what an editor leaves; more are not.
    if (emptyLine_ != 0 && emptyLine_ != lineNumber_) TooShort(emptyLine_, 0);
    return std::move(contents_);
}

void CameraFileParser::TooShort(std::size_t line, std::size_t length) {
    throw CameraFileParseError("Line " + std::to_string(line) + " is too short: " +
                               std::to_string(length) + " characters instead of 48.");
}

CameraFileContents ParseCameraLines(const std::vector<std::string>& lines) {
    CameraFileParser parser;
    for (const std::string& line : lines)
        parser.add(line);
    return parser.finish();
}

CameraFileContents ReadCameraFile(const std::string& path) {
    CameraFileParser parser;
    std::string error;
    if (!ForEachTextLine(
            path, [&](std::string& line) { parser.add(line); }, error))
        throw CameraFileError(error);
    return parser.finish();
}

void WriteCameraFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    text.reserve(lines.size() * (kLineLength + 2));
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        text += *it;
        text += "\r\n";
    }
    WriteFileAtomically(path, text);
}

} // namespace vt
