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
#include "tests/plot/browser_pixels.h"
#include "tests/server/server_process.h"

namespace glidestone::plot {
namespace {

namespace fs = std::filesystem;

using test::Chromium;
using test::Hex;
using test::Near;
using test::Png;
using test::Rgb;
using test::Show;
using test::TempDir;

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
