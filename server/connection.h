#pragma once

#include <cstdint>

namespace glidestone {

// Listens on 0.0.0.0:port, serves exactly one client and returns the process
// exit status:
//   0  the client closed its side with nothing left to answer;
//   1  set-up failed, a read failed, or a request failed (no reply is sent
//      for it; the reason goes to standard error and the socket is closed).
// Prints "connect" on standard output once the client is accepted, and
// "receive failed: <reason>" when a read fails.
int Serve(std::uint16_t port);

}  // namespace glidestone
