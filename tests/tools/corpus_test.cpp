// The determinism gate: every request of tests/data/corpus.jsonl, replayed in
// its sequence from a fresh server, must give byte for byte the outcome stored
// in tests/data/corpus_replies.txt. Regenerate the replies with
// glidestone-record-corpus only for a change that is meant to alter results.

#include "tools/corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "shot/trajectory.h"

namespace glidestone::corpus {
namespace {

constexpr std::size_t kMinimumRequests = 2000;
constexpr int kMaximumReportedMismatches = 10;

std::filesystem::path DataPath(std::string_view name) {
    return std::filesystem::path(GLIDESTONE_TEST_DATA) / name;
}

std::vector<Sequence> Load(std::string_view name) {
    std::filesystem::path const path = DataPath(name);
    return Parse(ReadFile(path), path.string());
}

std::size_t CountLines(const std::vector<Sequence>& sequences) {
    std::size_t count = 0;
    for (const Sequence& sequence : sequences) count += sequence.lines.size();
    return count;
}

// A short piece of `text` around `offset`, enough to see what differs.
std::string Excerpt(std::string_view text, std::size_t offset) {
    constexpr std::size_t kBefore = 40;
    constexpr std::size_t kLength = 100;
    if (offset > text.size()) offset = text.size();
    std::size_t const start = offset > kBefore ? offset - kBefore : 0;
    std::string excerpt = start > 0 ? "..." : "";
    excerpt += text.substr(start, kLength);
    if (start + kLength < text.size()) excerpt += "...";
    return excerpt;
}

std::string Shortened(std::string_view text) {
    constexpr std::size_t kLength = 300;
    if (text.size() <= kLength) return std::string(text);
    return std::string(text.substr(0, kLength)) + "... (" + std::to_string(text.size()) + " bytes)";
}

// Compares the outcomes of one sequence with the stored ones; reports each
// mismatch as a test failure while `budget` lasts, and returns their number.
int CompareSequence(const Sequence& requests, const Sequence& stored, const std::vector<std::string>& outcomes,
                    int& budget) {
    int mismatches = 0;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        std::size_t const offset = FirstDifference(stored.lines[i], outcomes[i]);
        if (offset == std::string_view::npos) continue;
        ++mismatches;
        if (budget-- <= 0) continue;
        ADD_FAILURE() << "sequence " << requests.number << ", request " << i + 1 << " of " << outcomes.size()
                      << " (corpus line " << requests.first_line + 1 + i << ")\n"
                      << "  request:  " << Shortened(requests.lines[i]) << "\n"
                      << "  first differing byte at offset " << offset << " (stored " << stored.lines[i].size()
                      << " bytes, replayed " << outcomes[i].size() << " bytes)\n"
                      << "  stored:   " << Excerpt(stored.lines[i], offset) << "\n"
                      << "  replayed: " << Excerpt(outcomes[i], offset);
    }
    return mismatches;
}

// Both files, read once for all the tests; a file that cannot be read or
// parsed fails every test with the reason.
class CorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        try {
            requests_ = Load("corpus.jsonl");
            replies_ = Load("corpus_replies.txt");
        } catch (const CorpusError& e) {
            load_error_ = e.what();
        }
    }

    void SetUp() override { ASSERT_EQ(load_error_, "") << "the corpus files cannot be used"; }

    // True when the two files have the same shape; the replay tests need it.
    static bool ShapesAgree() {
        if (requests_.size() != replies_.size()) return false;
        for (std::size_t s = 0; s < requests_.size(); ++s)
            if (requests_[s].lines.size() != replies_[s].lines.size()) return false;
        return true;
    }

    static inline std::vector<Sequence> requests_;
    static inline std::vector<Sequence> replies_;
    static inline std::string load_error_;
};

TEST_F(CorpusTest, RepliesFileMatchesTheCorpusSequenceForSequence) {
    EXPECT_GE(CountLines(requests_), kMinimumRequests);
    ASSERT_EQ(requests_.size(), replies_.size()) << "sequences in the corpus and in the replies file";
    for (std::size_t s = 0; s < requests_.size(); ++s) {
        EXPECT_EQ(requests_[s].lines.size(), replies_[s].lines.size())
            << "requests and stored outcomes of sequence " << s + 1;
    }
}

