#include "protocol/request_handler.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace glidestone {
namespace {

using nlohmann::json;

constexpr const char* kDraw = R"({"shot":[0,35,1],"stone1":[0,0,0]})";

class RequestHandlerTest : public ::testing::Test {
protected:
    json Reply(const std::string& line) { return json::parse(handler.Handle(line)); }

    // The error text a failed request raises.
    std::string Failure(const std::string& line) {
        try {
            handler.Handle(line);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no failure";
    }

    RequestHandler handler;
};

TEST_F(RequestHandlerTest, FreshDrawReplyHasTheWireFormat) {
    std::string const reply = handler.Handle(kDraw);
    EXPECT_EQ(reply.find('\n'), std::string::npos);
    EXPECT_EQ(reply.find(' '), std::string::npos);

    // Keys in byte order.
    std::size_t previous = 0;
    for (const char* key :
         {"shot", "stone1", "stone10", "stone11", "stone12", "stone13", "stone14", "stone15", "stone16", "stone2",
          "stone3", "stone4", "stone5", "stone6", "stone7", "stone8", "stone9"}) {
        std::size_t const at = reply.find('"' + std::string(key) + "\":");
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at + 1, previous) << key;
        previous = at + 1;
    }
    // The untouched flag is kept; stones the reply creates are pairs.
    EXPECT_NE(reply.find(R"("stone1":[0.0,0.0,0],)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"("stone2":[0.0,0.0],)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"("stone15":[0.0,0.0],)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"("shot":[0.1241)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"(,2.2988)"), std::string::npos) << reply;

    // The shot stone's x is a few millionths off the line: exponent form.
    std::string const marker = R"("stone16":[)";
    std::size_t const x_begin = reply.find(marker) + marker.size();
    std::string const x = reply.substr(x_begin, reply.find(',', x_begin) - x_begin);
    EXPECT_EQ(x.front(), '-') << x;
    EXPECT_NE(x.find("e-06"), std::string::npos) << x;
    EXPECT_NEAR(std::stod(x), -2.3e-6, 0.2e-6);
    EXPECT_NE(reply.find(",34.946", x_begin), std::string::npos) << reply;
    EXPECT_NE(reply.find(",1],\"stone2\""), std::string::npos) << reply;
}

TEST_F(RequestHandlerTest, DrawToTheSideCurlsOntoItsTarget) {
    json const reply = Reply(R"({"shot":[0.5,38.0,1],"stone1":[0,0,0]})");
    EXPECT_NEAR(reply["shot"][0].get<double>(), 0.1624, 1e-4);
    EXPECT_NEAR(reply["shot"][1].get<double>(), 2.3861, 1e-4);
    EXPECT_NEAR(reply["stone16"][0].get<double>(), 0.499, 1e-3);
    EXPECT_NEAR(reply["stone16"][1].get<double>(), 37.951, 1e-3);
}

TEST_F(RequestHandlerTest, StonesAcceptBooleansAndPairs) {
    json const reply = Reply(R"({"shot":[3,35,-1],"stone1":[true,2.0,1],"stone2":[-1,25],"stone3":[0,0,0.0]})");
    EXPECT_EQ(reply["stone1"][0].get<double>(), 1.0);  // far from the shot's path: never moved
    EXPECT_EQ(reply["stone1"][1].get<double>(), 2.0);
    EXPECT_EQ(reply["stone1"][2], 1);
    EXPECT_EQ(reply["stone2"].dump(), "[-1.0,25.0,null]");
}

TEST_F(RequestHandlerTest, FifteenStonesAndTheShotAllTakePart) {
    json request = {{"shot", {0.0, -37.0, 1}}};
    for (int n = 1; n <= 15; ++n) request["stone" + std::to_string(n)] = {-2.1 + 0.3 * n, 37.0 + 0.4 * (n % 3), 1};
    json const reply = Reply(request.dump());
    int moved = 0;
    for (int n = 1; n <= 15; ++n) {
        const json& stone = reply["stone" + std::to_string(n)];
        if (stone[0].get<double>() != request["stone" + std::to_string(n)][0].get<double>() ||
            stone[1].get<double>() != request["stone" + std::to_string(n)][1].get<double>())
            ++moved;
    }
    EXPECT_GT(moved, 0) << "a takeout at 3 m/s into the house moves something";
    EXPECT_EQ(reply["stone16"][2], 1);
}

TEST_F(RequestHandlerTest, OtherMembersComeBackReserialised) {
    std::string const reply =
        handler.Handle(R"({ "id" : 1.50, "n": 1E2, "k": 100, "name": "caf\u00e9 \/ \"x\"", "shot":[0,35,1],)"
                       R"( "stone1":[0,0,0], "stone16":[9,9,9,"keep"] })");
    EXPECT_NE(reply.find(R"("id":1.5,)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"("n":100.0,)"), std::string::npos);
    EXPECT_NE(reply.find(R"("k":100,)"), std::string::npos);
    EXPECT_NE(reply.find("\"name\":\"caf\xC3\xA9 / \\\"x\\\"\""), std::string::npos);
    EXPECT_NE(reply.find(R"(,1,"keep"])"), std::string::npos) << "stone16 keeps elements after the flag";
}

TEST_F(RequestHandlerTest, AbsentSlotsReportWhatTheyLastHeld) {
    Reply(R"({"shot":[0,35,1],"stone1":[1.5,20,1],"stone2":[0,0,0]})");
    json const reply = Reply(R"({"shot":[0,35,1],"stone1":[0,5,0],"stone2":[7,7,1]})");
    EXPECT_EQ(reply["stone1"].dump(), "[1.5,20.0,0]");
    EXPECT_EQ(reply["stone2"].dump(), "[0.0,0.0,1]") << "after the list ended: not read, history written";
}

TEST_F(RequestHandlerTest, MalformedRequestsFailWithTheLibrarysMessage) {
    EXPECT_NE(Failure("not json").find("parse error"), std::string::npos);
    EXPECT_NE(Failure("").find("parse error"), std::string::npos);
    EXPECT_NE(Failure("{}").find("type must be number, but is null"), std::string::npos);
    EXPECT_NE(Failure("[1]").find("cannot use operator[] with a string argument with array"), std::string::npos);
    EXPECT_NE(
        Failure(R"({"shot":[0,35,1],"stone1":5})").find("cannot use operator[] with a numeric argument with number"),
        std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0,35,1],"stone1":[0,0,0],"stone16":5})")
                  .find("cannot use operator[] with a numeric argument with number"),
              std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0.5,38.0,true],"stone1":[0,0,0]})").find("type must be number, but is boolean"),
              std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0.5,"38",1],"stone1":[0,0,0]})").find("type must be number, but is string"),
              std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0,35,1],"stone1":["a",1,1]})").find("type must be number, but is string"),
              std::string::npos);
    EXPECT_NE(Failure("// comment\n" + std::string(kDraw)).find("parse error"), std::string::npos);
}

