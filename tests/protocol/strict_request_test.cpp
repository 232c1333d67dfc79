#include "protocol/strict_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "protocol/request_handler.h"

namespace glidestone {
namespace {

// What a handler makes of a line: the reply, or the kind and text of the
// error it raises.
std::string Outcome(RequestHandler& handler, const std::string& line) {
    try {
        return handler.Handle(line);
    } catch (const std::exception& failure) {
        return std::string("error ") + typeid(failure).name() + ": " + failure.what();
    }
}

// Requests near the strict shape: mostly well formed in many spellings, and
// now and then one step off it, so that both sides of the border are seen.
class RequestMaker {
public:
    explicit RequestMaker(std::uint32_t seed) : random_(seed) {}

    std::string Line() {
        std::vector<std::string> members;
        // The list ends with a stone whose flag is zero, unless all fifteen
        // are listed; now and then it runs on past that stone, or breaks off.
        int const listed = Pick(1, 15);
        int const last = Chance(0.2) ? Pick(listed, 15) : listed;
        for (int n = 1; n <= last; ++n) {
            if (n != listed && n != last && Chance(0.01)) continue;  // a stone missing
            std::string const flag = n == listed && (n < 15 || Chance(0.3)) ? Pick({"0", "0.0", "-0", "-0.0", "0e5"})
                                                                            : (Chance(0.9) ? Flag() : Number());
            // Most stones in the house, some anywhere.
            std::string const x = Chance(0.9) ? Decimal(Uniform(-2.0, 2.0)) : Number();
            std::string const y = Chance(0.9) ? Decimal(Uniform(34.0, 41.0)) : Number();
            members.push_back(Name(n) + Colon() + Triple(x, y, flag));
        }
        if (Chance(0.95)) {
            std::string const x = Chance(0.9) ? Decimal(Uniform(-2.0, 2.0)) : Number();
            std::string const y = Chance(0.9) ? Decimal(Uniform(-40.0, 40.0)) : Number();
            std::string const spin = Chance(0.9) ? Pick({"1", "-1", "0", "2", "1.0", "-1.5", "1e0"}) : Number();
            members.push_back(Space() + "\"shot\"" + Colon() + Triple(x, y, spin));
        }
        if (Chance(0.05))
            members.push_back(Pick({R"("stone16":[1,2,3])", R"("id":7)", R"("stone3":[1,2])", R"("stone1":[true,1,1])",
                                    R"("st\u006fne1":[1,2,1])", R"("stone01":[1,2,1])", R"("stone2":[1,2,1,4])"}));
        std::shuffle(members.begin(), members.end(), random_);
        if (Chance(0.03) && !members.empty()) members.push_back(members.front());  // a duplicate
        std::string line = Space() + "{";
        for (std::size_t i = 0; i < members.size(); ++i) line += (i > 0 ? "," : "") + members[i];
        line += Space() + "}" + Space();
        if (Chance(0.01)) line = "\xEF\xBB\xBF" + line;  // a byte-order mark
        return line;
    }

private:
    std::mt19937 random_;

    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
    std::string Pick(std::initializer_list<const char*> choices) {
        return *(choices.begin() + Pick(0, static_cast<int>(choices.size()) - 1));
    }

    std::string Space() { return Chance(0.85) ? "" : Pick({" ", "\t", "\r", "\n", "  \r\n "}); }
    std::string Colon() { return Space() + ":" + Space(); }
    std::string Name(int n) { return Space() + "\"stone" + std::to_string(n) + "\""; }
    std::string Triple(const std::string& a, const std::string& b, const std::string& c) {
        return "[" + Space() + a + Space() + "," + Space() + b + Space() + "," + Space() + c + Space() + "]";
    }
    std::string Flag() { return Chance(0.8) ? "1" : Pick({"1.0", "2", "-1", "0.5", "1e-320", "123456789"}); }

    std::string Decimal(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", Pick(0, 6), value);
        return text;
    }

