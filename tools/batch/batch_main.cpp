#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "protocol/limits.h"
#include "tools/batch/batch_runner.h"

namespace {

constexpr const char* kUsage =
    "usage: glidestone-batch [-j N] [-o OUTPUT] [--noise-speed S] [--noise-angle A] [--seed N] [INPUT]\n"
    "\n"
    "Answers a file of requests (one JSON object per line, as the server takes them) on every core.\n"
    "Writes one line per request, in input order: the reply a freshly started server would send for\n"
    "that request alone, or {\"error\":\"<message>\",\"line\":N} for a request that fails.\n"
    "Replies never depend on the number of threads or on other requests.\n"
    "\n"
    "  INPUT        request file; standard input when absent or '-'\n"
    "  -o OUTPUT    reply file; standard output when absent or '-'\n"
    "  -j N         worker threads (default: every core)\n"
    "  -h, --help   this text\n"
    "\n"
    "Execution noise (off unless asked for): each planned release gets a Gaussian speed error and a\n"
    "Gaussian turn of its direction before the throw, and the reply's shot is the velocity really thrown.\n"
    "Line N's errors come from (seed, N) alone, so the output is the same for any -j.\n"
    "  --noise-speed S   standard deviation of the release speed error, m/s (default 0)\n"
    "  --noise-angle A   standard deviation of the release direction error, radians (default 0)\n"
    "  --seed N          seed of the noise, 0 to 18446744073709551615 (default 0)\n"
    "\n"
    "Progress goes to standard error when it is a terminal.\n"
    "Exit status: 0 every line answered, 1 some line failed (or input/output failed), 2 usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glidestone-batch: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool ParseThreads(const char* text, int& threads) {
    char* end = nullptr;
    errno = 0;
    long const value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > 4096) return false;
    threads = static_cast<int>(value);
    return true;
}

bool ParseDeviation(const char* text, double& sigma) {
    char* end = nullptr;
    errno = 0;
    double const value = std::strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !std::isfinite(value) || value < 0.0) return false;
    sigma = value;
    return true;
}

bool ParseSeed(const char* text, std::uint64_t& seed) {
    if (*text < '0' || *text > '9') return false;  // strtoull would wrap a minus sign around
    char* end = nullptr;
    errno = 0;
    unsigned long long const value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0') return false;
    seed = value;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Every line is answered by worlds built afresh and freed again (some
    // 200 kB a request). With the allocator's default thresholds that memory
    // goes back to the kernel (a heap trimmed, a large block unmapped) and
    // faults back in for the next line; with two threads in one process each
    // such change of the address space also stalls the other thread, which
    // cost a second thread a third of its gain. Kept instead: the batch's
    // memory stays at its peak, a few megabytes a thread.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    glidestone::BatchOptions options;
    options.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::string input_path = "-";
    std::string output_path = "-";
    bool have_input = false;
    bool have_noise = false;
    bool have_seed = false;

    for (int i = 1; i < argc; ++i) {
        std::string const arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-j" || arg == "-o") {
            if (i + 1 == argc) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            if (arg == "-j" && !ParseThreads(value, options.threads))
                return UsageError(std::string("-j wants a thread count from 1 to 4096, not '") + value + "'");
            if (arg == "-o") output_path = value;
        } else if (arg == "--noise-speed" || arg == "--noise-angle") {
            if (i + 1 == argc) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            double& sigma = arg == "--noise-speed" ? options.noise.sigma_speed : options.noise.sigma_angle;
            if (!ParseDeviation(value, sigma))
                return UsageError(arg + " wants a finite standard deviation of at least 0, not '" + value + "'");
            have_noise = true;
        } else if (arg == "--seed") {
            if (i + 1 == argc) return UsageError(arg + " needs a value");
            const char* value = argv[++i];
            if (!ParseSeed(value, options.seed))
                return UsageError(std::string("--seed wants an integer from 0 to 18446744073709551615, not '") + value +
                                  "'");
            have_seed = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (have_input) {
            return UsageError("only one input file");
        } else {
            input_path = arg;
            have_input = true;
        }
    }

    if (have_seed && !have_noise) return UsageError("--seed needs --noise-speed or --noise-angle");

    int input_fd = STDIN_FILENO;
    if (input_path != "-") {
        input_fd = ::open(input_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (input_fd < 0) {
            std::fprintf(stderr, "glidestone-batch: %s: %s\n", input_path.c_str(), std::strerror(errno));
            return 1;
        }
    }
    struct stat info {};
    if (::fstat(input_fd, &info) == 0 && S_ISREG(info.st_mode))
        options.input_bytes = static_cast<std::uint64_t>(info.st_size);

    std::FILE* output = stdout;
    if (output_path != "-") {
        output = std::fopen(output_path.c_str(), "w");
        if (!output) {
            std::fprintf(stderr, "glidestone-batch: %s: %s\n", output_path.c_str(), std::strerror(errno));
            return 1;
        }
    }
    static char output_buffer[1 << 16];
    std::setvbuf(output, output_buffer, _IOFBF, sizeof output_buffer);

    options.progress = ::isatty(STDERR_FILENO) == 1;
    options.window = 32 * options.threads;

    glidestone::LineReader reader(input_fd, glidestone::kMaxRequestLineBytes);
    try {
        glidestone::BatchSummary const summary = glidestone::RunBatch(reader, output, options);
        if (output != stdout && std::fclose(output) != 0) {
            std::fprintf(stderr, "glidestone-batch: %s: %s\n", output_path.c_str(), std::strerror(errno));
            return 1;
        }
        return summary.failed == 0 ? 0 : 1;
    } catch (const std::system_error& failure) {
        std::fprintf(stderr, "glidestone-batch: %s\n", failure.what());
        return 1;
    }
}
