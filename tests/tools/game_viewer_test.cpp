// The game viewer's page: what it holds as text, and what a real browser
// (headless Chromium) makes of it: the DOM once the page's script has run,
// and the pixels of a delivery's picture against the record's stones.
// The browser checks are skipped only where Chromium is not installed.

#include "tools/game/game_viewer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/random_shot.h"
#include "game/record.h"
#include "plot/picture_layout.h"
#include "plot/shot_svg.h"
#include "research/random.h"
#include "shot/sheet.h"
#include "tests/plot/browser_pixels.h"
#include "tests/server/server_process.h"

namespace glidestone {
namespace {

namespace fs = std::filesystem;

struct Played {
    Game game;
    std::vector<DeliveryOutcome> outcomes;
};

// A game of random shots with noise; every seventh delivery a release given
// directly, so that the page has both kinds of action.
Played PlayGame(int ends, std::uint64_t seed, std::vector<std::string> names = {}) {
    Rules rules;
    rules.ends = ends;
    rules.sigma_speed = 0.03;
    rules.sigma_angle = 0.002;
    Played played{Game(rules, seed, 3, std::move(names)), {}};
    SplitMix64 generator(seed);
    while (!played.game.finished()) {
        Action action = RandomShot(generator);
        if (played.game.deliveries() % 7 == 6) action = Release{{0.06f, 2.4f}, 1.5f};
        played.outcomes.push_back(played.game.Play(action));
    }
    return played;
}

std::string Label(const DeliveryOutcome& outcome, const std::string& team_name) {
    return "End " + std::to_string(outcome.end) + ", delivery " + std::to_string(outcome.delivery) + ": " + team_name +
           ", stone " + std::to_string(outcome.stone) + ", ";
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(GameViewer, RefusesARecordThatDoesNotReplay) {
    Played const played = PlayGame(1, 11);
    std::vector<std::string> record = played.game.record();
    ASSERT_NO_THROW(RenderGameViewer(record));

    // A stone moved by a millimetre in one delivery's "after".
    std::vector<std::string> moved = record;
    std::string& line = moved[3];
    std::size_t const after = line.find("\"after\":[{");
    ASSERT_NE(after, std::string::npos) << line;
    std::size_t const x = line.find("\"x\":", after);
    ASSERT_NE(x, std::string::npos);
    std::size_t const end = line.find_first_of(",}", x);
    line.replace(x + 4, end - x - 4, "0.123456");
    EXPECT_THROW(RenderGameViewer(moved), RecordError);

    // A result that is not the game's.
    std::vector<std::string> renamed = record;
    renamed.back().replace(renamed.back().find("\"totals\""), 8, "\"totalz\"");
    EXPECT_THROW(RenderGameViewer(renamed), RecordError);
    // A delivery missing.
    std::vector<std::string> missing = record;
    missing.erase(missing.begin() + 2);
    EXPECT_THROW(RenderGameViewer(missing), RecordError);
    EXPECT_THROW(RenderGameViewer(std::vector<std::string>{}), RecordError);
    EXPECT_THROW(RenderGameViewer(std::vector<std::string>{"{\"format\":\"something else\"}"}), RecordError);
}

TEST(GameViewer, ThePageVisitsNothingAndHoldsEveryDelivery) {
    // Names that would break out of the page's markup or its script if they
    // were written as they are.
    Played const played = PlayGame(2, 5, {"Rock & <Roll>", "</script><script>alert(1)</script>"});
    std::string const html = RenderGameViewer(played.game.record());

    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(html.find("http://"), std::string::npos);
    EXPECT_EQ(html.find("https://"), std::string::npos);
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find("@import"), std::string::npos);
    EXPECT_EQ(html.find("url(h"), std::string::npos);
    // One script element, ended once: the names did not end it early.
    std::string lower = html;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Count(lower, "<script"), 1u);
    EXPECT_EQ(Count(lower, "</script"), 1u);
    EXPECT_EQ(Count(lower, "<!--"), 0u);
    EXPECT_NE(html.find("Rock &amp; &lt;Roll&gt;"), std::string::npos);
    // Two pictures a delivery: the still one and the one that plays.
    EXPECT_EQ(Count(html, "viewBox="), 2 * played.outcomes.size());
    EXPECT_GT(Count(html, "<animateTransform"), 0u);
    for (const DeliveryOutcome& outcome : played.outcomes) {
        std::string const label = Label(outcome, "Rock & <Roll>");
        if (outcome.team == 0) {
            EXPECT_NE(html.find(label), std::string::npos) << label;
        }
        std::string const where = label.substr(0, label.find(':') + 1);
        EXPECT_EQ(Count(html, "\"" + where), 1u) << where;
    }
}

TEST(GameViewer, ATenEndGameStaysSmall) {
    Played const played = PlayGame(10, 21);
    std::string const html = RenderGameViewer(played.game.record());
    std::cout << "a " << played.game.state().end_scores.size() << "-end game (" << played.outcomes.size()
              << " deliveries): " << html.size() << " bytes\n";
    ::testing::Test::RecordProperty("bytes", std::to_string(html.size()));
    EXPECT_LT(html.size(), 6u << 20);
}

// A release given directly has no target: its picture says so and shows
// none, where a shot's picture shows both.
TEST(GameViewer, AReleaseIsDrawnWithoutATarget) {
    plot::ShotPicture picture;
    picture.shot = Shot{{0.3f, 38.0f}, false, 1.0};
    picture.release_velocity = {0.1f, 2.3f};
    picture.trajectory.frames = 1;
    picture.trajectory.seconds_per_frame = 0.01f;
    picture.trajectory.start[kShotSlot].present = true;
    picture.trajectory.tracks[kShotSlot] = {{0, {0.3f, 38.0f}, 0.0f}, {1, {0.3f, 38.1f}, 0.0f}};
    std::string const shot = plot::RenderShotSvg(picture);
    EXPECT_NE(shot.find("class=\"target\""), std::string::npos);
    EXPECT_NE(shot.find("draw to (0.300, 38.000)"), std::string::npos);
    EXPECT_EQ(shot.find("release given directly"), std::string::npos);

    picture.show_target = false;
    picture.shot.target = {5.0f, 60.0f};  // beyond the picture: no marker either
    std::string const release = plot::RenderShotSvg(picture);
    EXPECT_EQ(release.find("class=\"target\""), std::string::npos);
    EXPECT_EQ(release.find("draw to"), std::string::npos);
    EXPECT_EQ(release.find("target"), std::string::npos);
    EXPECT_NE(release.find("release given directly"), std::string::npos);
}

// The numbers and rulings of a game's delivery: stones labelled by their
// numbers, a stone the rules took off not drawn at rest.
TEST(GameViewer, RuledOutStonesAreNotDrawnAtRest) {
    plot::ShotPicture picture;
    picture.shot = Shot{{0.3f, 38.0f}, false, 1.0};
    picture.trajectory.frames = 1;
    picture.trajectory.seconds_per_frame = 0.01f;
    for (std::size_t slot : {std::size_t{0}, kShotSlot}) {
        picture.trajectory.start[slot].present = true;
        float const x = slot == 0 ? -0.5f : 0.5f;
        picture.trajectory.tracks[slot] = {{0, {x, 38.0f}, 0.0f}, {1, {x, 38.2f}, 0.0f}};
    }
    std::string const plain = plot::RenderShotSvg(picture);
    EXPECT_EQ(Count(plain, "class=\"rest "), 2u);
    picture.stone_numbers = std::array<int, kStoneCount>{};
    (*picture.stone_numbers)[0] = 9;
    (*picture.stone_numbers)[kShotSlot] = 4;
    AllStones rest{};
    rest[0].present = true;
    rest[0].position = {-0.5f, 38.2f};
    picture.ruled_rest = rest;  // the shot stone taken off
    std::string const ruled = plot::RenderShotSvg(picture);
    EXPECT_EQ(Count(ruled, "class=\"rest "), 1u);
    EXPECT_NE(ruled.find("class=\"rest stone1 "), std::string::npos);
    EXPECT_NE(ruled.find("stone 4: out of play"), std::string::npos);
    EXPECT_NE(ruled.find("stone 9: (-0.500, 38.200)"), std::string::npos);
    EXPECT_NE(ruled.find(">9</text>"), std::string::npos);
    // The key lists the stones in play only, by their numbers.
    EXPECT_NE(ruled.find("yellow: stones 9<"), std::string::npos);
    EXPECT_NE(ruled.find("red: stones 4<"), std::string::npos);
}

// ---------------------------------------------------------------------------
// In the browser.

using test::Chromium;
using test::Hex;
using test::Near;
using test::Png;
using test::Rgb;
using test::Show;
using test::TempDir;

class ViewerInBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        chromium_ = Chromium();
        if (chromium_.empty()) GTEST_SKIP() << "Chromium is not installed (scripts/setup.sh --test installs it)";
        ASSERT_FALSE(dir_.path().empty());
    }

    fs::path Write(const std::string& html) {
        fs::path const path = dir_.path() / "game.html";
        std::ofstream(path) << html;
        return path;
    }

    test::ProcessResult Browse(const std::vector<std::string>& what, const std::string& url) {
        fs::path const profile = dir_.path() / ("profile-" + std::to_string(++runs_));
        std::vector<std::string> argv = {chromium_,
                                         "--headless",
                                         "--no-sandbox",
                                         "--disable-gpu",
                                         "--disable-quic",
                                         "--no-first-run",
                                         "--disable-background-networking",
                                         "--disable-component-update",
                                         "--disable-sync",
                                         "--hide-scrollbars",
                                         "--force-device-scale-factor=1",
                                         "--user-data-dir=" + profile.string()};
        argv.insert(argv.end(), what.begin(), what.end());
        argv.push_back(url);
        test::ChildProcess browser(argv, std::chrono::seconds(120));
        test::ProcessResult result = browser.Wait();
        EXPECT_TRUE(result.exited && result.exit_code == 0) << test::Describe(result);
        return result;
    }

    std::string DumpDom(const fs::path& page, const std::string& hash) {
        return Browse({"--dump-dom"}, "file://" + page.string() + hash).out;
    }

    std::string chromium_;
    TempDir dir_;
    int runs_ = 0;
};

