// glidestone-record-corpus: replays a request corpus through the request
// handling and writes the outcome of every request, the reference that the
// corpus test holds later versions of the server to.
//
// Usage: glidestone-record-corpus CORPUS REPLIES
//
// CORPUS is a file of request sequences: a line `# sequence N` (N = 1, 2, 3,
// ... in order) starts each sequence, every other line is one request line as
// a client sends it. Each sequence is replayed in order on a new handler,
// starting from the state of a fresh server. REPLIES is written in the same
// shape: the same `# sequence N` lines, and for each request one line holding
// either the exact reply text or `!error ` followed by the exception's what()
// text. tools/corpus.h describes the format in full; tools/make_corpus.py
// generates the corpus kept in tests/data.
//
// Exit status: 0 when written, 1 when a file cannot be read, parsed or
// written, 2 for wrong arguments.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/corpus.h"

namespace {

constexpr const char* kUsage =
    "usage: glidestone-record-corpus CORPUS REPLIES\n"
    "\n"
    "Replays every request sequence of CORPUS through the request handling, each\n"
    "sequence from the state of a fresh server, and writes to REPLIES one line a\n"
    "request: the exact reply, or '!error ' and the error text. Both files keep a\n"
    "'# sequence N' line before each sequence.\n"
    "\n"
    "  -h, --help  show this help and exit\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glidestone-record-corpus: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    namespace corpus = glidestone::corpus;
    std::vector<std::string_view> paths;
    for (int i = 1; i < argc; ++i) {
        std::string_view const argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument.size() > 1 && argument.starts_with('-') && argument != "--")
            return UsageError("unknown option '" + std::string(argument) + "'");
        if (argument == "--") {
            for (++i; i < argc; ++i) paths.emplace_back(argv[i]);
            break;
        }
        paths.push_back(argument);
    }
    if (paths.size() != 2)
        return UsageError("expected a corpus file and a replies file, got " + std::to_string(paths.size()) +
                          " argument" + (paths.size() == 1 ? "" : "s"));
    std::filesystem::path const corpus_path(paths[0]);
    std::filesystem::path const replies_path(paths[1]);
    if (corpus_path.empty() || replies_path.empty()) return UsageError("empty file name");

    std::error_code same_error;
    if (std::filesystem::equivalent(corpus_path, replies_path, same_error))
        return UsageError("the replies file would overwrite the corpus " + corpus_path.string());

    try {
        std::vector<corpus::Sequence> const sequences =
            corpus::Parse(corpus::ReadFile(corpus_path), corpus_path.string());
        if (sequences.empty()) throw corpus::CorpusError(corpus_path.string() + ": no sequences");

        auto const start = std::chrono::steady_clock::now();
        std::vector<corpus::Sequence> const replies = corpus::Replay(sequences);
        std::chrono::duration<double> const elapsed = std::chrono::steady_clock::now() - start;

        std::size_t requests = 0;
        std::size_t errors = 0;
        for (const corpus::Sequence& sequence : replies) {
            requests += sequence.lines.size();
            for (const std::string& line : sequence.lines)
                if (line.starts_with(corpus::kErrorPrefix)) ++errors;
        }
        corpus::WriteFile(replies_path, corpus::Format(replies));
        std::fprintf(stderr, "recorded %zu requests (%zu failed) in %zu sequence%s in %.2f s to %s\n", requests, errors,
                     replies.size(), replies.size() == 1 ? "" : "s", elapsed.count(), replies_path.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "glidestone-record-corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
