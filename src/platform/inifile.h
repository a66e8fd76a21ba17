// INI files with the platform's private-profile behaviour: sections in
// square brackets, key=value lines, section and key names without regard to
// letter case, missing keys giving the caller's default, and every write
// going straight to the file.
#pragma once

#include <optional>
#include <string>

namespace vt {

class TIniFile {
  public:
    explicit TIniFile(std::string path) : path_(std::move(path)) {}
    const std::string& FileName() const { return path_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // The value as a decimal (or "$"/"0x" hexadecimal) integer; def when the
    // key is missing or its value is not a number.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // A number other than 0 is true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Writes throw std::runtime_error when the file cannot be written; the
    // old file then stays as it was.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // Removes the section with all its keys; a missing section (or file) is
    // left as it is.
    void EraseSection(const std::string& section);

  private:
    std::string path_;
};

// Decimal or hexadecimal integer with optional sign and surrounding blanks;
// nothing when the text is no number or does not fit in 32 bits.
std::optional<int> StrToInt(const std::string& text);
// The same with a default for what is no number.
inline int StrToIntDef(const std::string& text, int def) {
    return StrToInt(text).value_or(def);
}

} // namespace vt
