#include "game/sheet_rules.h"

#include <cmath>

#include "shot/sheet.h"

namespace glidestone::sheet_rules {

namespace {

constexpr double kRadius = sheet::kStoneRadius;
constexpr double kHouseLimit = static_cast<double>(sheet::kHouseRadius) + kRadius;

double Wide(float value) {
    return static_cast<double>(value);
}

}  // namespace

bool TouchesSideLine(Vector2 centre) {
    return std::fabs(Wide(centre.x)) + kRadius >= Wide(sheet::kSheetMaxX);
}

bool WhollyBeyondBackLine(Vector2 centre) {
    return Wide(centre.y) - kRadius > Wide(sheet::kBackLineY);
}

bool WhollyBeyondHogLine(Vector2 centre) {
    return Wide(centre.y) - kRadius > Wide(sheet::kHogLineY);
}

bool InHouse(Vector2 centre) {
    double const dx = Wide(centre.x) - Wide(sheet::kTee.x);
    double const dy = Wide(centre.y) - Wide(sheet::kTee.y);
    return dx * dx + dy * dy <= kHouseLimit * kHouseLimit;
}

bool InFreeGuardZone(Vector2 centre) {
    return Wide(centre.y) < Wide(sheet::kTeeLineY) && !InHouse(centre);
}

bool TouchesCentreLine(Vector2 centre) {
    return std::fabs(Wide(centre.x)) <= kRadius;
}

}  // namespace glidestone::sheet_rules
