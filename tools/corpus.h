#pragma once

// The request corpus and its recorded replies: a determinism gate for the
// request handling. The recorder (glidestone-record-corpus) and the corpus
// test both go through this file, so they replay in exactly the same way.
//
// File format, shared by the corpus and the replies file: plain text, lines
// ended by a line-feed (the last one included). A line reading exactly
// `# sequence N` starts sequence N; sequences are numbered 1, 2, 3, ... in
// order. Every other line belongs to the sequence above it and is, in the
// corpus, one request line exactly as a client would send it (without its
// line-feed; it may be empty or invalid JSON), and in the replies file the
// outcome of the request on the same position:
//
//   - the reply text exactly as RequestHandler::Handle returned it, or
//   - `!error ` followed by the what() text of the exception it threw.
//
// A request line never starts with `#`, and neither a request nor an outcome
// contains a line-feed or a carriage return. Every sequence is replayed in
// order on a new RequestHandler, starting from the state of a fresh server
// (a new RequestHandler); sequences are independent of each
// other.

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/request_handler.h"

namespace glidestone::corpus {

// A malformed corpus or replies file, or one that cannot be read or written.
class CorpusError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kSequenceHeader = "# sequence ";
inline constexpr std::string_view kErrorPrefix = "!error ";

struct Sequence {
    int number = 0;                  // as in the header line, 1 for the first
    std::size_t first_line = 0;      // 1-based line of the header in its file; 0 if not read from one
    std::vector<std::string> lines;  // requests, or outcomes, in order
};

// Splits a corpus or replies text into its sequences. Throws CorpusError,
// naming `source` and the line, for a text that does not follow the format.
std::vector<Sequence> Parse(std::string_view text, std::string_view source);

// Writes sequences back in the same format; parsing the result gives the same
// numbers and lines back. Throws CorpusError for what the format cannot hold.
std::string Format(const std::vector<Sequence>& sequences);

// The whole content of a file, or CorpusError naming the path and reason.
std::string ReadFile(const std::filesystem::path& path);

// Replaces the content of a file, or throws CorpusError.
void WriteFile(const std::filesystem::path& path, std::string_view content);

// The outcome line of one request: the reply, or the error prefix and the
// what() text of the std::exception it threw. The handler keeps going after a
// failure (a server would end the connection), so that later requests of the
// sequence still test something. Throws CorpusError for an outcome holding a
// line break, which the format cannot store.
std::string Outcome(RequestHandler& handler, std::string_view request);

// How a replay reads and plays its requests: as the server does by default;
// the other settings give the same outcomes and are there to check that.
struct ReplayOptions {
    simulators::SimulatorOptions simulator;  // engine_shortcuts off: the plain engine
    bool strict_reader = true;               // off: every request through the JSON document
};

// Replays one sequence of requests as a fresh server would see them and
// returns one outcome line a request, in the same order.
std::vector<std::string> ReplaySequence(const std::vector<std::string>& requests, const ReplayOptions& options = {});

// Replays every sequence of a corpus, in order; the result has the corpus's
// numbering and shape, with outcomes in place of the requests.
std::vector<Sequence> Replay(const std::vector<Sequence>& corpus);

// Where two texts first differ: the index of the first differing byte, or the
// length of the shorter one when it is a prefix of the other; npos if equal.
std::size_t FirstDifference(std::string_view a, std::string_view b);

}  // namespace glidestone::corpus
