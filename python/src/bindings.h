#pragma once

#include <pybind11/pybind11.h>

#include <string>

// The extension module _glidestone is assembled from one Bind* function per
// area, each in a source file of its own and called in order from module.cpp.
// A new area is a new file and one more line there.
namespace glidestone {
struct Rules;
}

namespace glidestone::python {

// RequestError, ShotError, BatchCancelled.
void BindErrors(pybind11::module_& module);

// Raises glidestone.RequestError with `message`, whose bytes need not be
// UTF-8 (the JSON library's messages quote the request): invalid bytes become
// U+FFFD. Needs the GIL.
[[noreturn]] void RaiseRequestError(const std::string& message);

// Simulator, Snapshot, Collision, CollisionStone.
void BindSimulator(pybind11::module_& module);

// estimate_shot_velocity.
void BindPlanner(pybind11::module_& module);

// play and Session: whole shots from stones and a shot, or from request lines.
void BindShots(pybind11::module_& module);

// play_many: request lines answered on every core.
void BindBatch(pybind11::module_& module);

// score_end and evaluate: the end's score, and a shot's under execution noise.
void BindResearch(pybind11::module_& module);

// shot_svg: the picture of a shot.
void BindPlot(pybind11::module_& module);

// Games (Game, replay_game, play_games) and numpy batches of shots
// (play_batch).
void BindGames(pybind11::module_& module);

// The rules from glidestone.Rules._tuple(); ValueError when out of range.
Rules AsRules(pybind11::tuple rules);

// Agents by their config text (_Agent) and matches between them
// (_play_match, _play_matches: a pool of every pair's games), with the
// match statistics they are reported in.
void BindAgents(pybind11::module_& module);

}  // namespace glidestone::python