    // Any spelling of a number, and some that are no number at all.
    std::string Number() {
        switch (Pick(0, 11)) {
            case 0:
                return std::to_string(Pick(-999999999, 999999999));
            case 1:
                return Pick({"1234567890", "-9999999999", "18446744073709551616", "9223372036854775807"});
            case 2: {
                char text[40];
                std::snprintf(text, sizeof text, "%.17g", Uniform(-1e3, 1e3));
                return text;
            }
            case 3: {
                char text[40];
                std::snprintf(text, sizeof text, "%.9e", Uniform(-10.0, 10.0) * std::pow(10.0, Pick(-330, 310)));
                return text;
            }
            case 4:
                return Pick({"1e36", "-1e36", "1.0000001e36", "1e37", "3.4028235e38", "3.5e38", "1e400", "-1e400"});
            case 5:
                return Pick(
                    {"-0", "-0.0", "0e0", "0E-5", "1E2", "1e+2", "2.5e-3", "4.9e-324", "2.2250738585072014e-308"});
            case 6:
                return Pick({"01", "1.", ".5", "+1", "-", "1e", "1e+", "--1", "0x10", "1.5.2", "Infinity", "NaN"});
            case 7:
                return Pick({"true", "false", "null", "\"1\"", "[]", "{}"});
            case 8:
                return std::to_string(Pick(-3, 3));
            case 9:
                return Decimal(Uniform(-1e6, 1e6));
            case 10:
                return Pick({"0.30000000000000004", "0.1", "123456.789e-3", "9007199254740993", "1e-7"});
            default:
                return Decimal(Uniform(-5.0, 5.0));
        }
    }
};

// The strict reader and the JSON document must give every request the same
// outcome, byte for byte, over whole sequences (a reply reports what absent
// slots last held, so each handler carries its history).
TEST(StrictRequestTest, RepliesAndErrorsAreTheDocumentsByteForByte) {
    int strict_lines = 0;
    int replies = 0;
    int lines = 0;
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        RequestHandler strict;
        RequestHandler document;
        document.SetStrictReader(false);
        RequestMaker maker(seed);
        for (int i = 0; i < 150; ++i, ++lines) {
            std::string const line = maker.Line();
            if (ReadStrictRequest(line)) ++strict_lines;
            std::string const expected = Outcome(document, line);
            ASSERT_EQ(Outcome(strict, line), expected) << "seed " << seed << " line " << line;
            if (expected.rfind("error ", 0) != 0) ++replies;
        }
    }
    // Both paths and both outcomes must be well represented for the
    // comparison to mean anything.
    EXPECT_GT(strict_lines, lines / 3);
    EXPECT_LT(strict_lines, lines);
    EXPECT_GT(replies, lines / 3);
    EXPECT_LT(replies, lines);
}

TEST(StrictRequestTest, ReadsTheCommonShapeInAnySpacing) {
    for (const char* line : {R"({"stone1":[0.0,0.0,0],"shot":[-1.0476,34.5193,-1]})",
                             " {\t\"shot\" : [ 0 , 35 , 1 ] , \"stone1\":[1.5e0,20,1],\"stone2\":[0,0,0]}\r\n",
                             R"({"shot":[0,35,1]})", R"({"shot":[0,-35,-0.0],"stone15":[1,2,1]})"}) {
        EXPECT_TRUE(ReadStrictRequest(line)) << line;
    }
    std::optional<StrictRequest> const request = ReadStrictRequest(R"({"shot":[-0,1E2,2.5],"stone2":[-0.0,7,1]})");
    ASSERT_TRUE(request);
    EXPECT_TRUE(request->shot[0].integer);
    EXPECT_EQ(request->shot[0].as_integer, 0);
    EXPECT_FALSE(request->shot[1].integer);
    EXPECT_EQ(request->shot[1].value, 100.0);
    EXPECT_EQ(request->shot[2].value, 2.5);
    EXPECT_FALSE(request->listed[0]);
    EXPECT_TRUE(request->listed[1]);
    EXPECT_TRUE(std::signbit(request->stones[1][0].value));
}

TEST(StrictRequestTest, LeavesEverythingElseToTheDocument) {
    for (const char* line : {
             "\xEF\xBB\xBF{\"shot\":[0,35,1]}",          // byte-order mark
             R"({"shot":[0,35,1],"shot":[0,35,1]})",     // duplicate
             R"({"shot":[0,35,1],"stone16":[1,2,1]})",   // not read from a request
             R"({"shot":[0,35,1],"stone0":[1,2,1]})",    //
             R"({"shot":[0,35,1],"stone01":[1,2,1]})",   //
             R"({"shot":[0,35,1],"id":1})",              // another member
             R"({"sh\u006ft":[0,35,1]})",                // an escape in a name
             R"({"shot":[0,35,1],"stone1":[1,2]})",      // a pair
             R"({"shot":[0,35,1],"stone1":[1,2,1,0]})",  // four elements
             R"({"shot":[0,35,true]})",                  // not a number
             R"({"shot":[0,35,1234567890]})",            // ten digits
             R"({"shot":[0,35,01]})",
             R"({"shot":[0,35,1.]})",     // not JSON
             R"({"shot":[0,35,1e400]})",  // beyond a double
             R"({"shot":[0,35,1]}x)",
             R"({"shot":[0,35,1],})",
             R"({"shot":[0,35,1])",
             "",
             "null",
         }) {
        EXPECT_FALSE(ReadStrictRequest(line)) << line;
    }
}

// JSON's white space is space, tab, line feed and carriage return only: a
// form feed or vertical tab anywhere between tokens makes the line an error,
// as the document says, never a reply.
TEST(StrictRequestTest, OnlyJsonsWhiteSpaceSeparatesTokens) {
    RequestHandler strict;
    RequestHandler document;
    document.SetStrictReader(false);
    std::string const plain = R"({"stone1":[0,0,0],"shot":[0,35,1]})";
    for (char const space : {'\f', '\v', '\0', '\x1c', '\xa0'}) {
        for (std::size_t at : {std::size_t{1}, plain.find(','), plain.find("[0,35") + 1, plain.size() - 1}) {
            std::string line = plain;
            line.insert(at, 1, space);
            EXPECT_FALSE(ReadStrictRequest(line)) << "byte " << int(static_cast<unsigned char>(space)) << " at " << at;
            std::string const outcome = Outcome(strict, line);
            EXPECT_EQ(outcome.rfind("error ", 0), 0u) << outcome;
            EXPECT_EQ(outcome, Outcome(document, line));
        }
    }
    for (char const space : {' ', '\t', '\n', '\r'}) {
        std::string line = plain;
        line.insert(1, 1, space);
        EXPECT_TRUE(ReadStrictRequest(line)) << int(space);
    }
}

TEST(StrictRequestTest, RepliesWriteNumbersAsTheDocumentDoes) {
    std::optional<StrictRequest> const request =
        ReadStrictRequest(R"({"shot":[0,35,-0.0],"stone1":[1,2,1.0],"stone3":[1,2,-0],"stone2":[0,0,1e-320]})");
    ASSERT_TRUE(request);
    AllStones rest{};
    rest[0].position = {0.5f, -0.0f};
    rest[15].position = {0.1f, 3.0e38f};
    std::string const reply = WriteStrictReply(*request, rest, {0.25f, 2.0f});
    EXPECT_EQ(reply.substr(0, 40), R"({"shot":[0.25,2.0,-0.0],"stone1":[0.5,-0)");
    EXPECT_NE(reply.find(R"("stone1":[0.5,-0.0,1.0],"stone10":[0.0,0.0],)"), std::string::npos) << reply;
    EXPECT_NE(reply.find(R"("stone16":[0.10000000149011612,3.0000000054977558e+38,1],"stone2":[0.0,0.0,1e-320],)"),
              std::string::npos)
        << reply;
    EXPECT_NE(reply.find(R"("stone3":[0.0,0.0,0],"stone4":[0.0,0.0],)"), std::string::npos) << reply;
    EXPECT_EQ(reply.back(), '}');
}

}  // namespace
}  // namespace glidestone
