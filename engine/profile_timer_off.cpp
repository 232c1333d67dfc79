// Stands in for the engine's b2_timer.cpp. The engine times every phase of a
// world step for b2World::GetProfile; the stock timer asks the system clock
// each time, which costs as much as the step itself for a crowded sheet.
// Nothing here reads the profile, so the timer does nothing and always reads
// zero.
#include <box2d/b2_timer.h>

b2Timer::b2Timer() = default;

void b2Timer::Reset() {}

float b2Timer::GetMilliseconds() const {
    return 0.0f;
}
