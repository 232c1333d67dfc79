#include "tools/corpus.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace glidestone::corpus {

namespace {

std::string Where(std::string_view source, std::size_t line_number) {
    return std::string(source) + ":" + std::to_string(line_number) + ": ";
}

// The number of a `# sequence N` line (N without sign or leading zeros), or 0
// when the line is not one.
int HeaderNumber(std::string_view line) {
    if (!line.starts_with(kSequenceHeader)) return 0;
    std::string_view const digits = line.substr(kSequenceHeader.size());
    if (digits.empty() || digits.front() == '0') return 0;
    int number = 0;
    auto const [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size()) return 0;
    return number;
}

void CheckLine(std::string_view line, std::string_view what) {
    if (line.find_first_of("\r\n") != std::string_view::npos)
        throw CorpusError(std::string(what) + " contains a line break and cannot be stored as one line");
}

std::string SystemReason() {
    return std::strerror(errno);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::vector<Sequence> Parse(std::string_view text, std::string_view source) {
    std::vector<Sequence> sequences;
    if (text.empty()) return sequences;
    if (text.back() != '\n')
        throw CorpusError(std::string(source) + ": the last line has no line-feed (file truncated?)");

    std::size_t line_number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t const end = text.find('\n', start);
        std::string_view const line = text.substr(start, end - start);
        start = end + 1;
        ++line_number;

        if (line.find('\r') != std::string_view::npos)
            throw CorpusError(Where(source, line_number) + "carriage return in a line");
        if (line.starts_with('#')) {
            int const number = HeaderNumber(line);
            int const expected = static_cast<int>(sequences.size()) + 1;
            if (number == 0)
                throw CorpusError(Where(source, line_number) + "a line starting with '#' must read '" +
                                  std::string(kSequenceHeader) + "N'");
            if (number != expected)
                throw CorpusError(Where(source, line_number) + "sequence " + std::to_string(number) +
                                  " where sequence " + std::to_string(expected) + " was expected");
            sequences.push_back(Sequence{number, line_number, {}});
            continue;
        }
        if (sequences.empty())
            throw CorpusError(Where(source, line_number) + "a line before the first '" + std::string(kSequenceHeader) +
                              "1' header");
        sequences.back().lines.emplace_back(line);
    }
    return sequences;
}

std::string Format(const std::vector<Sequence>& sequences) {
    std::string text;
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        const Sequence& sequence = sequences[i];
        if (sequence.number != static_cast<int>(i) + 1)
            throw CorpusError("sequence " + std::to_string(sequence.number) + " stored in position " +
                              std::to_string(i + 1));
        text += kSequenceHeader;
        text += std::to_string(sequence.number);
        text += '\n';
        for (const std::string& line : sequence.lines) {
            CheckLine(line, "a line of sequence " + std::to_string(sequence.number));
            if (line.starts_with('#'))
                throw CorpusError("a line of sequence " + std::to_string(sequence.number) + " starts with '#'");
            text += line;
            text += '\n';
        }
    }
    return text;
}

std::string ReadFile(const std::filesystem::path& path) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> const file(std::fopen(path.c_str(), "rb"));
    if (!file) throw CorpusError("cannot open " + path.string() + ": " + SystemReason());
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        std::size_t const got = std::fread(buffer, 1, sizeof buffer, file.get());
        content.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) throw CorpusError("cannot read " + path.string() + ": " + SystemReason());
    return content;
}

void WriteFile(const std::filesystem::path& path, std::string_view content) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) throw CorpusError("cannot open " + path.string() + " for writing: " + SystemReason());
    bool const written = std::fwrite(content.data(), 1, content.size(), file.get()) == content.size();
    bool const flushed = std::fflush(file.get()) == 0;
    if (!written || !flushed) throw CorpusError("cannot write " + path.string() + ": " + SystemReason());
    if (std::fclose(file.release()) != 0) throw CorpusError("cannot close " + path.string() + ": " + SystemReason());
}

std::string Outcome(RequestHandler& handler, std::string_view request) {
    std::string outcome;
    try {
        outcome = handler.Handle(request);
    } catch (const std::exception& e) {
        outcome = std::string(kErrorPrefix) + e.what();
    }
    CheckLine(outcome, "the outcome of request " + std::string(request.substr(0, 200)));
    return outcome;
}

std::vector<std::string> ReplaySequence(const std::vector<std::string>& requests, const ReplayOptions& options) {
    RequestHandler handler(options.simulator);
    handler.SetStrictReader(options.strict_reader);
    std::vector<std::string> outcomes;
    outcomes.reserve(requests.size());
    for (const std::string& request : requests) outcomes.push_back(Outcome(handler, request));
    return outcomes;
}

std::vector<Sequence> Replay(const std::vector<Sequence>& corpus) {
    std::vector<Sequence> replies;
    replies.reserve(corpus.size());
    for (const Sequence& sequence : corpus)
        replies.push_back(Sequence{sequence.number, 0, ReplaySequence(sequence.lines)});
    return replies;
}

std::size_t FirstDifference(std::string_view a, std::string_view b) {
    std::size_t const common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i)
        if (a[i] != b[i]) return i;
    return a.size() == b.size() ? std::string_view::npos : common;
}

}  // namespace glidestone::corpus
