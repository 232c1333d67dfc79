#pragma once

// The requests and scenes the benchmarks measure. The request lines are the
// first lines of corpus_draw.jsonl, corpus_takeout.jsonl and
// corpus_takeout4.jsonl, so that the in-process figures and the load client's
// figures describe the same work.

#include <string_view>

#include "simulator/interfaces/stone.h"

namespace glidestone::bench {

// A draw onto an empty sheet: the shot stone comes to rest at (0, 35).
inline constexpr std::string_view kDrawRequest = R"({"shot":[0,35,1],"stone1":[0,0,0]})";

// A takeout: the shot stone passes (0.3, 37) at 3 m/s, counter-clockwise, into
// fifteen stones in and around the house (x in [-1.8, 1.8], y in [34, 40], at
// least 0.32 m apart centre to centre). Played out it has about a dozen
// stone-to-stone contacts and moves nine of the fifteen stones.
inline constexpr std::string_view kTakeoutRequest =
    R"({"stone1":[-0.22,39.65,1],"stone2":[-0.46,37.13,1],"stone3":[0.42,36.86,1],"stone4":[-1.25,37.45,1],)"
    R"("stone5":[-1.43,39.22,1],"stone6":[0.10,38.97,1],"stone7":[1.70,38.06,1],"stone8":[-0.15,35.76,1],)"
    R"("stone9":[-0.04,37.12,1],"stone10":[1.06,39.17,1],"stone11":[1.64,36.03,1],"stone12":[0.15,35.64,1],)"
    R"("stone13":[0.60,39.10,1],"stone14":[0.29,39.29,1],"stone15":[1.53,36.51,1],"shot":[0.3,-37,1]})";

// A takeout at 3 m/s into four stones in the house (the list ends at stone5).
inline constexpr std::string_view kTakeoutIntoFourRequest =
    R"({"stone1":[0.02,37.05,1],"stone2":[0.55,36.20,1],"stone3":[-0.62,38.10,1],"stone4":[0.31,39.02,1],)"
    R"("stone5":[0,0,0],"shot":[0.0,-37,1]})";

// The sixteen slots of kTakeoutRequest at the moment of release: the fifteen
// stones at rest and the shot stone at the origin with the planner's release
// velocity and +1.57 rad/s of spin, as the request handler would set them.
AllStones TakeoutSceneAtRelease();

// The sixteen slots of a draw at release: only the shot stone, with the
// planner's velocity for kDrawRequest.
AllStones DrawSceneAtRelease();

}  // namespace glidestone::bench