TEST_F(RequestHandlerTest, NullTopLevelIsAnObjectWithoutStones) {
    EXPECT_NE(Failure("null").find("type must be number, but is null"), std::string::npos);
}

TEST_F(RequestHandlerTest, TargetOutOfRangeIsAnsweredWithoutMovingTheShot) {
    std::string const first = handler.Handle(kDraw);
    json const reply = Reply(R"({"shot":[0,20,1],"stone1":[0,0,0]})");
    EXPECT_EQ(reply["shot"].dump(), "[null,null,1]");
    EXPECT_EQ(reply["stone16"].dump(), "[0.0,0.0,1]");
    EXPECT_EQ(Reply(R"({"shot":[0,-5,-1],"stone1":[0,0,0]})")["shot"].dump(), "[null,null,-1]");
    // No trace left behind: the same request gives the same reply as before.
    EXPECT_EQ(handler.Handle(kDraw), first);
}

TEST_F(RequestHandlerTest, ValuesThatWouldPoisonThePhysicsAreRefused) {
    EXPECT_NE(Failure(R"({"shot":[0,35,1],"stone1":[1e39,30,1],"stone2":[0,0,0]})").find("not finite"),
              std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0,35,1],"stone1":[0,-1e300,1],"stone2":[0,0,0]})").find("not finite"),
              std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[0,35,1e308],"stone1":[0,0,0]})").find("spin"), std::string::npos);
    EXPECT_NE(Failure(R"({"shot":[1e300,35,1],"stone1":[0,0,0]})").find("no failure"), std::string::npos)
        << "an unreachable target is answered with a null velocity";
}

// Fifteen stones, all at (x, y), before a draw to the button.
std::string PileAt(const std::string& x, const std::string& y) {
    json request;
    for (int n = 1; n <= 15; ++n) request["stone" + std::to_string(n)] = json::parse("[" + x + "," + y + ",1]");
    request["shot"] = {0, 34, 1};
    return request.dump();
}

