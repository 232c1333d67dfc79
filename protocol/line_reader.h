#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace glidestone {

// Reads line-feed-terminated lines from a file descriptor with bounded
// memory: a line longer than the bound is skipped to its end, never held.
class LineReader {
public:
    enum class Status {
        kLine,     // `line` holds the next line, without its line-feed
        kTooLong,  // the next line exceeded the bound and was skipped
        kEnd,      // no more input
    };

    LineReader(int fd, std::size_t max_line_bytes);

    // A last line without a line-feed still counts as a line. Throws
    // std::system_error when the read fails.
    Status Next(std::string& line);

    // Bytes consumed so far, for progress reports.
    std::uint64_t bytes_read() const { return bytes_read_; }

private:
    bool Fill();  // false at end of input

    int fd_;
    std::size_t max_line_bytes_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::uint64_t bytes_read_ = 0;
};

}  // namespace glidestone
