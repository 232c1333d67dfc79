#pragma once

#include <stdexcept>

namespace glidestone {

// A request this system refuses on its own account (a line too long, JSON
// nested too deep, a value the physics cannot take), as opposed to the JSON
// library's errors for malformed text, which propagate unchanged.
class RequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace glidestone
