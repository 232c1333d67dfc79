#include "server/port.h"

#include <cstdlib>

namespace glidestone {

std::uint16_t PortFromArgument(const char* argument) {
    long const n = std::strtol(argument, nullptr, 10);
    return static_cast<std::uint16_t>(static_cast<unsigned long>(n) + 10000u);
}

}  // namespace glidestone
