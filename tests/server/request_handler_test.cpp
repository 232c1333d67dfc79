#include "server/request_handler.h"

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
