#include "camera/cameraidentity.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <stdexcept>

#include "camera/cameralibrary.h"
#include "platform/files.h"
#include "platform/inifile.h"

namespace vt {

namespace {

// Settings values and section names may hold any text: the characters the
// settings file gives a meaning to, and blanks at either end (which it
// trims), are written as %XX.
std::string Encode(const std::string& s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const bool edgeBlank = (c == ' ' || c == '\t') && (i == 0 || i + 1 == s.size());
        if (c < 0x20 || c == 0x7F || c == '%' || c == '[' || c == ']' || c == '=' || c == ';' ||
            c == '"' || c == '\'' || edgeBlank) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Decode(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
            out += char(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string SectionOf(const std::string& camera) {
    return "Camera " + Encode(camera);
}

// FNV-1a over the camera file: "" when it cannot be read.
std::string Fingerprint(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::uint64_t h = 0xCBF29CE484222325ull;
    char buf[65536];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            h ^= static_cast<unsigned char>(buf[i]);
            h *= 0x100000001B3ull;
        }
        if (!in) break;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(h));
    return text;
}

std::string NowStamp() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

struct Recorded {
    CameraIdentity identity;
    std::string defined;
};

// What the settings hold for the camera, if its file is still the one it
// was recorded for.
Recorded Recall(const TIniFile& ini, const std::string& cameraDir, const std::string& camera) {
    const std::string section = SectionOf(camera);
    const std::string file = ini.ReadString(section, "File", "");
    if (file.empty() || file != Fingerprint(CameraFilePath(cameraDir, camera))) return {};
    Recorded r;
    r.identity.make = Decode(ini.ReadString(section, "Make", ""));
    r.identity.model = Decode(ini.ReadString(section, "Model", ""));
    r.identity.serial = Decode(ini.ReadString(section, "Serial", ""));
    r.defined = ini.ReadString(section, "Defined", "");
    return r;
}

bool StartsWithText(const std::string& s, const std::string& prefix) {
    return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

} // namespace

bool CameraIdentity::sameModel(const CameraIdentity& o) const {
    return SameText(make, o.make) && SameText(model, o.model);
}

CameraIdentity IdentityOf(const ExifTags& tags) {
    return {tags.make, tags.model, tags.serial};
}

std::string DescribeIdentity(const CameraIdentity& id) {
    std::string text = id.model;
    if (!id.make.empty() && !StartsWithText(id.model, id.make))
        text = id.model.empty() ? id.make : id.make + " " + id.model;
    if (!id.serial.empty()) text += " (serial " + id.serial + ")";
    return text;
}

CommonIdentity CommonIdentityOf(const std::vector<CameraIdentity>& sources) {
    CommonIdentity common;
    bool serialAgrees = true;
    for (const CameraIdentity& s : sources) {
        if (s.empty()) continue;
        if (common.identity.empty()) {
            common.identity = s;
            common.mixed.push_back(s);
            continue;
        }
        if (!common.identity.sameModel(s)) {
            bool listed = false;
            for (const CameraIdentity& m : common.mixed)
                listed = listed || m.sameModel(s);
            if (!listed) common.mixed.push_back(s);
            continue;
        }
        if (s.serial.empty()) continue;
        if (common.identity.serial.empty())
            common.identity.serial = s.serial;
        else if (common.identity.serial != s.serial)
            serialAgrees = false;
    }
    if (common.mixed.size() > 1)
        common.identity = {};
    else
        common.mixed.clear();
    if (!serialAgrees) common.identity.serial.clear();
    return common;
}

std::string IdentityNoteText(const CommonIdentity& common) {
    if (!common.identity.empty())
        return "Batch repair will choose this camera for photos of the " +
               DescribeIdentity(common.identity) + ".";
    if (common.mixed.empty()) return {};
    std::string names;
    for (const CameraIdentity& m : common.mixed)
        names +=
            (names.empty() ? "" : ", ") + DescribeIdentity(CameraIdentity{m.make, m.model, {}});
    return "The files come from different cameras (" + names +
           "), so batch repair will not choose this camera by itself.";
}

std::string CameraSettingsPath(const std::string& cameraDir) {
    std::string dir = IncludeTrailingDelimiter(cameraDir);
    const std::string folder = ExtractFileName(dir.substr(0, dir.size() - 1));
    if (folder == "Cameras") return ExtractFilePath(dir.substr(0, dir.size() - 1)) + "Vorantel.ini";
    return dir + "Vorantel.ini";
}

void RememberCameraIdentity(const std::string& cameraDir, const std::string& camera,
                            const CameraIdentity& identity, const std::string& defined) {
    if (identity.empty()) {
        ForgetCameraIdentity(cameraDir, camera);
        return;
    }
    const std::string path = CameraFilePath(cameraDir, camera);
    const std::string fingerprint = Fingerprint(path);
    if (fingerprint.empty()) throw std::runtime_error("Cannot read the camera file " + path + ".");
    TIniFile ini(CameraSettingsPath(cameraDir));
    const std::string section = SectionOf(camera);
    ini.WriteString(section, "Make", Encode(identity.make));
    ini.WriteString(section, "Model", Encode(identity.model));
    ini.WriteString(section, "Serial", Encode(identity.serial));
    ini.WriteString(section, "Defined", defined.empty() ? NowStamp() : defined);
    // Last, so that an interrupted record never vouches for a file.
    ini.WriteString(section, "File", fingerprint);
}

void ForgetCameraIdentity(const std::string& cameraDir, const std::string& camera) {
    TIniFile(CameraSettingsPath(cameraDir)).EraseSection(SectionOf(camera));
}

CameraIdentity RecalledIdentity(const std::string& cameraDir, const std::string& camera) {
    return Recall(TIniFile(CameraSettingsPath(cameraDir)), cameraDir, camera).identity;
}

CameraIndex::CameraIndex(const std::string& cameraDir) {
    const TIniFile ini(CameraSettingsPath(cameraDir));
    for (const std::string& camera : EnumerateCameras(cameraDir)) {
        Recorded r = Recall(ini, cameraDir, camera);
        if (!r.identity.empty()) entries_.push_back({camera, r.identity, r.defined});
    }
}

CameraIndex::Match CameraIndex::match(const CameraIdentity& photo) const {
    if (photo.empty()) return {{}, NoExifText()};
    const Entry* best = nullptr;
    auto rank = [&](const Entry& e) {
        return !photo.serial.empty() && e.identity.serial == photo.serial ? 1 : 0;
    };
    for (const Entry& e : entries_) {
        if (!e.identity.sameModel(photo)) continue;
        if (!photo.serial.empty() && !e.identity.serial.empty() &&
            e.identity.serial != photo.serial)
            continue;
        if (!best || rank(e) > rank(*best) || (rank(e) == rank(*best) && e.defined > best->defined))
            best = &e;
    }
    if (!best) return {{}, NoMatchingCameraText(photo)};
    return {best->camera, {}};
}

std::string NoExifText() {
    return "The photo does not say which camera took it: its Exif data names no make or model.";
}

std::string NoMatchingCameraText(const CameraIdentity& photo) {
    return "No camera of the library was made for the " + DescribeIdentity(photo) +
           " that took this photo.";
}

} // namespace vt
