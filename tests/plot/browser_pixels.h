#pragma once

// What the tests that look at pictures drawn by a real browser share: where
// Chromium is, a scratch directory for its pages and profiles, and the pixels
// of the PNG it writes.

#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "plot/picture_layout.h"

namespace glidestone::test {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// "#rrggbb" as a colour.
inline Rgb Hex(const char* colour) {
    unsigned long const v = std::strtoul(colour + 1, nullptr, 16);
    return {static_cast<int>(v >> 16 & 0xff), static_cast<int>(v >> 8 & 0xff), static_cast<int>(v & 0xff)};
}

inline bool Near(Rgb a, Rgb b, int tolerance = 24) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

inline std::string Show(Rgb c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

class Png {
public:
    // Empty (width 0) with `error` set when the file cannot be read.
    explicit Png(const std::filesystem::path& path) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, path.c_str())) {
            error = image.message;
            return;
        }
        image.format = PNG_FORMAT_RGB;
        pixels_.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels_.data(), 0, nullptr)) {
            error = image.message;
            png_image_free(&image);
            return;
        }
        width = static_cast<int>(image.width);
        height = static_cast<int>(image.height);
    }

    // The pixel that covers the point (px, py); far from every colour
    // outside the image.
    Rgb At(double px, double py) const {
        int const x = static_cast<int>(std::floor(px));
        int const y = static_cast<int>(std::floor(py));
        if (x < 0 || y < 0 || x >= width || y >= height) return {-1000, -1000, -1000};
        const std::uint8_t* q = &pixels_[(static_cast<std::size_t>(y) * width + x) * 3];
        return {q[0], q[1], q[2]};
    }
    Rgb At(plot::Pixel p) const { return At(p.x, p.y); }

    int width = 0;
    int height = 0;
    std::string error;

private:
    std::vector<std::uint8_t> pixels_;
};

// Where the browser is, or empty when it is not installed.
inline std::string Chromium() {
    // GLIDESTONE_CHROMIUM names another binary; set empty, none (to see the skip).
    if (const char* given = std::getenv("GLIDESTONE_CHROMIUM")) return given;
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (::access(candidate, X_OK) == 0) return candidate;
    return "";
}

// A directory of its own under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/glidestone-browser-XXXXXX";
        path_ = ::mkdtemp(name) ? name : "";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace glidestone::test