std::string Element(const std::string& dom, const std::string& id) {
    std::size_t const at = dom.find("id=\"" + id + "\"");
    if (at == std::string::npos) return "";
    std::size_t const open = dom.find('>', at);
    std::size_t const close = dom.find("</", open);
    return dom.substr(open + 1, close - open - 1);
}

TEST_F(ViewerInBrowserTest, TheAddressSelectsADeliveryAndTheScoreboardHoldsTheTotals) {
    Played const played = PlayGame(2, 7, {"North", "South"});
    const GameState& state = played.game.state();
    ASSERT_TRUE(state.finished);
    fs::path const page = Write(RenderGameViewer(played.game.record()));

    // A delivery of the second end, with its rulings if any has some.
    const DeliveryOutcome* chosen = nullptr;
    for (const DeliveryOutcome& outcome : played.outcomes)
        if (outcome.end == 2 && (chosen == nullptr || (chosen->events.empty() && !outcome.events.empty())))
            chosen = &outcome;
    ASSERT_NE(chosen, nullptr);
    std::string const names[] = {"North", "South"};
    std::string const dom =
        DumpDom(page, "#end=" + std::to_string(chosen->end) + "&delivery=" + std::to_string(chosen->delivery));

    EXPECT_EQ(Element(dom, "total-0"), "<b>" + std::to_string(state.totals[0]));
    EXPECT_EQ(Element(dom, "total-1"), "<b>" + std::to_string(state.totals[1]));
    std::string const result = Element(dom, "totals");
    EXPECT_NE(result.find(std::to_string(state.totals[0]) + " \u2013 " + std::to_string(state.totals[1])),
              std::string::npos)
        << result;
    if (state.winner) {
        EXPECT_NE(result.find("Won by " + names[*state.winner]), std::string::npos) << result;
    } else {
        EXPECT_NE(result.find("Drawn"), std::string::npos) << result;
    }
    EXPECT_EQ(Element(dom, "label").rfind(Label(*chosen, names[chosen->team]), 0), 0u) << Element(dom, "label");
    // The selected delivery's picture, drawn in the page.
    std::size_t const picture = dom.find("id=\"picture\"");
    ASSERT_NE(picture, std::string::npos);
    EXPECT_NE(dom.find("<svg", picture), std::string::npos);
    // Its rulings in words.
    std::size_t const events = dom.find("id=\"events\"");
    ASSERT_NE(events, std::string::npos);
    std::string const list = dom.substr(events, dom.find("</ul>", events) - events);
    if (chosen->events.empty()) {
        EXPECT_NE(list.find("no stone out of play"), std::string::npos) << list;
    } else {
        EXPECT_EQ(Count(list, "<li>"), chosen->events.size()) << list;
        EXPECT_NE(list.find("stone " + std::to_string(chosen->events.front().stone)), std::string::npos) << list;
    }
    // Each end's points in the scoreboard.
    std::string const board = dom.substr(dom.find("id=\"scoreboard\""));
    for (int team = 0; team < 2; ++team) {
        std::string const row = board.substr(board.find("id=\"team-" + std::to_string(team) + "\""));
        std::size_t at = 0;
        for (const auto& score : state.end_scores) {
            at = row.find("class=\"end", at);
            ASSERT_NE(at, std::string::npos);
            at = row.find('>', at) + 1;
            EXPECT_EQ(row.substr(at, std::to_string(score[team]).size() + 1), std::to_string(score[team]) + "<");
        }
    }

    // Without an address, the first delivery.
    std::string const first = DumpDom(page, "");
    EXPECT_EQ(Element(first, "label").rfind(Label(played.outcomes.front(), names[played.outcomes.front().team]), 0), 0u)
        << Element(first, "label");
}

