#include "plot/plot_options.h"

#include <stdexcept>
#include <string>

namespace glidestone::plot {

Teams TeamsOddEven() {
    Teams teams{};
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) teams[slot] = slot % 2 == 0 ? 0 : 1;
    return teams;
}

Teams TeamsHalves() {
    Teams teams{};
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) teams[slot] = slot < kStoneCount / 2 ? 0 : 1;
    return teams;
}

Teams TeamsFromList(std::string_view list) {
    Teams teams{};
    teams.fill(1);
    if (list.empty()) throw std::invalid_argument("empty list of stone numbers");
    std::size_t start = 0;
    while (true) {
        std::size_t const comma = list.find(',', start);
        std::string_view const item = list.substr(start, comma == std::string_view::npos ? comma : comma - start);
        int number = 0;
        bool valid = !item.empty() && item.size() <= 2 && item.front() != '0';
        for (char c : item) {
            if (c < '0' || c > '9') valid = false;
            number = number * 10 + (c - '0');
        }
        if (!valid || number < 1 || number > static_cast<int>(kStoneCount))
            throw std::invalid_argument("'" + std::string(item) + "' is not a stone number from 1 to 16");
        teams[static_cast<std::size_t>(number - 1)] = 0;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return teams;
}

}  // namespace glidestone::plot
