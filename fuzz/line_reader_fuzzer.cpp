// Feeds arbitrary bytes to the batch tool's line reader through an in-memory
// file, with a line bound taken from the first byte, and checks that the lines
// it returns, the lines it skips and the bytes it counts account for the input
// exactly.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "protocol/line_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

int InputFile() {
    static int const fd = memfd_create("line-reader-input", 0);
    if (fd < 0) Fail("memfd_create failed");
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::size_t const max_line = data[0];
    std::string_view const input(reinterpret_cast<const char*>(data) + 1, size - 1);

    int const fd = InputFile();
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) Fail("cannot reset the input file");
    if (!input.empty() && write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        Fail("cannot write the input file");
    if (lseek(fd, 0, SEEK_SET) != 0) Fail("cannot rewind the input file");

    glidestone::LineReader reader(fd, max_line);
    std::string line;
    std::size_t at = 0;  // where the next line starts in `input`
    for (;;) {
        glidestone::LineReader::Status const status = reader.Next(line);
        if (status == glidestone::LineReader::Status::kEnd) break;
        if (at >= input.size()) Fail("a line after the end of the input");
        std::size_t const newline = input.find('\n', at);
        std::size_t const end = newline == std::string_view::npos ? input.size() : newline;
        std::string_view const expected = input.substr(at, end - at);
        if (status == glidestone::LineReader::Status::kLine) {
            if (expected.size() > max_line) Fail("a line over the bound was returned");
            if (line != expected) Fail("a line differs from the input");
        } else {
            if (expected.size() <= max_line) Fail("a line within the bound was skipped");
            if (!line.empty()) Fail("a skipped line left text behind");
        }
        at = newline == std::string_view::npos ? input.size() : newline + 1;
    }
    if (at != input.size()) Fail("input left unread at the end");
    if (reader.bytes_read() != input.size()) Fail("bytes read differ from the input size");
    return 0;
}
