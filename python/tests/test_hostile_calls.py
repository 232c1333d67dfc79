"""The module under hostile calls: half-made objects, crafted pickles, values at and past every bound,
Ctrl-C during long calls. Anything that could crash the interpreter runs in a child interpreter, so a
crash is a failure of the test rather than of the suite."""

import copy
import math
import os
import pickle
import pickletools
import select
import signal
import subprocess
import sys
import textwrap
import threading
import time

import numpy as np
import pytest

import glidestone
from glidestone import _glidestone

LINE = '{"stone1":[0.0,38.405,0],"shot":[0.0,-38.405,-1]}'

UNDER_ASAN = "asan" in os.environ.get("LD_PRELOAD", "")


def run_child(code, timeout=120):
    """Runs `code` in a fresh interpreter; its standard output, after checking that it exited normally."""
    result = subprocess.run(
        [sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True, timeout=timeout
    )
    if result.returncode < 0:
        how = f"killed by {signal.Signals(-result.returncode).name}"
    else:
        how = f"exit status {result.returncode}"
    assert result.returncode == 0, f"child interpreter: {how}\n{result.stdout}\n{result.stderr}"
    return result.stdout


def test_every_class_pickles_with_every_protocol_or_refuses_with_type_error():
    out = run_child(
        """
        import copy, pickle
        import numpy as np
        import glidestone as g

        sim = g.Simulator()
        sim.set_stones([(0.0, 30.0), (0.0, 30.5)], velocities=[(0.0, 3.0), (0.0, 0.0)])
        while not sim.collisions():
            sim.step()
        snapshot, collision = sim.save(), sim.collisions()[0]
        result = g.play([(0.0, 38.405)], g.Shot.takeout(0.0, 38.405, spin=-1))
        distribution = g.evaluate([], g.Shot.draw(0.0, 38.405), [0], samples=3, noise=(0.05, 0.01))
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            again = lambda value: pickle.loads(pickle.dumps(value, protocol))
            assert again(snapshot) == snapshot and len(again(snapshot).collisions()) == 1
            assert repr(again(collision)) == repr(collision)
            assert repr(again(collision.a)) == repr(collision.a)
            assert again(g.Shot.takeout(0.5, 38.0, -1)) == g.Shot.takeout(0.5, 38.0, -1)
            played = again(result)
            assert np.array_equal(played.positions, result.positions) and played.frames == result.frames
            assert played.svg() == result.svg()
            assert again(distribution).histogram == distribution.histogram
            for refused in (sim, g.Session(), g._glidestone._Session()):
                try:
                    pickle.dumps(refused, protocol)
                except TypeError as error:
                    assert "cannot pickle" in str(error)
                else:
                    raise AssertionError(f"{refused!r} pickled with protocol {protocol}")
        for refused in (sim, g.Session()):
            for copier in (copy.copy, copy.deepcopy):
                try:
                    copier(refused)
                except TypeError:
                    pass
                else:
                    raise AssertionError(f"{refused!r} copied")
        print("ok")
        """
    )
    assert out == "ok\n"


def test_objects_made_without_init_are_whole():
    out = run_child(
        """
        import pickle
        import numpy as np
        import glidestone as g

        classes = [g.Snapshot, g.Simulator, g.Collision, g.CollisionStone, g._glidestone._Session, g.Session,
                   g.ShotResult, g.ScoreDistribution, g.Shot]
        for cls in classes:
            repr(cls.__new__(cls))

        empty = g.Snapshot.__new__(g.Snapshot)
        assert empty == g.Simulator().save() and empty.collisions() == [] and not empty.stones().any()
        sim = g.Simulator.__new__(g.Simulator)
        sim.step(3)
        assert sim.run() == 0 and sim.save() == empty
        sim.set_stones([(0.0, 30.0)], velocities=[(0.0, 2.0)])
        assert sim.run() > 0 and np.isfinite(sim.stones()).all()
        sim.load(empty)
        late = g.Simulator.__new__(g.Simulator)
        late.__init__(0.02)
        assert late.seconds_per_frame == np.float32(0.02)
        refused = g.Simulator.__new__(g.Simulator)
        try:
            refused.__init__(0.0)
        except ValueError:
            pass
        refused.step(2)
        assert refused.stones().shape == (16, 6)

        line = '{"stone1":[0.0,38.405,0],"shot":[0.0,-38.405,-1]}'
        assert g.Session.__new__(g.Session).handle(line) == g.Session().handle(line)
        assert g._glidestone._Session.__new__(g._glidestone._Session).handle(line) == g.Session().handle(line)
        stone = g.CollisionStone.__new__(g.CollisionStone)
        assert (stone.id, stone.position, stone.angle) == (0, (0.0, 0.0), 0.0)
        assert g.Collision.__new__(g.Collision).b.id == 0
        assert g.ShotResult.__new__(g.ShotResult).positions.shape == (16, 2)
        assert g.ScoreDistribution.__new__(g.ScoreDistribution).samples == 0
        assert g.Shot.__new__(g.Shot) == g.Shot(0.0, 0.0)
        try:
            g.play([], object.__new__(g.Shot))
        except TypeError as error:
            assert "never initialised" in str(error)
        else:
            raise AssertionError("a Shot without fields played")

        # The bases' allocators would give a value never constructed: refused.
        for cls in (g.Snapshot, g.Simulator, g.Collision, g.CollisionStone, g._glidestone._Session):
            for base in cls.__mro__[1:]:
                try:
                    base.__new__(cls)
                except TypeError:
                    pass
                else:
                    raise AssertionError(f"{base.__name__}.__new__({cls.__name__}) accepted")
        print("ok")
        """
    )
    assert out == "ok\n"


def test_crafted_and_damaged_pickles_give_whole_objects_or_errors():
    snapshot = glidestone.Simulator().save()
    good = pickle.dumps(snapshot, protocol=4)
    # The same pickle with its BUILD made a POP: the state is never set.
    build = [pos for op, arg, pos in pickletools.genops(good) if op.name == "BUILD"]
    assert len(build) == 1
    unbuilt = good[: build[0]] + b"0" + good[build[0] + 1 :]
    # Only the class, made by NEWOBJ: 40 bytes.
    bare = b"\x80\x04\x8c\x16glidestone._glidestone\x8c\x08Snapshot\x93)\x81."
    out = run_child(
        f"""
        import copyreg, pickle
        import glidestone as g

        for data in ({unbuilt!r}, {bare!r}):
            snapshot = pickle.loads(data)
            assert snapshot == g.Simulator().save()
            sim = g.Simulator()
            sim.load(snapshot)
            sim.step(5)
            sim.save()
        try:
            copyreg._reconstructor(g.Snapshot, object, None)
        except TypeError:
            pass
        else:
            raise AssertionError("object.__new__ made a Snapshot")
        print("ok")
        """
    )
    assert out == "ok\n"


def mutated_state(change):
    state = list(glidestone.Simulator().save().__getstate__())
    state[2] = [list(stone) for stone in state[2]]
    change(state)
    return tuple(state)


def set_stone(field, value):
    def change(state):
        state[2][0][field] = value

    return change


def set_field(index, value):
    def change(state):
        state[index] = value

    return change


COLLISION = [1, 0.0, 30.0, 0.0, 2, 0.0, 30.29, 0.0, 0.5, 0.0]


def with_collision(field, value, count=1):
    def change(state):
        collision = list(COLLISION)
        collision[field] = value
        state[3] = [collision] * count

    return change


@pytest.mark.parametrize(
    "change, error, fragment",
    [
        (set_stone(0, 3e38), ValueError, "farther than 1e36"),
        (set_stone(1, -1.1e36), ValueError, "farther than 1e36"),
        (set_stone(2, math.nan), ValueError, "angle"),
        (set_stone(3, 1e10), ValueError, "limit of 1e9"),
        (set_stone(4, -math.inf), ValueError, "not finite"),
        (set_stone(5, 2e9), ValueError, "limit of 1e9"),
        (set_stone(6, 2), TypeError, "present must be True or False"),
        (set_stone(0, "0"), TypeError, "must be a real number"),
        (set_stone(0, 10**400), ValueError, "too large"),
        (set_field(1, 1e-46), ValueError, "seconds_per_frame"),
        (set_field(1, 0.0), ValueError, "seconds_per_frame"),
        (set_field(1, 1e38), ValueError, "seconds_per_frame"),
        (set_field(0, 2), ValueError, "unknown version"),
        (set_field(0, "1"), TypeError, "version must be an int"),
        (set_field(2, [(0.0,) * 6 + (False,)] * 15), ValueError, "16 fields"),
        (set_field(2, {}), TypeError, "tuple or list"),
        (lambda state: state[2].__setitem__(3, [0.0] * 6), ValueError, "7 fields"),
        (with_collision(0, 16), ValueError, "id must be from 0 to 15"),
        (with_collision(8, math.nan), ValueError, "normal_impulse"),
        (with_collision(2, 1e39), ValueError, "not finite"),
        (with_collision(0, 1, count=121), ValueError, "at most 120"),
        (set_field(3, None), TypeError, "tuple or list"),
    ],
)
def test_a_snapshot_state_is_validated_as_set_stones_validates(change, error, fragment):
    live = glidestone.Simulator(0.02).save()
    before = live.__getstate__()
    with pytest.raises(error, match=fragment):
        live.__setstate__(mutated_state(change))
    assert live.__getstate__() == before  # a refused state changes nothing
    with pytest.raises(error, match=fragment):
        glidestone.Snapshot.__new__(glidestone.Snapshot).__setstate__(mutated_state(change))


def test_setstate_on_a_live_snapshot_replaces_its_state():
    sim = glidestone.Simulator()
    sim.set_stones([(0.0, 30.0)], velocities=[(0.0, 2.0)])
    sim.step(10)
    moving, still = sim.save(), glidestone.Simulator(0.02).save()
    still.__setstate__(moving.__getstate__())
    assert still == moving and still.seconds_per_frame == moving.seconds_per_frame
    state = mutated_state(with_collision(0, 3))
    still.__setstate__(state)
    assert still.collisions()[0].a.id == 3 and still.collisions()[0].b.position == pytest.approx((0.0, 30.29))


def test_one_set_of_bounds_for_every_entry_point():
    for seconds in (1e-46, 1e-40, 1e-7, 0.0, -0.05, 1.01e3, 1e38, math.inf, math.nan):
        with pytest.raises(ValueError, match="seconds_per_frame"):
            glidestone.Simulator(seconds)
    # The extremes that are accepted keep the most violent accepted states finite, also when one
    # simulator goes from the shortest frames to the longest and back.
    violent = {
        "positions": [(1e36, -1e36), (0.0, 0.0), (0.0, 0.2), (0.2, 0.0), (0.2, 0.0), (0.0, 0.0)],
        "velocities": [(1e9, -1e9), (0.0, 1e9), (0.0, 0.0), (-1e9, 1.0), (1.0, -1e9), (0.0, -1e9)],
        "angular_velocities": [1e9, -1e9, 0.0, 3.0, -1e9, 1.0],
        "angles": [3e38, 0.0, 0.0, -1.0, 3e38, 0.0],
    }
    snapshots = {}
    for seconds in (1e-6, 0.05, 1e3):
        sim = glidestone.Simulator(seconds)
        sim.set_stones(**violent)
        snapshots[seconds] = sim.save()
        sim.step(20)
        assert np.isfinite(sim.stones()).all(), seconds
    sim = glidestone.Simulator(1e-6)
    for seconds in (1e-6, 1e3, 1e-6, 1e3, 0.05, 1e3):
        sim.load(snapshots[seconds])
        sim.run(200)
        assert np.isfinite(sim.stones()).all(), seconds
    assert glidestone.Simulator.from_snapshot(snapshots[1e-6]).seconds_per_frame == np.float32(1e-6)

    sim = glidestone.Simulator()
    with pytest.raises(ValueError, match="farther than 1e36"):
        sim.set_stones([(3e38, 38.0)])
    with pytest.raises(glidestone.ShotError, match="1e36"):
        glidestone.play([(3e38, 38.0)], glidestone.Shot.draw(0.0, 38.0))

    draw = glidestone.Shot.draw(0.0, 38.405)
    for noise in ((1e21, 0.0), (glidestone.MAX_SIGMA_SPEED * 1.01, 0.0), (0.0, 1e20), (0.0, 1.5e4)):
        with pytest.raises(ValueError, match="noise: sigma_"):
            glidestone.play([(0.1, 38.0)], draw, noise=noise)
        with pytest.raises(ValueError, match="noise: sigma_"):
            glidestone.play_many([LINE], noise=noise)
        with pytest.raises(ValueError, match="noise: sigma_"):
            glidestone.evaluate([], draw, [0], samples=2, noise=noise)
        with pytest.raises(ValueError, match="noise: sigma_"):
            glidestone.shot_svg([], draw, noise=noise)
    # At the bounds nothing turns into NaN, the resting stone least of all.
    for noise in ((glidestone.MAX_SIGMA_SPEED, 0.0), (0.0, glidestone.MAX_SIGMA_ANGLE), (1e7, 1e4)):
        for seed in range(8):
            result = glidestone.play([(0.1, 38.0)], draw, noise=noise, seed=seed)
            assert np.isfinite(result.positions).all() and np.isfinite(result.release_velocity).all()
        assert "null" not in glidestone.play_many([LINE] * 4, noise=noise, seed=3, progress=False)[0]

    with pytest.raises(ValueError, match="MAX_SAMPLES"):
        glidestone.evaluate([], draw, [0], samples=2**64 - 1)
    for threads in (glidestone.MAX_THREADS + 1, 2**40):
        with pytest.raises(ValueError, match="MAX_THREADS"):
            glidestone.evaluate([], draw, [0], samples=2, threads=threads)
        with pytest.raises(ValueError, match="MAX_THREADS"):
            glidestone.play_many([LINE], threads=threads)


@pytest.mark.skipif(UNDER_ASAN, reason="the address sanitizer reserves more address space than the limit")
def test_threads_that_cannot_start_raise_runtime_error():
    out = run_child(
        """
        import resource
        import glidestone as g

        line = '{"stone1":[0.0,38.405,0],"shot":[0.0,-38.405,-1]}'
        with open("/proc/self/statm") as statm:
            used = int(statm.read().split()[0]) * resource.getpagesize()
        # Room for the interpreter and a few dozen thread stacks, not for a thousand.
        limit = used + (256 << 20)
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
        for call in (
            lambda: g.evaluate([], g.Shot.draw(0.0, 38.405), [0], samples=4000, threads=g.MAX_THREADS),
            lambda: g.play_many([line] * 4000, threads=g.MAX_THREADS, progress=False),
        ):
            try:
                call()
            except (RuntimeError, MemoryError) as error:
                print(type(error).__name__)
            else:
                print("ran")
        """,
        timeout=300,
    )
    # A thousand 8 MiB stacks cannot fit in 256 MiB more: the calls must fail, and cleanly.
    assert out.split() and all(line in ("RuntimeError", "MemoryError") for line in out.split()), out


LONG_CALLS = {
    "evaluate": (
        "",
        "g.evaluate([(0.1, 38.0)], g.Shot.draw(0.0, 38.405), [1, 0], samples=10**8, noise=(0.05, 0.01), threads=2)",
    ),
    "play_many": (
        "lines = [line] * 300_000",
        "g.play_many(lines, threads=2, progress=False)",
    ),
    "play_many reading its lines": (
        "lines = [line] * 3_000_000",
        "g.play_many(lines, threads=2, progress=False)",
    ),
    "Simulator.step": (
        "sim = g.Simulator(); sim.set_stones([(0.0, 38.0)] * 1 + [(0.5, 38.0)])",
        "sim.step(10**15)",
    ),
    "Simulator.run": (
        "sim = g.Simulator(1e-6); sim.set_stones([(0.0, 0.0)], velocities=[(0.0, 3.0)])",
        "sim.run(10**15)",
    ),
    "waiting for a Simulator in use": (
        "import threading\n"
        "sim = g.Simulator(); sim.set_stones([(0.0, 38.0)])\n"
        "threading.Thread(target=sim.step, args=(10**15,), daemon=True).start()\n"
        "import time; time.sleep(0.1)",
        "sim.stones()",
    ),
}


@pytest.mark.parametrize("name", sorted(LONG_CALLS))
def test_ctrl_c_stops_a_long_call(name):
    setup, call = LONG_CALLS[name]
    code = (
        "import os, sys\nimport glidestone as g\n"
        f"line = {LINE!r}\n{setup}\n"
        "print('ready', flush=True)\n"
        f"try:\n    {call}\n"
        "except KeyboardInterrupt:\n    print('interrupted', flush=True)\n"
        "else:\n    print('finished', flush=True)\n"
        # Without waiting for a worker that still holds the simulator.
        "os._exit(0)\n"
    )
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        time.sleep(0.5)  # well into the call
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        # A call that ignores Ctrl-C would never answer: give it 10 s.
        answered, _, _ = select.select([child.stdout], [], [], 10.0)
        answer = child.stdout.readline() if answered else "no answer in 10 s\n"
        latency = time.monotonic() - sent
    finally:
        child.kill()
        child.wait(timeout=60)
    print(f"Ctrl-C latency, {name}: {latency * 1000:.0f} ms")
    assert answer == "interrupted\n", answer + child.stderr.read()
    assert latency < 2.0


def test_wrong_types_name_the_argument_and_the_type():
    sim = glidestone.Simulator()
    cases = [
        (lambda: glidestone.Simulator("0.05"), "seconds_per_frame must be a real number, not str"),
        (lambda: sim.step(1.5), "frames must be an int, not float"),
        (lambda: sim.step(True), "frames must be an int, not bool"),
        (lambda: sim.run("10"), "max_frames must be an int, not str"),
        (lambda: sim.load(None), "snapshot must be a glidestone.Snapshot, not NoneType"),
        (lambda: glidestone.Simulator.from_snapshot(sim), "snapshot must be a glidestone.Snapshot, not Simulator"),
        (lambda: glidestone.estimate_shot_velocity("0", 35.0), "x must be a real number, not str"),
        (lambda: glidestone.estimate_shot_velocity(0.0, 35.0, clockwise=1), "clockwise must be True or False"),
        (lambda: sim.save().__setstate__(None), "Snapshot state must be a tuple or list, not NoneType"),
        (lambda: glidestone.Shot(0.0, 38.0, "no"), "pass_target must be True or False, not str"),
        (lambda: glidestone.Shot(0.0, 38.0, 1), "pass_target must be True or False, not int"),
        (lambda: glidestone.Shot(0.0, 38.0, False, "1"), "Shot.spin must be a real number, not str"),
    ]
    for call, message in cases:
        with pytest.raises(TypeError) as raised:
            call()
        assert message in str(raised.value)
    with pytest.raises(ValueError, match="frames must be from 0"):
        sim.step(-1)
    with pytest.raises(ValueError, match="frames must be from 0"):
        sim.step(2**70)
    # Arguments past a bound are refused by the public function, never by a private one.
    with pytest.raises(ValueError) as raised:
        glidestone.evaluate([], glidestone.Shot.draw(0.0, 38.0), [0], threads=2**40)
    assert "_evaluate" not in str(raised.value) and "Unable to cast" not in str(raised.value)


def test_comparisons_with_other_types_are_not_implemented():
    snapshot = glidestone.Simulator().save()
    assert snapshot.__eq__(None) is NotImplemented and snapshot.__eq__("x") is NotImplemented
    assert (snapshot == None) is False and (snapshot != None) is True  # noqa: E711
    assert snapshot != 3 and snapshot in [None, snapshot] and snapshot == copy.copy(snapshot)


def test_shots_validate_their_arguments():
    assert glidestone.Shot(0.0, 38.0, np.True_, np.int64(-1)).pass_target
    with pytest.raises(ValueError, match="not negative"):
        glidestone.Shot.draw(0.0, -38.405)
    with pytest.raises(ValueError, match="not negative"):
        glidestone.Shot.takeout(0.0, -1.0)
    with pytest.raises(ValueError, match="Shot.x must be finite"):
        glidestone.Shot(math.nan, 38.0)
    with pytest.raises(ValueError, match="Shot.y"):
        glidestone.Shot(0.0, math.inf)
    # A Shot read from a pickle skips __init__: it is checked again when played.
    shot = pickle.loads(pickle.dumps(glidestone.Shot.draw(0.0, 38.0)))
    object.__setattr__(shot, "pass_target", "no")
    with pytest.raises(TypeError, match="pass_target"):
        glidestone.play([], shot)


def test_progress_stops_on_any_false_value_and_none_goes_on():
    lines = [LINE] * 300
    for false in (False, 0, 0.0, "", [], np.False_):
        with pytest.raises(glidestone.BatchCancelled):
            glidestone.play_many(lines, threads=1, progress=lambda done, total, false=false: false)
    calls = []
    assert len(glidestone.play_many(lines, threads=1, progress=lambda done, total: calls.append(done))) == 300
    assert calls[-1] == 300
    assert len(glidestone.play_many(lines, threads=1, progress=lambda done, total: 1)) == 300


def test_play_many_takes_lines_with_their_line_feeds(tmp_path):
    lines = [LINE, '{"stone1":[0.3,37.9,0],"shot":[0.2,38.1,1]}', "[]"]
    plain = glidestone.play_many(lines, progress=False)
    assert glidestone.play_many([line + "\n" for line in lines], progress=False) == plain
    assert glidestone.play_many([(line + "\n").encode() for line in lines], progress=False) == plain
    assert plain == [glidestone.Session().handle(line + "\n") for line in lines[:2]] + [plain[2]]
    path = tmp_path / "requests.jsonl"
    path.write_text("".join(line + "\n" for line in lines))
    with open(path) as requests:
        assert glidestone.play_many(requests, progress=False) == plain


def test_the_sheet_geometry():
    sheet = glidestone.sheet
    assert sheet.TEE == glidestone.TEE == (0.0, 38.405)
    assert sheet.HOUSE_RADIUS == sheet.RING_RADII[0] == 1.829
    assert sheet.RING_RADII == (1.829, 1.219, 0.610, 0.152)
    assert (sheet.STONE_RADIUS, sheet.HOG_LINE_Y, sheet.BACK_LINE_Y) == (0.145, 32.004, 40.234)
    assert (sheet.SHEET_MIN_X, sheet.SHEET_MAX_X, sheet.TEE_LINE_Y) == (-2.375, 2.375, 38.405)
    # As written, and exactly the library's 32-bit values.
    raw = _glidestone._SHEET
    for name in ("STONE_RADIUS", "HOUSE_RADIUS", "HOG_LINE_Y", "BACK_LINE_Y", "SHEET_MIN_X", "SHEET_MAX_X"):
        assert np.float32(getattr(sheet, name)) == raw[name], name
    assert set(sheet.__all__) <= set(dir(sheet))
    import glidestone.sheet as imported

    assert imported is sheet
