#include "protocol/line_reader.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace glidestone {

LineReader::LineReader(int fd, std::size_t max_line_bytes)
    : fd_(fd), max_line_bytes_(max_line_bytes), buffer_(std::size_t{1} << 16) {}

bool LineReader::Fill() {
    for (;;) {
        ssize_t const n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n > 0) {
            begin_ = 0;
            end_ = static_cast<std::size_t>(n);
            bytes_read_ += static_cast<std::uint64_t>(n);
            return true;
        }
        if (n == 0) return false;
        if (errno != EINTR) throw std::system_error(errno, std::generic_category(), "read");
    }
}

LineReader::Status LineReader::Next(std::string& line) {
    line.clear();
    bool too_long = false;
    bool any = false;  // anything seen of this line, even an empty one ended by a line-feed
    for (;;) {
        if (begin_ == end_ && !Fill()) {
            if (!any) return Status::kEnd;
            return too_long ? Status::kTooLong : Status::kLine;
        }
        any = true;
        char const* start = buffer_.data() + begin_;
        auto const* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        std::size_t const take = newline ? static_cast<std::size_t>(newline - start) : end_ - begin_;
        if (!too_long) {
            if (line.size() + take > max_line_bytes_) {
                too_long = true;
                line.clear();
                line.shrink_to_fit();
            } else {
                line.append(start, take);
            }
        }
        begin_ += take;
        if (newline) {
            ++begin_;
            return too_long ? Status::kTooLong : Status::kLine;
        }
    }
}

}  // namespace glidestone
