#pragma once

// The public C++ API of glidestone, in one header.
//
//   - The simulator contracts (ISimulator, ISimulatorFactory,
//     ISimulatorStorage), the shared types (Vector2, StoneSlot, AllStones,
//     Collision) and the one implementation's factory and snapshot,
//     simulators::SimulatorFCV1Factory and simulators::SimulatorFCV1Storage.
//   - The planner: EstimateShotVelocity, the release velocity for a target.
//   - The shot API: ShotPlayer plays a whole shot (Shot in, ShotResult out)
//     on simulators of its own; the sheet's geometry in glidestone::sheet;
//     TrajectoryRecorder watches a throw frame by frame.
//   - The research layer: ScoreEnd, seeded ExecutionNoise, and EvaluateShot
//     (Monte Carlo evaluation of a shot under noise).
//   - Whole games: Rules, Game (delivery by delivery under the rules of
//     curling, with its GameState), PlayDelivery, and game records that
//     replay bit for bit (ReplayGame).
//   - Agents and matches: RandomAgent, HeuristicAgent, MonteCarloAgent, and
//     RunMatch with its summary (Wilson interval, Elo).
//
// Everything lives in the namespace glidestone. Physics is 32-bit float and
// reproduces bit for bit: build consumers without -ffast-math.

#include <glidestone/version.h>

#include "game/action.h"
#include "game/agent.h"
#include "game/agent_match.h"
#include "game/delivery.h"
#include "game/game.h"
#include "game/game_state.h"
#include "game/random_shot.h"
#include "game/record.h"
#include "game/rules.h"
#include "game/sheet_rules.h"
#include "planner/shot_velocity.h"
#include "research/end_score.h"
#include "research/execution_noise.h"
#include "research/monte_carlo.h"
#include "research/random.h"
#include "shot/sheet.h"
#include "shot/shot.h"
#include "shot/shot_player.h"
#include "shot/trajectory.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/fcv1/simulator_fcv1_storage.h"
#include "simulator/interfaces/collision.h"
#include "simulator/interfaces/simulator.h"
#include "simulator/interfaces/simulator_factory.h"
#include "simulator/interfaces/simulator_storage.h"
#include "simulator/interfaces/stone.h"
