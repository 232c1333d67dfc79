"""The low-level Simulator, its snapshots, and the planner."""

import copy
import math
import pickle
import threading

import numpy as np
import pytest

import glidestone

DRAW_SPEED = math.hypot(*glidestone.estimate_shot_velocity(0.0, 35.0))


def probe(simulator, spin=1.57):
    simulator.set_stones([(0.0, 0.0)], velocities=[(0.0, DRAW_SPEED)], angular_velocities=[spin])


def test_the_planners_probe_by_hand():
    vx, vy = glidestone.estimate_shot_velocity(0.0, 35.0)
    assert (vx, vy) == pytest.approx((0.1242, 2.2989), abs=5e-4)
    simulator = glidestone.Simulator()
    probe(simulator)
    frames = 0
    while np.hypot(*simulator.stones()[0, glidestone.VX : glidestone.VY + 1]) > 0.0:
        simulator.step()
        frames += 1
    assert frames == 548
    assert tuple(simulator.positions()[0]) == pytest.approx((-1.885, 34.896), abs=1e-3)
    clockwise = glidestone.estimate_shot_velocity(0.0, 35.0, clockwise=True)
    assert clockwise == pytest.approx((-vx, vy), abs=1e-6)
    assert glidestone.estimate_shot_velocity(0.0, 35.0, target_speed=3.0) == pytest.approx((0.0569, 3.7006), abs=5e-4)
    assert all(math.isnan(v) for v in glidestone.estimate_shot_velocity(0.0, 20.0))


def test_fresh_simulator_and_slot_layout():
    simulator = glidestone.Simulator()
    assert simulator.stones().shape == (16, 6) and simulator.stones().dtype == np.float32
    assert not simulator.stones().any() and not simulator.present().any()
    assert simulator.all_stopped() and simulator.collisions() == []
    assert simulator.seconds_per_frame == np.float32(0.05)
    simulator.set_stones(
        [(0.1, 30.0), (0.2, 31.0)], velocities=[(0.0, 1.0), (0.0, 0.0)], angular_velocities=[1.0, 0.0],
        angles=[0.5, 0.0], present=[True, False],
    )
    stones = simulator.stones()
    assert tuple(stones[0]) == pytest.approx((0.1, 30.0, 0.5, 0.0, 1.0, 1.0))
    assert list(simulator.present()[:3]) == [True, False, False]
    assert not simulator.all_stopped()
    simulator.step(3)
    assert simulator.stones()[0, glidestone.Y] > 30.0
    frames = simulator.run()
    assert frames > 0 and simulator.all_stopped()


def test_collisions_are_recorded_in_the_frame_they_happen():
    simulator = glidestone.Simulator()
    simulator.set_stones([(0.0, 30.0), (0.0, 30.5)], velocities=[(0.0, 3.0), (0.0, 0.0)])
    seen = []
    for _ in range(20):
        simulator.step()
        seen += simulator.collisions()
    assert len(seen) >= 1
    hit = seen[0]
    assert {hit.a.id, hit.b.id} == {0, 1}
    assert hit.normal_impulse > 0.0
    assert 0.2 < math.dist(hit.a.position, hit.b.position) < 0.6
    assert "Collision(a=CollisionStone(id=" in repr(hit)


def test_snapshots_restore_copy_and_pickle():
    simulator = glidestone.Simulator()
    probe(simulator)
    simulator.step(100)
    snapshot = simulator.save()
    at_100 = simulator.stones()
    simulator.step(50)
    assert not np.array_equal(simulator.stones(), at_100)
    simulator.load(snapshot)
    np.testing.assert_array_equal(simulator.stones(), at_100)
    np.testing.assert_array_equal(snapshot.stones(), at_100)

    # Stepping on from the snapshot, in any simulator made from it, agrees.
    simulator.step(50)
    for restored in (
        pickle.loads(pickle.dumps(snapshot)),
        copy.deepcopy(snapshot),
        copy.copy(snapshot),
    ):
        assert restored == snapshot
        other = glidestone.Simulator.from_snapshot(restored)
        other.step(50)
        np.testing.assert_array_equal(other.stones(), simulator.stones())

    slow = glidestone.Simulator(0.02)
    simulator.load(slow.save())
    assert simulator.seconds_per_frame == np.float32(0.02)
    assert simulator.all_stopped()
    with pytest.raises(ValueError, match="Snapshot state"):
        glidestone.Snapshot.__new__(glidestone.Snapshot).__setstate__((99, 0.05, [], []))


