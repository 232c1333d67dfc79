#include "protocol/request.h"

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "protocol/limits.h"
#include "protocol/request_error.h"
#include "shot/shot_player.h"

namespace glidestone {
namespace {

// Both readers of one line, side by side.
struct Read {
    Request strict;
    Request document;
};

Read Both(const std::string& line) {
    return {ParseRequest(line, true), ParseRequest(line, false)};
}

TEST(RequestTest, BothReadersPlaceTheSameStonesAndShot) {
    for (const char* line : {
             R"({"stone1":[1.5,30,1],"stone2":[-0.25,33.5,1],"stone3":[0,0,0],"shot":[0.3,-36.5,1]})",
             R"({"stone1":[0,0,0],"shot":[0,35,0]})",
             R"({"shot":[2,38,-1.5],"stone1":[3,34,7],"stone2":[1e-3,2e1,0]})",
         }) {
        SCOPED_TRACE(line);
        Read const read = Both(line);
        for (std::size_t i = 0; i < kStoneCount; ++i) {
            const StoneSlot& a = read.strict.stones()[i];
            const StoneSlot& b = read.document.stones()[i];
            EXPECT_EQ(a.present, b.present) << i;
            EXPECT_EQ(a.position.x, b.position.x) << i;
            EXPECT_EQ(a.position.y, b.position.y) << i;
        }
        EXPECT_EQ(read.strict.shot().target.x, read.document.shot().target.x);
        EXPECT_EQ(read.strict.shot().target.y, read.document.shot().target.y);
        EXPECT_EQ(read.strict.shot().pass, read.document.shot().pass);
        EXPECT_EQ(read.strict.shot().spin, read.document.shot().spin);
        EXPECT_EQ(read.strict.ReleaseAngularVelocity(), read.document.ReleaseAngularVelocity());
        EXPECT_EQ(read.strict.WrittenSpin(), read.document.WrittenSpin());
    }
}

TEST(RequestTest, TheListEndsAtTheFirstStoneFlaggedZero) {
    Request const request = ParseRequest(R"({"stone1":[1,30,1],"stone2":[2,31,0],"stone3":[3,32,1],"shot":[0,35,1]})");
    EXPECT_TRUE(request.stones()[0].present);
    EXPECT_EQ(request.stones()[0].position.y, 30.0f);
    EXPECT_FALSE(request.stones()[1].present);
    EXPECT_FALSE(request.stones()[2].present);
    EXPECT_FALSE(request.stones()[kStoneCount - 1].present);
}

TEST(RequestTest, ANegativeTargetYAsksForAPassToItsDistance) {
    Request const request = ParseRequest(R"({"stone1":[0,0,0],"shot":[0.5,-3.25,0]})");
    EXPECT_TRUE(request.shot().pass);
    EXPECT_EQ(request.shot().target.x, 0.5f);
    EXPECT_EQ(request.shot().target.y, 3.25f);
}

// The planner reads an integer spin as 1 or not 1; the throw turns the stone
// at the spin as written.
TEST(RequestTest, ThePlannerAndTheThrowReadTheSpinEachTheirOwnWay) {
    Request const request = ParseRequest(R"({"stone1":[0,0,0],"shot":[0,35,2]})");
    EXPECT_EQ(request.shot().spin, 0.0);
    EXPECT_EQ(request.WrittenSpin(), 2.0);
    EXPECT_EQ(request.ReleaseAngularVelocity(), SpinToAngularVelocity(2.0));
}

// A spin only the throw refuses is read, and refused only when asked for, so
// that the request is still planned first, as it always was.
TEST(RequestTest, ASpinOnlyTheThrowRefusesIsRefusedWhenTheThrowAsks) {
    Request const boolean = ParseRequest(R"({"stone1":[0,0,0],"shot":[0,35,true]})");
    EXPECT_EQ(boolean.shot().spin, 1.0);
    EXPECT_THROW(boolean.ReleaseAngularVelocity(), nlohmann::json::type_error);
    EXPECT_THROW(boolean.WrittenSpin(), nlohmann::json::type_error);

    for (bool strict : {true, false}) {
        Request const huge = ParseRequest(R"({"stone1":[0,0,0],"shot":[0,35,1e300]})", strict);
        try {
            huge.ReleaseAngularVelocity();
            ADD_FAILURE() << "a spin of 1e300 was taken";
        } catch (const RequestError& error) {
            EXPECT_STREQ(error.what(), "shot spin 1e+300 is out of range");
        }
    }
}

TEST(RequestTest, RefusalsComeBeforeAnythingIsRead) {
    EXPECT_THROW(ParseRequest(std::string(kMaxRequestLineBytes + 1, ' ')), RequestError);
    EXPECT_THROW(ParseRequest(std::string(kMaxJsonDepth + 1, '[')), RequestError);
    EXPECT_THROW(ParseRequest(R"({"stone1":[1e39,30,1],"shot":[0,35,1]})"), RequestError);
    EXPECT_THROW(ParseRequest(R"({"stone1":[0,30,1]})"), nlohmann::json::type_error);  // no shot
    EXPECT_THROW(ParseRequest("{"), nlohmann::json::parse_error);
}

TEST(RequestTest, RepliesFromEitherReaderAreTheSameBytes) {
    std::string const line = R"({"stone1":[1.5,30,1],"stone2":[0,0,0],"shot":[0.3,36.5,1]})";
    AllStones rest{};
    for (std::size_t i = 0; i < kStoneCount; ++i) rest[i].position = {0.1f * static_cast<float>(i), 30.0f + i};
    rest[3].position = {NAN, 1.0f};
    Vector2 const velocity{0.0625f, 3.5f};
    std::string const strict = WriteReply(ParseRequest(line, true), rest, velocity);
    std::string const document = WriteReply(ParseRequest(line, false), rest, velocity);
    EXPECT_EQ(strict, document);

    nlohmann::json const reply = nlohmann::json::parse(strict);
    EXPECT_EQ(reply["stone16"][2], 1);
    EXPECT_TRUE(reply["stone4"][0].is_null());  // not finite
    EXPECT_EQ(reply["shot"][0].get<double>(), 0.0625);
    EXPECT_EQ(reply["shot"][2], 1);
}

TEST(RequestTest, OtherMembersComeBackInTheReply) {
    std::string const reply = WriteReply(ParseRequest(R"({"id":"x7","stone1":[0,0,0],"shot":[0,35,1]})"), {}, {});
    EXPECT_EQ(nlohmann::json::parse(reply)["id"], "x7");
}

}  // namespace
}  // namespace glidestone
