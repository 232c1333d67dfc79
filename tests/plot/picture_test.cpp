// The pictures as a person sees them: each SVG is drawn by a real browser
// (headless Chromium) into a PNG, and the pixels are checked against the
// sheet's geometry. Skipped only where Chromium is not installed (the test
// set-up installs it).

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "plot/picture_layout.h"
#include "plot/shot_svg.h"
#include "shot/sheet.h"
#include "tests/server/server_process.h"

namespace glidestone::plot {
namespace {

namespace fs = std::filesystem;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb Hex(const char* colour) {
    unsigned long const v = std::strtoul(colour + 1, nullptr, 16);
    return {static_cast<int>(v >> 16 & 0xff), static_cast<int>(v >> 8 & 0xff), static_cast<int>(v & 0xff)};
}

bool Near(Rgb a, Rgb b, int tolerance = 24) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

std::string Show(Rgb c) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

class Png {
public:
    // Empty (width 0) with `error` set when the file cannot be read.
    explicit Png(const fs::path& path) {
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

    // The pixel that covers the picture point `p`.
    Rgb At(Pixel p) const {
        int const x = static_cast<int>(std::floor(p.x));
        int const y = static_cast<int>(std::floor(p.y));
        if (x < 0 || y < 0 || x >= width || y >= height) return {-1000, -1000, -1000};
        const std::uint8_t* q = &pixels_[(static_cast<std::size_t>(y) * width + x) * 3];
        return {q[0], q[1], q[2]};
    }

    int width = 0;
    int height = 0;
    std::string error;

private:
    std::vector<std::uint8_t> pixels_;
};

// Where the browser is, or empty when it is not installed.
std::string Chromium() {
    // GLIDESTONE_CHROMIUM names another binary; set empty, none (to see the skip).
    if (const char* given = std::getenv("GLIDESTONE_CHROMIUM")) return given;
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (::access(candidate, X_OK) == 0) return candidate;
    return "";
}

class TempDir {
public:
    TempDir() {
        char name[] = "/tmp/glidestone-picture-XXXXXX";
        path_ = ::mkdtemp(name) ? name : "";
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        chromium_ = Chromium();
        if (chromium_.empty()) GTEST_SKIP() << "Chromium is not installed (scripts/setup.sh --test installs it)";
        ASSERT_FALSE(dir_.path().empty());
    }

    // Draws `svg` in the browser at its own size and reads the screenshot.
    Png Render(const std::string& svg, const PictureLayout& layout, const std::string& name) {
        fs::path const svg_path = dir_.path() / (name + ".svg");
        fs::path const png_path = dir_.path() / (name + ".png");
        std::ofstream(svg_path) << svg;
        fs::path const profile = dir_.path() / (name + "-profile");
        test::ChildProcess browser(
            {chromium_, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync", "--hide-scrollbars",
             "--force-device-scale-factor=1", "--user-data-dir=" + profile.string(),
             "--screenshot=" + png_path.string(),
             "--window-size=" + std::to_string(layout.width()) + "," + std::to_string(layout.height),
             "file://" + svg_path.string()},
            std::chrono::seconds(120));
        test::ProcessResult const result = browser.Wait();
        EXPECT_TRUE(result.exited && result.exit_code == 0) << test::Describe(result);
        Png png(png_path);
        EXPECT_EQ(png.error, "") << test::Describe(result);
        EXPECT_EQ(png.width, layout.width());
        EXPECT_EQ(png.height, layout.height);
        return png;
    }

    // Points at `radius` metres from the tee, up and to the left (away from
    // the lines, and from the stones of the shots below).
    static Vector2 FromTee(double radius) {
        double const d = radius / std::sqrt(2.0);
        return {static_cast<float>(sheet::kTee.x - d), static_cast<float>(sheet::kTee.y + d)};
    }

    // The rings where the sheet's geometry puts them, each boundary to within
    // 3 cm on either side.
    static void ExpectHouse(const Png& png, const PictureLayout& layout, double margin,
                            std::size_t rings = std::size(sheet::kRingRadii)) {
        Rgb const colours[] = {Hex("#2f6bd6"), Hex("#ffffff"), Hex("#d8342c"), Hex("#ffffff")};
        Rgb const ice = Hex("#f3f7fa");
        for (std::size_t i = 0; i < rings; ++i) {
            double const r = sheet::kRingRadii[i];
            Rgb const outside = i == 0 ? ice : colours[i - 1];
            Rgb const in = png.At(layout.ToPixel(FromTee(r - margin)));
            Rgb const out = png.At(layout.ToPixel(FromTee(r + margin)));
            EXPECT_TRUE(Near(in, colours[i])) << "inside ring " << i << ": " << Show(in);
            EXPECT_TRUE(Near(out, outside)) << "outside ring " << i << ": " << Show(out);
            // And across the whole band, halfway.
            double const inner = i + 1 < std::size(sheet::kRingRadii) ? sheet::kRingRadii[i + 1] : 0.0;
            Rgb const middle = png.At(layout.ToPixel(FromTee((r + inner) / 2)));
            EXPECT_TRUE(Near(middle, colours[i])) << "band of ring " << i << ": " << Show(middle);
        }
    }

    static bool Dark(Rgb c) { return c.r + c.g + c.b < 3 * 100; }

