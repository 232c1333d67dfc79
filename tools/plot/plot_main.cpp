#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

#include "plot/shot_svg.h"
#include "protocol/limits.h"
#include "protocol/line_reader.h"
#include "tools/plot/plot_request.h"

namespace {

constexpr const char* kUsage =
    "usage: glidestone-plot [options] [-o OUTPUT] [REQUEST_FILE]\n"
    "\n"
    "Plays one request (a JSON object on one line, as the server takes it) as a freshly started\n"
    "server would, and draws the shot as an SVG picture to scale: the sheet with its house and lines,\n"
    "every stone where it started (outlined) and came to rest (filled), the shot stone ringed, the\n"
    "paths, the contacts between stones, the target as a cross, and a legend with the release velocity.\n"
    "Stones beyond the picture are marked at its edge.\n"
    "\n"
    "  REQUEST_FILE     the request; standard input when absent or '-'\n"
    "  -o OUTPUT        the SVG file; standard output when absent or '-'\n"
    "  --view VIEW      'house' (default): the far end from the hog line on;\n"
    "                   'sheet': the whole length from the release point\n"
    "  --animate        play the shot in real time, looping (SMIL animation, no script)\n"
    "  --teams TEAMS    the two colours: 'odd-even' (default; stones 1, 3, ... yellow, 2, 4, ... red),\n"
    "                   'halves' (1-8 yellow, 9-16 red), or the yellow stones' numbers, e.g. '1,2,5'\n"
    "  --every K        keep the stones' positions every K-th frame of 0.05 s (default 1)\n"
    "  -h, --help       this text\n"
    "\n"
    "A request that fails gives the message glidestone-batch would give for it.\n"
    "Exit status: 0 picture written, 1 the request failed (or input/output failed), 2 usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glidestone-plot: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int Failure(const std::string& message) {
    std::fprintf(stderr, "glidestone-plot: %s\n", message.c_str());
    return 1;
}

bool ParseEvery(const std::string& text, int& every) {
    char* end = nullptr;
    errno = 0;
    long const value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < 1 || value > 1'000'000) return false;
    every = static_cast<int>(value);
    return true;
}

bool Blank(const std::string& line) {
    return line.find_first_not_of(" \t\r") == std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
    glidestone::plot::PlotOptions options;
    int every = 1;
    std::string input_path = "-";
    std::string output_path = "-";
    bool have_input = false;

    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool has_value = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            value = arg.substr(arg.find('=') + 1);
            arg = arg.substr(0, arg.find('='));
            has_value = true;
        }
        bool const wants_value = arg == "-o" || arg == "--view" || arg == "--teams" || arg == "--every";
        if (has_value && !wants_value) return UsageError(arg + " takes no value");
        if (wants_value && !has_value) {
            if (i + 1 == argc) return UsageError(arg + " needs a value");
            value = argv[++i];
        }
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "-o") {
            output_path = value;
        } else if (arg == "--view") {
            if (value == "house") {
                options.view = glidestone::plot::View::kHouse;
            } else if (value == "sheet") {
                options.view = glidestone::plot::View::kSheet;
            } else {
                return UsageError("--view is 'house' or 'sheet', not '" + value + "'");
            }
        } else if (arg == "--animate") {
            options.animate = true;
        } else if (arg == "--teams") {
            try {
                if (value == "odd-even") {
                    options.teams = glidestone::plot::TeamsOddEven();
                } else if (value == "halves") {
                    options.teams = glidestone::plot::TeamsHalves();
                } else {
                    options.teams = glidestone::plot::TeamsFromList(value);
                }
            } catch (const std::invalid_argument& fault) {
                return UsageError(std::string("--teams: ") + fault.what());
            }
        } else if (arg == "--every") {
            if (!ParseEvery(value, every))
                return UsageError("--every wants a frame count from 1 to 1000000, not '" + value + "'");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option '" + arg + "'");
        } else if (have_input) {
            return UsageError("only one request file");
        } else {
            input_path = arg;
            have_input = true;
        }
    }

    int input_fd = STDIN_FILENO;
    if (input_path != "-") {
        input_fd = ::open(input_path.c_str(), O_RDONLY | O_CLOEXEC);
        if (input_fd < 0) return Failure(input_path + ": " + std::strerror(errno));
    }

    // One request line; blank lines after it are allowed, a second request is not.
    std::string request;
    try {
        glidestone::LineReader reader(input_fd, glidestone::kMaxRequestLineBytes);
        std::string line;
        auto status = reader.Next(request);
        if (status == glidestone::LineReader::Status::kEnd) return Failure("no request line in the input");
        if (status == glidestone::LineReader::Status::kTooLong)
            return Failure("request line longer than " + std::to_string(glidestone::kMaxRequestLineBytes) + " bytes");
        for (std::uint64_t number = 2; (status = reader.Next(line)) != glidestone::LineReader::Status::kEnd; ++number) {
            if (status == glidestone::LineReader::Status::kTooLong || !Blank(line))
                return Failure("line " + std::to_string(number) +
                               ": a second request; glidestone-plot draws one (glidestone-batch answers many)");
        }
    } catch (const std::system_error& failure) {
        return Failure((input_path == "-" ? std::string("standard input") : input_path) + ": " + failure.what());
    }

    std::string svg;
    try {
        svg = glidestone::plot::RenderShotSvg(glidestone::PictureOfRequest(request, every), options);
    } catch (const std::exception& failure) {
        return Failure(failure.what());
    }

    std::FILE* output = stdout;
    if (output_path != "-") {
        output = std::fopen(output_path.c_str(), "w");
        if (!output) return Failure(output_path + ": " + std::strerror(errno));
    }
    bool const written = std::fwrite(svg.data(), 1, svg.size(), output) == svg.size();
    bool const flushed = std::fflush(output) == 0;
    if (!written || !flushed)
        return Failure((output_path == "-" ? std::string("standard output") : output_path) + ": " +
                       std::strerror(errno));
    if (output != stdout && std::fclose(output) != 0) return Failure(output_path + ": " + std::strerror(errno));
    return 0;
}
