#pragma once

#include <cstdint>

namespace glidestone {

// The listening port for the command-line argument: the argument read as
// atoi reads it (leading blanks, a sign, decimal digits; anything else is 0)
// plus 10000, wrapped to 16 bits. Out-of-range numbers saturate as strtol's
// do instead of overflowing.
std::uint16_t PortFromArgument(const char* argument);

}  // namespace glidestone
