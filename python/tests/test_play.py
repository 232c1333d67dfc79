"""play and Session.play: shots without JSON, numpy out."""

import json
import math

import numpy as np
import pytest

import glidestone

GUARDS = [(0.3, 36.0), (-0.4, 37.5), (0.1, 38.4)]


def request_for(stones, shot):
    request = {f"stone{n}": [x, y, 1] for n, (x, y) in enumerate(stones, start=1)}
    if len(stones) < 15:
        request[f"stone{len(stones) + 1}"] = [0, 0, 0]
    request["shot"] = shot.wire()
    return json.dumps(request)


@pytest.mark.parametrize(
    "stones, shot",
    [
        ([], glidestone.Shot.draw(0.0, 38.405, spin=1)),
        (GUARDS, glidestone.Shot.takeout(0.1, 38.4, spin=-1)),
        (GUARDS[:1], glidestone.Shot(-0.5, 38.2, False, -1)),
        (np.array(GUARDS), glidestone.Shot.takeout(-0.4, 37.5, spin=1)),
    ],
)
def test_play_gives_what_a_fresh_server_replies(stones, shot):
    result = glidestone.play(stones, shot)
    reply = json.loads(glidestone.Session().handle(request_for([tuple(s) for s in stones], shot)))
    assert result.positions.shape == (16, 2) and result.positions.dtype == np.float32
    assert result.present.shape == (16,) and result.present.dtype == np.bool_
    for slot in range(16):
        x, y = reply[f"stone{slot + 1}"][:2]
        # The reply carries the float32 values widened to double: equal exactly.
        assert (float(result.positions[slot, 0]), float(result.positions[slot, 1])) == (x, y), slot
    assert result.release_velocity == tuple(reply["shot"][:2])
    assert list(np.flatnonzero(result.present)) == list(range(len(stones))) + [15]
    assert result.frames > 0
    assert result.angular_velocity == pytest.approx(1.57 * shot.spin)
    np.testing.assert_array_equal(result.in_play(), result.positions[result.present])


def test_play_does_not_depend_on_earlier_shots_but_a_session_does():
    takeout = glidestone.Shot.takeout(0.1, 38.4, spin=-1)
    draw = glidestone.Shot.draw(-0.5, 38.2)
    first = glidestone.play(GUARDS, takeout)
    glidestone.play(GUARDS[:1], draw)
    again = glidestone.play(GUARDS, takeout)
    np.testing.assert_array_equal(first.positions, again.positions)

    session = glidestone.Session()
    session.play(GUARDS, takeout)
    later = session.play(GUARDS[:1], draw)
    fresh = glidestone.play(GUARDS[:1], draw)
    # Absent slots report the session's history; a fresh play reports zeros.
    assert not later.present[2] and later.positions[2, 1] != 0.0
    assert fresh.positions[2, 1] == 0.0
    session.reset()
    np.testing.assert_array_equal(session.play(GUARDS[:1], draw).positions, fresh.positions)


def test_the_readme_takeout():
    shot = glidestone.Shot.takeout(0.0, 38.405, spin=-1)
    result = glidestone.play([(0.0, 38.405)], shot)
    stones = result.positions[result.present]
    assert stones.shape == (2, 2)
    # The stone on the button is gone from the house; the shooter stays near it.
    assert math.dist(stones[0], glidestone.TEE) > 1.829
    assert math.dist(stones[1], glidestone.TEE) < 1.829
    assert "ShotResult(2 stones" in repr(result)


def test_out_of_range_target_is_answered_with_nan():
    result = glidestone.play([], glidestone.Shot.draw(0.0, 10.0))
    assert all(math.isnan(v) for v in result.release_velocity)
    assert result.frames == 0
    assert tuple(result.shot_position) == (0.0, 0.0)


@pytest.mark.parametrize(
    "stones, error, fragment",
    [
        ("abc", TypeError, "shape \\(n, 2\\)"),
        (None, TypeError, "NoneType"),
        ([["a", "b"]], TypeError, "real numbers"),
        ([[1, 2], [3]], TypeError, "equal length"),
        (np.zeros((2, 2), complex), TypeError, "complex"),
        ([[1, 2, 3]], ValueError, "\\(1, 3\\)"),
        (np.zeros(4), ValueError, "\\(4,\\)"),
        (np.zeros((16, 2)), ValueError, "at most 15"),
        ([(1e39, 0.0)], ValueError, "not finite"),
        ([(0.0, float("nan"))], ValueError, "not finite"),
    ],
)
def test_bad_stones_give_clear_errors(stones, error, fragment):
    with pytest.raises(error, match=fragment):
        glidestone.play(stones, glidestone.Shot.draw(0.0, 38.0))


def test_bad_shots_give_clear_errors():
    with pytest.raises(TypeError, match="glidestone.Shot"):
        glidestone.play([], (0.0, 38.0, False, 1))
    with pytest.raises(TypeError, match="Shot.x"):
        glidestone.play([], glidestone.Shot("0", 38.0))
    with pytest.raises(glidestone.ShotError, match="spin"):
        glidestone.play([], glidestone.Shot(0.0, 38.0, False, 1e300))
    assert issubclass(glidestone.ShotError, ValueError)


def test_shot_wire_form():
    assert glidestone.Shot.takeout(0.5, 38.0, -1).wire() == [0.5, -38.0, -1]
    assert glidestone.Shot.draw(0.5, 38.0).wire() == [0.5, 38.0, 1]
