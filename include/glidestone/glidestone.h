#pragma once

// The public C++ API of glidestone, in one header.
//
//   - The simulator contracts (ISimulator, ISimulatorFactory,
//     ISimulatorStorage), the shared types (Vector2, StoneSlot, AllStones,
//     Collision) and the one implementation's factory and snapshot,
//     simulators::SimulatorFCV1Factory and simulators::SimulatorFCV1Storage.
//   - The planner: EstimateShotVelocity, the release velocity for a target.
//   - The shot API: ShotPlayer plays a whole shot (Shot in, ShotResult out)
//     on simulators of its own; the sheet's geometry in glidestone::sheet.
//
// Everything lives in the namespace glidestone. Physics is 32-bit float and
// reproduces bit for bit: build consumers without -ffast-math.

#include <glidestone/version.h>

#include "planner/shot_velocity.h"
#include "shot/sheet.h"
#include "shot/shot.h"
#include "shot/shot_player.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/fcv1/simulator_fcv1_storage.h"
#include "simulator/interfaces/collision.h"
#include "simulator/interfaces/simulator.h"
#include "simulator/interfaces/simulator_factory.h"
#include "simulator/interfaces/simulator_storage.h"
#include "simulator/interfaces/stone.h"
