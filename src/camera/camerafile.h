// Camera files: fixed-width text lines, one hot pixel with its three
// reference pixels per line, written by the blackshot analysis and read into
// the hot-pixel list that the repair walks.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt {

// Hot pixel x, y, then x, y of references 1, 2 and 3.
struct HotPixelRecord {
    std::array<std::int32_t, 8> v{};
    std::int32_t x() const { return v[0]; }
    std::int32_t y() const { return v[1]; }
    std::int32_t refX(int i) const { return v[2 + 2 * i]; }
    std::int32_t refY(int i) const { return v[3 + 2 * i]; }
    bool operator==(const HotPixelRecord&) const = default;
};

using HotPixelList = std::vector<HotPixelRecord>;

// One entry of the hot-pixel display list: the marked line of a block.
struct MarkedPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const MarkedPoint&) const = default;
};

// The display text of a marked point, "x=%5.1d, y=%5.1d".
std::string FixPointText(std::int32_t x, std::int32_t y);
// The value stored with a display entry: x * 65536 + y (32-bit, wrapping).
std::int32_t FixPointValue(std::int32_t x, std::int32_t y);

// One repair line without its CR LF: the mark character followed by the
// eight numbers formatted with "%5.5d,%5.5d,...". All numbers must be in
// 0..99999.
std::string FormatRepairLine(char mark, const HotPixelRecord& r);

// A camera file could not be read: a message for the user (the system's
// error text, or what is wrong with which line).
class CameraFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The camera file was read, but a line of it is malformed.
class CameraFileParseError : public CameraFileError {
  public:
    using CameraFileError::CameraFileError;
};

// What the user is told when the camera file at path cannot be used: the
// path and the reason, after "Unable to open or read file " when the file
// could not be read, after "Invalid camera file " when its contents are
// malformed.
std::string CameraFileFailureText(const std::string& path, const std::exception& e);

struct CameraFileContents {
    HotPixelList records;            // every line, in file order
    std::vector<MarkedPoint> marked; // the marked lines, in file order
};

// Parses a camera file line by line (lines without their ends), keeping
// only the records: a file of millions of lines costs its records, not its
// text. A line shorter than 48 characters or with a number that does not
// convert throws CameraFileError naming it; one empty line at the very end
// is allowed.
class CameraFileParser {
  public:
    void add(const std::string& line);
    CameraFileContents finish();

  private:
    [[noreturn]] static void TooShort(std::size_t line, std::size_t length);

    CameraFileContents contents_;
    std::size_t lineNumber_ = 0;
    std::size_t emptyLine_ = 0; // the first empty line, 0 for none
};

// Parses the lines of a camera file (without line ends). Throws
// CameraFileError naming the first malformed line.
CameraFileContents ParseCameraLines(const std::vector<std::string>& lines);

// Reads the file (CR LF, LF or CR line ends) line by line and parses it.
// Throws CameraFileError with the system's error text when the file cannot
// be read, or naming the first malformed line.
CameraFileContents ReadCameraFile(const std::string& path);

// Creates or replaces the file with the given lines in reverse order, each
// followed by CR LF. The old file stays as it was unless the new one was
// written completely. Throws std::runtime_error with the system's error text.
void WriteCameraFile(const std::string& path, const std::vector<std::string>& lines);

} // namespace vt