void ExpectFiniteRestPositions(const json& reply) {
    for (int n = 1; n <= 16; ++n) {
        const json& stone = reply["stone" + std::to_string(n)];
        EXPECT_TRUE(stone[0].is_number_float() && stone[1].is_number_float()) << "stone" << n << " " << stone;
    }
}

TEST_F(RequestHandlerTest, StonesFartherThanTheEngineCanHoldAreRefused) {
    // Two stones on one point at 2e38: their contact point overflowed and the
    // NaN reached the shot stone; fifteen of them took half a minute.
    std::string const pair = R"({"stone1":[2e38,2e38,1],"stone2":[2e38,2e38,1],"stone3":[0,0,0],"shot":[0,34,1]})";
    EXPECT_EQ(Failure(pair), "stone1 coordinate 2e+38 lies farther than 1e36 m from the release point");
    EXPECT_NE(Failure(PileAt("2e38", "2e38")).find("stone1 coordinate 2e+38 lies farther"), std::string::npos);
    EXPECT_NE(Failure(PileAt("0", "-1.5e36")).find("stone1 coordinate -1.5e+36 lies farther"), std::string::npos);
    EXPECT_NE(Failure(R"({"stone1":[0,30,1],"stone2":[1.0000001e36,0,1],"shot":[0,34,1],"stone3":[0,0,0]})")
                  .find("stone2 coordinate 1.0000001e+36"),
              std::string::npos);
}

TEST_F(RequestHandlerTest, StonesUpToTheBoundAreAnsweredWithFinitePositions) {
    json const pair = Reply(R"({"stone1":[1e36,1e36,1],"stone2":[1e36,1e36,1],"stone3":[0,0,0],"shot":[0,34,1]})");
    ExpectFiniteRestPositions(pair);
    EXPECT_EQ(pair["stone1"][0].get<double>(), static_cast<double>(1e36f));
    EXPECT_NEAR(pair["stone16"][1].get<double>(), 34.0, 0.1);

    json const pile = Reply(PileAt("-1e36", "1e36"));
    ExpectFiniteRestPositions(pile);
    EXPECT_EQ(pile["stone15"][1].get<double>(), static_cast<double>(1e36f));

    // Stones strewn to both ends of both axes: the broad phase's widest boxes.
    json request = json::parse(PileAt("0", "0"));
    for (int n = 1; n <= 15; ++n)
        request["stone" + std::to_string(n)] = {n % 2 ? 1e36 : -1e36, n % 3 ? -1e36 : 1e36, 1};
    ExpectFiniteRestPositions(Reply(request.dump()));

    // Hundreds of kilometres out plays as ever: the stones lie still.
    json const far = Reply(PileAt("300000", "-250000.5"));
    ExpectFiniteRestPositions(far);
    EXPECT_EQ(far["stone7"][0].get<double>(), 300000.0);
    EXPECT_EQ(far["stone7"][1].get<double>(), -250000.5);
}

TEST_F(RequestHandlerTest, SpinOutsideTheIntegerRangeCountsAsClockwise) {
    json const huge = Reply(R"({"shot":[0,35,5e9],"stone1":[0,0,0]})");
    handler.ResetToFreshState();
    json const clockwise = Reply(R"({"shot":[0,35,-1],"stone1":[0,0,0]})");
    EXPECT_EQ(huge["shot"][0], clockwise["shot"][0]);
    EXPECT_EQ(Reply(R"({"shot":[0,35,1.9],"stone1":[0,0,0]})")["shot"][0].get<double>() > 0.0, true)
        << "1.9 truncates to 1: counter-clockwise";
}

TEST_F(RequestHandlerTest, NestingAndLengthAreBounded) {
    std::string const deep(100000, '[');
    EXPECT_NE(Failure(R"({"x":)" + deep + "}").find("nested"), std::string::npos);
    std::string const fine = std::string(200, '[') + std::string(200, ']');
    std::string const reply = handler.Handle(R"({"x":)" + fine + R"(,"shot":[0,35,1],"stone1":[0,0,0]})");
    EXPECT_NE(reply.find(fine), std::string::npos);
    // Brackets inside strings are text, not nesting.
    EXPECT_EQ(Failure(R"({"x":")" + deep + R"(","shot":[0,35,1],"stone1":[0,0,0]})"), "no failure");
    std::string const long_line = R"({"pad":")" + std::string(kMaxRequestLineBytes, ' ') + R"("})";
    EXPECT_NE(Failure(long_line).find("longer than"), std::string::npos);
}

}  // namespace
}  // namespace glidestone
