// Loading helper shared by the reader tests.
#pragma once

#include <exception>
#include <string>

#include "imageio/stream.h"
#include "platform/bitmap.h"

namespace vt::test {

// Loads the bytes with a fresh Reader; returns the error text, "" on
// success. On success the picture goes to *out when given.
template <class Reader> std::string LoadMessage(const std::string& bytes, Bitmap* out = nullptr) {
    Reader reader;
    TMemoryStream stream(bytes.data(), bytes.size());
    try {
        reader.LoadFromStream(stream);
    } catch (const std::exception& e) {
        return e.what();
    }
    if (out) *out = reader.TakeBitmap();
    return "";
}

} // namespace vt::test
