#include "game/record.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "game/random_shot.h"

namespace glidestone {
namespace {

std::vector<std::string> ShortGame(bool finish = true) {
    Rules rules;
    rules.ends = 2;
    rules.sigma_speed = 0.02;
    rules.sigma_angle = 0.002;
    Game game(rules, 11, 2, {"North", "South"});
    SplitMix64 shots = SplitMix64::Stream(3, 0);
    while (!game.finished() && (finish || game.deliveries() < 20)) game.Play(RandomShot(shots));
    return game.record();
}

std::size_t ErrorLine(const std::vector<std::string>& lines) {
    try {
        ReplayGame(lines);
    } catch (const RecordError& error) {
        return error.line();
    }
    return 0;
}

TEST(RecordTest, LinesCarryTheMembersOtherToolsRead) {
    std::vector<std::string> const lines = ShortGame();
    EXPECT_EQ(lines[0].rfind(R"({"format":"glidestone-game","version":1,"rules":{"ends":2,)", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(R"("seed":11,"game":2,"teams":["North","South"])"), std::string::npos);
    EXPECT_EQ(lines[1].rfind(R"({"end":1,"delivery":1,"team":0,"stone":0,"action":{"shot":[)", 0), 0u) << lines[1];
    for (const char* member : {"\"release\":[", "\"frames\":", "\"before\":[]", "\"after\":[", "\"events\":["})
        EXPECT_NE(lines[1].find(member), std::string::npos) << member;
    EXPECT_EQ(lines[17].rfind(R"({"end":1,"score":[)", 0), 0u) << lines[17];
    EXPECT_EQ(lines.back().rfind(R"({"result":{"totals":[)", 0), 0u);
}

TEST(RecordTest, ChangedTruncatedOrExtraLinesAreNamed) {
    std::vector<std::string> const good = ShortGame();
    EXPECT_EQ(ErrorLine(good), 0u);

    // One bit of one stone.
    std::vector<std::string> changed = good;
    std::string& line = changed[12];
    std::size_t const x = line.find("\"x\":", line.find("\"after\""));
    ASSERT_NE(x, std::string::npos);
    line[x + 6] = line[x + 6] == '1' ? '2' : '1';
    EXPECT_EQ(ErrorLine(changed), 13u);

    std::vector<std::string> cut = good;
    cut[5].resize(cut[5].size() / 2);
    EXPECT_EQ(ErrorLine(cut), 6u);

    std::vector<std::string> extra = good;
    extra.push_back(good[1]);
    EXPECT_EQ(ErrorLine(extra), good.size() + 1);

    // A delivery line without the end's line that must follow it.
    std::vector<std::string> no_end(good.begin(), good.begin() + 17);
    EXPECT_EQ(ErrorLine(no_end), 18u);

    std::vector<std::string> missing_result(good.begin(), good.end() - 1);
    EXPECT_EQ(ErrorLine(missing_result), good.size());

    // Other rules: team 1 delivers first, and the first delivery line differs.
    std::vector<std::string> rules = good;
    rules[0].replace(rules[0].find("\"first_hammer\":1"), 16, "\"first_hammer\":0");
    EXPECT_EQ(ErrorLine(rules), 2u);

    for (const char* header : {"", "[]", R"({"format":"glidestone-game","version":2})",
                               R"({"format":"other","version":1})", "{\"format\":\"glidestone-game\""}) {
        std::vector<std::string> bad = good;
        bad[0] = header;
        EXPECT_EQ(ErrorLine(bad), 1u) << header;
    }
    std::vector<std::string> unknown = good;
    unknown[0].insert(1, R"("colour":"red",)");
    EXPECT_EQ(ErrorLine(unknown), 1u);
    EXPECT_EQ(ErrorLine({}), 1u);
}

TEST(RecordTest, UnfinishedGameReplaysToWhereItStopped) {
    std::vector<std::string> const lines = ShortGame(false);
    Game const game = ReplayGame(lines);
    EXPECT_FALSE(game.finished());
    EXPECT_EQ(game.deliveries(), 20u);
    std::stringstream text;
    for (const std::string& line : lines) text << line << "\r\n";
    EXPECT_EQ(ReplayGame(text).record(), lines);
}

TEST(RecordTest, ActionsReadAsRequestsShotsOrReleases) {
    Action const pass = ParseAction(R"({"shot":[0.5,-38,-1]})");
    ASSERT_TRUE(std::holds_alternative<Shot>(pass));
    EXPECT_TRUE(std::get<Shot>(pass).pass);
    EXPECT_EQ(std::get<Shot>(pass).target.y, 38.0f);
    EXPECT_EQ(std::get<Shot>(pass).spin, -1.0);
    Action const release = ParseAction(R"({"release":[0.1,2.5,1.57]})");
    ASSERT_TRUE(std::holds_alternative<Release>(release));
    EXPECT_EQ(std::get<Release>(release).velocity.y, 2.5f);
    for (const char* bad :
         {"", "{}", "[1,2,3]", R"({"shot":[1,2]})", R"({"shot":[1,2,"a"]})", R"({"shot":[0,38,1],"release":[0,2,0]})",
          R"({"release":[0,1e40,0]})", R"({"release":[0,200,0]})", R"({"throw":[0,2,0]})"})
        EXPECT_THROW(ParseAction(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace glidestone
