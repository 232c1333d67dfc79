#pragma once

#include <cstddef>

namespace glidestone {

// Longest request line accepted, without its line-feed. Every reader of
// request lines (the server's socket, the batch and plot tools' input)
// holds at most this much of one line.
inline constexpr std::size_t kMaxRequestLineBytes = std::size_t{1} << 20;

// Deepest nesting of JSON arrays and objects accepted in a request. Far more
// than any client needs, and far less than what would overflow the stack of
// the JSON library's recursive writer.
inline constexpr int kMaxJsonDepth = 256;

}  // namespace glidestone
