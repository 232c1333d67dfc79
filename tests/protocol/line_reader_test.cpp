#include "protocol/line_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

#include "tests/tools/temp_file.h"

namespace glidestone {
namespace {

using testing::TempFile;

struct Read {
    LineReader::Status status;
    std::string line;
};

std::vector<Read> ReadAll(const std::string& contents, std::size_t bound) {
    TempFile file(contents);
    int const fd = ::open(file.path().c_str(), O_RDONLY);
    LineReader reader(fd, bound);
    std::vector<Read> out;
    std::string line;
    for (LineReader::Status s; (s = reader.Next(line)) != LineReader::Status::kEnd;) out.push_back({s, line});
    EXPECT_EQ(reader.bytes_read(), contents.size());
    ::close(fd);
    return out;
}

TEST(LineReaderTest, SplitsOnLineFeedsKeepingEmptyLinesAndCarriageReturns) {
    auto lines = ReadAll("a\n\nb\r\nlast", 100);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].line, "a");
    EXPECT_EQ(lines[1].line, "");
    EXPECT_EQ(lines[2].line, "b\r");
    EXPECT_EQ(lines[3].line, "last");
    for (const Read& r : lines) EXPECT_EQ(r.status, LineReader::Status::kLine);
    EXPECT_TRUE(ReadAll("", 100).empty());
    EXPECT_EQ(ReadAll("x\n", 100).size(), 1u) << "a final line-feed does not start another line";
}

TEST(LineReaderTest, OverlongLinesAreSkippedNotKept) {
    std::string const big(200000, 'x');  // spans several reads
    auto lines = ReadAll("ok\n" + big + "\nafter\n" + big, 1000);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].line, "ok");
    EXPECT_EQ(lines[1].status, LineReader::Status::kTooLong);
    EXPECT_TRUE(lines[1].line.empty());
    EXPECT_EQ(lines[2].line, "after");
    EXPECT_EQ(lines[3].status, LineReader::Status::kTooLong);
    // Exactly at the bound is still a line.
    auto exact = ReadAll(std::string(1000, 'y') + "\n", 1000);
    ASSERT_EQ(exact.size(), 1u);
    EXPECT_EQ(exact[0].status, LineReader::Status::kLine);
}

}  // namespace
}  // namespace glidestone