TEST_F(ViewerInBrowserTest, TheStonesAreDrawnInTheirTeamsColoursWhereTheRecordPutsThem) {
    Played const played = PlayGame(2, 9);
    plot::PictureLayout const layout = plot::LayoutFor(plot::View::kHouse);
    double const r = layout.ToPixels(sheet::kStoneRadius);
    auto shown = [&](Vector2 p) {
        plot::Pixel const q = layout.ToPixel(p);
        return q.x > r && q.x < layout.sheet_width - r && q.y > r && q.y < layout.height - r;
    };
    // The delivery that leaves most stones in the picture, of both teams.
    const DeliveryOutcome* chosen = nullptr;
    std::size_t best = 0;
    for (const DeliveryOutcome& outcome : played.outcomes) {
        std::size_t counts[2] = {0, 0};
        for (const StoneInPlay& stone : outcome.after)
            if (shown(stone.position)) ++counts[stone.team];
        if (counts[0] > 0 && counts[1] > 0 && counts[0] + counts[1] > best) {
            best = counts[0] + counts[1];
            chosen = &outcome;
        }
    }
    ASSERT_NE(chosen, nullptr) << "no delivery leaves stones of both teams in the house view";

    fs::path const page = Write(RenderGameViewer(played.game.record()));
    fs::path const png_path = dir_.path() / "delivery.png";
    int const width = kViewerPictureLeft + layout.width() + 400;
    int const height = kViewerPictureTop + layout.height;
    Browse(
        {"--screenshot=" + png_path.string(), "--window-size=" + std::to_string(width) + "," + std::to_string(height)},
        "file://" + page.string() + "#end=" + std::to_string(chosen->end) +
            "&delivery=" + std::to_string(chosen->delivery));
    Png const png(png_path);
    ASSERT_EQ(png.error, "");
    ASSERT_EQ(png.width, width);
    ASSERT_EQ(png.height, height);

    Rgb const colours[] = {Hex("#f5c400"), Hex("#c8102e")};
    auto on_page = [&](Vector2 p, double dx, double dy) {
        plot::Pixel const q = layout.ToPixel(p);
        return png.At(kViewerPictureLeft + q.x + dx, kViewerPictureTop + q.y + dy);
    };
    int checked = 0;
    for (const StoneInPlay& stone : chosen->after) {
        if (!shown(stone.position)) continue;
        ++checked;
        for (auto [dx, dy] :
             {std::pair{0.0, 0.6}, std::pair{0.0, -0.6}, std::pair{0.45, 0.45}, std::pair{-0.45, 0.45}}) {
            Rgb const c = on_page(stone.position, dx * r, dy * r);
            EXPECT_TRUE(Near(c, colours[stone.team])) << "stone " << stone.number << " of team " << stone.team
                                                      << " at (" << dx << ", " << dy << "): " << Show(c);
        }
    }
    EXPECT_GE(checked, 2);
    // Where a stone lay before and lies no longer, neither team's colour.
    for (const StoneInPlay& was : chosen->before) {
        if (!shown(was.position)) continue;
        bool covered = false;
        for (const StoneInPlay& is : chosen->after)
            covered = covered || std::hypot(is.position.x - was.position.x, is.position.y - was.position.y) <
                                     3 * sheet::kStoneRadius;
        if (covered) continue;
        Rgb const c = on_page(was.position, 0, 0.6 * r);
        EXPECT_FALSE(Near(c, colours[0]) || Near(c, colours[1])) << "stone " << was.number << " moved: " << Show(c);
    }
}

}  // namespace
}  // namespace glidestone