TEST_F(CorpusTest, EveryRequestGivesTheStoredOutcomeByteForByte) {
    ASSERT_TRUE(ShapesAgree()) << "the corpus and the replies file differ in shape; record the replies again";
    int budget = kMaximumReportedMismatches;
    int mismatches = 0;
    int failed_sequences = 0;
    for (std::size_t s = 0; s < requests_.size(); ++s) {
        const Sequence& requests = requests_[s];
        int const found = CompareSequence(requests, replies_[s], ReplaySequence(requests.lines), budget);
        mismatches += found;
        if (found > 0) ++failed_sequences;
    }
    EXPECT_EQ(mismatches, 0) << mismatches << " of " << CountLines(requests_) << " outcomes differ, in "
                             << failed_sequences << " of " << requests_.size() << " sequences"
                             << (budget < 0 ? " (only the first few are shown)" : "");
}

// The same replay two other ways, each of which must change nothing: every
// frame the engine's own step (the shortcuts past it off), and every request
// read through the JSON document (the strict reader off). So every corpus
// request checks the shortcuts' exactness and the strict reader's too.
void ExpectStoredOutcomes(const std::vector<Sequence>& requests, const std::vector<Sequence>& replies,
                          const ReplayOptions& options) {
    int budget = kMaximumReportedMismatches;
    int mismatches = 0;
    for (std::size_t s = 0; s < requests.size(); ++s)
        mismatches += CompareSequence(requests[s], replies[s], ReplaySequence(requests[s].lines, options), budget);
    EXPECT_EQ(mismatches, 0) << mismatches << " of " << CountLines(requests) << " outcomes differ";
}

TEST_F(CorpusTest, ThePlainEngineGivesTheStoredOutcomes) {
    ASSERT_TRUE(ShapesAgree());
    ReplayOptions options;
    options.simulator.engine_shortcuts = false;
    ExpectStoredOutcomes(requests_, replies_, options);
}

TEST_F(CorpusTest, TheJsonDocumentAloneGivesTheStoredOutcomes) {
    ASSERT_TRUE(ShapesAgree());
    ReplayOptions options;
    options.strict_reader = false;
    ExpectStoredOutcomes(requests_, replies_, options);
}

// Each sequence must depend on nothing handled before it: a few of them,
// replayed in reverse order and so each after a different predecessor than
// when recorded, still give the stored outcomes.
TEST_F(CorpusTest, SequencesDoNotDependOnTheirPredecessors) {
    ASSERT_TRUE(ShapesAgree());
    constexpr std::size_t kStride = 10;
    int budget = kMaximumReportedMismatches;
    int mismatches = 0;
    for (std::size_t s = requests_.size(); s-- > 0;) {
        if (s % kStride != kStride - 1) continue;
        const Sequence& requests = requests_[s];
        mismatches += CompareSequence(requests, replies_[s], ReplaySequence(requests.lines), budget);
    }
    EXPECT_EQ(mismatches, 0);
}

// Recording a trajectory only reads the simulator: every sequence replayed
// with a recorder watching every throw gives the stored outcomes (which the
// test above checks without one), byte for byte.
TEST_F(CorpusTest, RecordingTrajectoriesChangesNoOutcome) {
    ASSERT_TRUE(ShapesAgree());
    int budget = kMaximumReportedMismatches;
    int mismatches = 0;
    long recorded_frames = 0;
    for (std::size_t s = 0; s < requests_.size(); ++s) {
        const Sequence& requests = requests_[s];
        RequestHandler handler;
        // Every frame for some sequences, every few frames for others: the
        // last frame is sampled off the regular beat then.
        TrajectoryRecorder recorder(static_cast<int>(s % 3) * 2 + 1);
        std::vector<std::string> outcomes;
        for (const std::string& request : requests.lines) {
            try {
                outcomes.push_back(handler.Handle(request, std::nullopt, &recorder));
                recorded_frames += recorder.trajectory().frames;
            } catch (const std::exception& e) {
                outcomes.push_back(std::string(kErrorPrefix) + e.what());
            }
        }
        mismatches += CompareSequence(requests, replies_[s], outcomes, budget);
    }
    EXPECT_EQ(mismatches, 0) << mismatches << " of " << CountLines(requests_) << " outcomes differ when recorded";
    EXPECT_GT(recorded_frames, 100'000) << "the recorder saw the throws";
}

}  // namespace
}  // namespace glidestone::corpus