def float_bits(values):
    """The bits of values as float32: tells -0.0 from 0.0."""
    return np.asarray(values, dtype=np.float32).view(np.uint32)


def collision_bits(collisions):
    """Each collision's state with its numbers as the bits of their float32."""
    return [
        tuple(v if isinstance(v, int) else int(float_bits(v)) for v in collision.__getstate__())
        for collision in collisions
    ]


def test_a_snapshot_taken_in_a_frame_of_contact_pickles_with_its_collisions():
    # The shot stone strikes two stones at once; one of them goes on to
    # strike a fourth.
    simulator = glidestone.Simulator()
    simulator.set_stones(
        [(0.0, 30.0), (-0.15, 30.5), (0.152, 30.5), (0.3, 31.0)], velocities=[(0.0, 3.0)] + [(0.0, 0.0)] * 3
    )
    for _ in range(40):
        simulator.step()
        if simulator.collisions():
            break
    snapshot = simulator.save()
    hit = collision_bits(snapshot.collisions())
    assert len(hit) == 2 and hit == collision_bits(simulator.collisions())

    # The frames after it, from a simulator made from the snapshot itself (a
    # snapshot leaves out the engine's contact state, so this, not the
    # simulator that took it, is what a restored one must match).
    original = glidestone.Simulator.from_snapshot(snapshot)
    assert collision_bits(original.collisions()) == hit
    going_on = []
    for _ in range(30):
        original.step()
        going_on.append((float_bits(original.stones()), collision_bits(original.collisions())))
    assert any(collisions for _, collisions in going_on)

    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        restored = pickle.loads(pickle.dumps(snapshot, protocol))
        assert restored == snapshot
        assert collision_bits(restored.collisions()) == hit, f"protocol {protocol}"
        np.testing.assert_array_equal(float_bits(restored.stones()), float_bits(snapshot.stones()))
        np.testing.assert_array_equal(restored.present(), snapshot.present())
        assert float_bits(restored.seconds_per_frame) == float_bits(snapshot.seconds_per_frame)
        # A simulator made from it reports them as its last frame's, and
        # goes on bit for bit as one made from the original does.
        other = glidestone.Simulator.from_snapshot(restored)
        assert collision_bits(other.collisions()) == hit
        for frame, (stones, collisions) in enumerate(going_on):
            other.step()
            np.testing.assert_array_equal(float_bits(other.stones()), stones, err_msg=f"frame {frame}")
            assert collision_bits(other.collisions()) == collisions, f"frame {frame}"


def test_bad_input_gives_clear_errors():
    simulator = glidestone.Simulator()
    with pytest.raises(ValueError, match="at most 16"):
        simulator.set_stones(np.zeros((17, 2)))
    with pytest.raises(ValueError, match=r"velocities must have shape \(2, 2\)"):
        simulator.set_stones(np.zeros((2, 2)), velocities=np.zeros((3, 2)))
    with pytest.raises(ValueError, match=r"angular_velocities\[0\]"):
        simulator.set_stones([(0, 30)], angular_velocities=[float("inf")])
    with pytest.raises(ValueError, match="limit of 1e9"):
        simulator.set_stones([(0, 30)], velocities=[(0.0, 1e30)])
    with pytest.raises(TypeError):
        simulator.set_stones([(0, 30)], present="yes")
    with pytest.raises(ValueError, match="frames"):
        simulator.step(-1)
    with pytest.raises(TypeError):
        simulator.step("1")
    with pytest.raises(ValueError, match="seconds_per_frame"):
        glidestone.Simulator(0.0)
    with pytest.raises(TypeError):
        simulator.load("snapshot")
    # Nothing was changed by the refused calls.
    assert not simulator.present().any()


def test_a_simulator_shared_between_threads_takes_turns():
    sim = glidestone.Simulator()
    sim.set_stones([(0.0, 0.0)], velocities=[(0.0, 3.0)])
    before = sim.stones()
    after = {}

    def run():
        sim.step(200_000)
        after["stones"] = sim.stones()

    seen = []
    worker = threading.Thread(target=run)
    worker.start()
    while worker.is_alive():
        seen.append(sim.stones())  # never an error, never a frame half-stepped
    worker.join()
    final = after["stones"]
    # Every read saw the state before the step or after the whole of it.
    assert all(np.array_equal(s, before) or np.array_equal(s, final) for s in seen)
    assert np.isfinite(final).all()