    // A dark line across the ice at y (any of the pixel rows it covers).
    static void ExpectLineAcross(const Png& png, const PictureLayout& layout, float y, const char* name) {
        for (float x : {-1.5f, 1.2f}) {
            Pixel const p = layout.ToPixel({x, y});
            bool dark = false;
            for (int dy = -1; dy <= 1; ++dy) dark = dark || Dark(png.At({p.x, p.y + dy}));
            EXPECT_TRUE(dark) << name << " at x = " << x << ": " << Show(png.At(p));
            EXPECT_FALSE(Dark(png.At({p.x, p.y - 0.15 * layout.pixels_per_metre - 3}))) << name << " is a line";
        }
    }

    std::string chromium_;
    TempDir dir_;
};

TEST_F(PictureTest, TheHouseAndTheDrawnStoneAreWhereTheGeometryPutsThem) {
    ShotPlayer player;
    ShotPicture const picture = RecordShot(player, {}, Shot{{0.5f, 38.0f}, false, 1.0});
    PictureLayout const layout = LayoutFor(View::kHouse);
    Png const png = Render(RenderShotSvg(picture), layout, "draw");
    ASSERT_EQ(png.error, "");

    ExpectHouse(png, layout, 0.03);
    ExpectLineAcross(png, layout, sheet::kTeeLineY, "tee line");
    ExpectLineAcross(png, layout, sheet::kBackLineY, "back line");
    ExpectLineAcross(png, layout, sheet::kHogLineY, "hog line");
    // The side lines: ice within, boards beyond.
    for (float y : {33.0f, 41.5f}) {
        EXPECT_TRUE(Near(png.At(layout.ToPixel({sheet::kSheetMinX + 0.04f, y})), Hex("#f3f7fa")));
        EXPECT_TRUE(Near(png.At(layout.ToPixel({sheet::kSheetMinX - 0.04f, y})), Hex("#c9ced6")));
        EXPECT_TRUE(Near(png.At(layout.ToPixel({sheet::kSheetMaxX - 0.04f, y})), Hex("#f3f7fa")));
        EXPECT_TRUE(Near(png.At(layout.ToPixel({sheet::kSheetMaxX + 0.04f, y})), Hex("#c9ced6")));
    }

    // The shot stone (stone 16: red) where it came to rest, and the black
    // ring that marks the shot stone just around it.
    Vector2 const rest = picture.trajectory.tracks[kShotSlot].back().position;
    Pixel const centre = layout.ToPixel(rest);
    double const r = layout.ToPixels(sheet::kStoneRadius);
    for (Pixel offset :
         {Pixel{0, 0.6 * r}, Pixel{0, -0.6 * r}, Pixel{0.45 * r, 0.45 * r}, Pixel{-0.45 * r, 0.45 * r}}) {
        Rgb const c = png.At({centre.x + offset.x, centre.y + offset.y});
        EXPECT_TRUE(Near(c, Hex("#c8102e"))) << "stone at (" << offset.x << ", " << offset.y << "): " << Show(c);
    }
    // Beyond the stone, no stone colour: it is drawn there and nowhere else.
    Rgb const beside = png.At({centre.x - 2.5 * r, centre.y + 2.5 * r});
    EXPECT_FALSE(Near(beside, Hex("#c8102e"))) << Show(beside);
    bool ring = false;
    for (double dr = 1.25; dr <= 1.55; dr += 0.05) ring = ring || Dark(png.At({centre.x, centre.y - dr * r}));
    EXPECT_TRUE(ring) << "the shot stone's ring";
}

TEST_F(PictureTest, TheWholeSheetShowsTheHouseTheReleaseAndTheStone) {
    ShotPlayer player;
    ShotPicture const picture = RecordShot(player, {}, Shot{{0.5f, 38.0f}, false, 1.0});
    PlotOptions options;
    options.view = View::kSheet;
    PictureLayout const layout = LayoutFor(options.view);
    Png const png = Render(RenderShotSvg(picture, options), layout, "sheet");
    ASSERT_EQ(png.error, "");
    // At 20 pixels a metre a ring boundary is known to a pixel or so; the
    // button is too small to be told from the lines through it.
    ExpectHouse(png, layout, 0.08, 3);
    ExpectLineAcross(png, layout, sheet::kHogLineY, "hog line");
    EXPECT_TRUE(Dark(png.At(layout.ToPixel({0.0f, 0.0f})))) << "the release point";
    Vector2 const rest = picture.trajectory.tracks[kShotSlot].back().position;
    Rgb const c = png.At(layout.ToPixel(rest));
    EXPECT_TRUE(Near(c, Hex("#c8102e"), 40)) << Show(c);
    // A third of the way, the path (dark red), and bare ice beside it.
    std::size_t const half = picture.trajectory.tracks[kShotSlot].size() / 3;
    Vector2 const along = picture.trajectory.tracks[kShotSlot][half].position;
    Pixel const on_path = layout.ToPixel(along);
    bool path = false;
    for (int dx = -1; dx <= 1; ++dx) path = path || Near(png.At({on_path.x + dx, on_path.y}), Hex("#7d0a1d"), 60);
    EXPECT_TRUE(path) << Show(png.At(on_path));
    EXPECT_TRUE(Near(png.At(layout.ToPixel({along.x + 0.5f, along.y})), Hex("#f3f7fa")));
    EXPECT_TRUE(Near(png.At(layout.ToPixel({-1.2f, along.y})), Hex("#f3f7fa")));
}

}  // namespace
}  // namespace glidestone::plot
