// Per-user registry values: keys such as "Vorantel\Form1" holding named
// binary, integer and string values. Kept in one file in the user's
// configuration directory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vt {

class TRegistry {
  public:
    // The store of the current user: $XDG_CONFIG_HOME/Vorantel/registry
    // (~/.config/... without the variable), or the file set by setStorePath.
    TRegistry();
    explicit TRegistry(std::string storePath);

    // Where the current user's values live; tests point it elsewhere.
    static void setStorePath(const std::string& path);
    static std::string storePath();

    bool ValueExists(const std::string& key, const std::string& name) const;
    std::optional<std::vector<std::uint8_t>> ReadBinary(const std::string& key,
                                                        const std::string& name) const;
    std::optional<std::int32_t> ReadInteger(const std::string& key, const std::string& name) const;
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) const;

    // Writes throw std::runtime_error when the store cannot be written.
    void WriteBinary(const std::string& key, const std::string& name,
                     const std::vector<std::uint8_t>& data);
    void WriteInteger(const std::string& key, const std::string& name, std::int32_t value);
    void WriteString(const std::string& key, const std::string& name, const std::string& value);

  private:
    std::string path_;
};

} // namespace vt
