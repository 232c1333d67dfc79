"""Games from Python, and numpy batches of shots without JSON."""

import copy
import json
import math
import pickle

import numpy as np
import pytest

import glidestone
from conftest import as_wire


def plain_request(line):
    """(stones (k, 2), [x, |y|, pass, spin]) of a request whose values are plain numbers; None otherwise."""
    try:
        request = json.loads(line)
    except ValueError:
        return None
    if not isinstance(request, dict):
        return None
    stones = []
    for n in range(1, 16):
        stone = request.get(f"stone{n}")
        if stone is None:
            return None
        if not isinstance(stone, list) or len(stone) not in (2, 3):
            return None
        if any(isinstance(v, bool) or not isinstance(v, (int, float)) for v in stone):
            return None
        if len(stone) == 3 and stone[2] == 0:
            break
        stones.append(stone[:2])
    shot = request.get("shot")
    if not isinstance(shot, list) or len(shot) != 3:
        return None
    if any(isinstance(v, bool) or not isinstance(v, (int, float)) for v in shot):
        return None
    if isinstance(shot[2], int) and not -(2**31) <= shot[2] < 2**31:
        return None
    return stones, [shot[0], abs(shot[1]), 1.0 if shot[1] < 0 else 0.0, shot[2]]


@pytest.fixture(scope="module")
def fresh_requests(corpus):
    """The corpus's first request of every sequence (a fresh server's) with plain values, and its recorded reply."""
    requests, outcomes = corpus
    chosen = []
    for sequence, replies in zip(requests, outcomes):
        if replies[0].startswith("!error "):
            continue
        parsed = plain_request(sequence[0])
        if parsed is not None:
            chosen.append((sequence[0], parsed, replies[0]))
    assert len(chosen) > 50
    return chosen


def as_arrays(chosen):
    n = len(chosen)
    stones = np.full((n, 15, 2), np.nan, np.float32)
    shots = np.zeros((n, 4))
    for i, (_, (lying, shot), _) in enumerate(chosen):
        for j, (x, y) in enumerate(lying):
            stones[i, j] = (x, y)
        shots[i] = shot
    return stones, shots


@pytest.mark.parametrize("threads", [1, 2])
def test_play_batch_rows_equal_the_recorded_replies_and_play(fresh_requests, threads):
    stones, shots = as_arrays(fresh_requests)
    positions, present, velocity, frames = glidestone.play_batch(stones, shots, threads=threads)
    assert positions.shape == (len(fresh_requests), 16, 2) and positions.dtype == np.float32
    for i, (_, (lying, _), reply_text) in enumerate(fresh_requests):
        reply = json.loads(reply_text)
        for n in list(range(1, len(lying) + 1)) + [16]:
            want = np.array(reply[f"stone{n}"][:2], dtype=np.float32)
            assert present[i, n - 1], (i, n)
            assert positions[i, n - 1].tobytes() == want.tobytes(), (i, n)
        assert present[i].sum() == len(lying) + 1
        want_v = [math.nan if v is None else v for v in reply["shot"][:2]]
        np.testing.assert_array_equal(velocity[i], np.array(want_v, np.float32))
    # play() of the same shot, for a sample of rows.
    for i in range(0, len(fresh_requests), max(1, len(fresh_requests) // 40)):
        lying, shot = fresh_requests[i][1]
        result = glidestone.play(lying, glidestone.Shot(shot[0], shot[1], bool(shot[2]), shot[3]))
        assert result.positions.tobytes() == positions[i].tobytes() or np.array_equal(
            result.positions[result.present], positions[i][present[i]]
        ), i
        assert result.frames == frames[i]


def test_play_batch_with_noise_equals_play_many_row_for_request(fresh_requests):
    chosen = fresh_requests[:60]
    stones, shots = as_arrays(chosen)
    noise = (0.05, 0.01)
    positions, present, velocity, _ = glidestone.play_batch(stones, shots, noise=noise, seed=17, threads=2)
    replies = glidestone.play_many([as_wire(line) for line, _, _ in chosen], noise=noise, seed=17, threads=2)
    for i, reply_text in enumerate(replies):
        reply = json.loads(reply_text)
        assert np.array_equal(positions[i, 15], np.array(reply["stone16"][:2], np.float32)), i
        want = np.array([math.nan if v is None else v for v in reply["shot"][:2]], np.float32)
        np.testing.assert_array_equal(velocity[i], want)


def test_play_batch_takes_masks_and_raw_releases():
    stones = np.array([[[0.0, 38.4], [9.0, 9.0]], [[0.5, 37.0], [0.0, 38.4]]], np.float32)
    mask = np.array([[True, False], [True, True]])
    releases = np.array([[0.0, 3.9, 1.57], [0.05, 2.4, -1.57]])
    positions, present, velocity, frames = glidestone.play_batch(stones, releases, mask=mask, release=True)
    assert present[0].tolist() == [True] + [False] * 14 + [True]
    assert present[1, :2].all() and present[1, 15]
    np.testing.assert_array_equal(velocity, releases[:, :2].astype(np.float32))
    # The same throw through a Game (release, no noise, no rules in the way).
    game = glidestone.Game(glidestone.Rules(free_guard_zone_stones=0))
    outcome = game.play(glidestone.Release(0.0, 3.9, 1.57))
    assert outcome.frames <= frames[0]


def test_play_batch_names_the_row_that_fails():
    stones = np.full((3, 1, 2), np.nan, np.float32)
    stones[2, 0] = (np.inf, 1.0)
    shots = np.tile([0.0, 38.0, 0.0, 1.0], (3, 1))
    with pytest.raises(ValueError, match="row 2"):
        glidestone.play_batch(stones, shots)
    stones[2, 0] = (np.nan, 1.0)
    with pytest.raises(ValueError, match="row 2"):
        glidestone.play_batch(stones, shots)
    shots[1, 3] = 1e300
    with pytest.raises(glidestone.ShotError, match="row 1"):
        glidestone.play_batch(np.full((3, 1, 2), np.nan, np.float32), shots)
    with pytest.raises(ValueError, match="at most 15"):
        glidestone.play_batch(np.zeros((3, 16, 2), np.float32), np.zeros((3, 4)))
    with pytest.raises(ValueError, match="shape"):
        glidestone.play_batch(np.zeros((3, 1, 2), np.float32), np.zeros((3, 3)))
    releases = np.array([[0.0, 200.0, 0.0]])
    with pytest.raises(ValueError, match="row 0"):
        glidestone.play_batch(np.zeros((1, 0, 2), np.float32), releases, release=True)


def one_stone_rules(**changes):
    return glidestone.Rules(ends=1, stones_per_team=1, free_guard_zone_stones=0, **changes)


def test_game_state_and_outcome_are_laid_out_by_stone_number():
    game = glidestone.Game(glidestone.Rules(ends=1, stones_per_team=2), seed=5, teams=["North", "South"])
    state = game.state
    assert (state.end, state.delivery, state.team_to_deliver, state.hammer, state.next_stone) == (1, 1, 0, 1, 0)
    assert state.positions.shape == (16, 2) and state.positions.dtype == np.float32
    assert not state.in_play.any() and np.isnan(state.positions).all()
    assert state.team.tolist() == [0] * 8 + [1] * 8
    outcome = game.play(glidestone.Shot.draw(0.0, 38.405))
    assert (outcome.end, outcome.delivery, outcome.team, outcome.stone) == (1, 1, 0, 0)
    assert outcome.after_in_play[0] and outcome.after_in_play.sum() == 1
    assert abs(outcome.after_positions[0, 1] - 38.4) < 0.5
    outcome = game.play(glidestone.Release(0.0, 2.0, 1.57))
    assert outcome.stone == 8 and outcome.events == [(8, "hog")]
    assert game.state.next_stone == 1 and game.teams == ("North", "South")


def test_hammer_extra_end_and_result():
    game = glidestone.Game(one_stone_rules(max_extra_ends=1))
    away = glidestone.Release(0.0, 2.0, 1.57)
    game.play(away)
    last = game.play(away)
    assert last.end_score == (0, 0) and not game.finished and game.state.end == 2
    game.play(glidestone.Shot.draw(0.0, 38.405))
    game.play(away)
    assert game.finished and game.result == ((1, 0), 0)
    with pytest.raises(ValueError, match="finished"):
        game.play(away)


def test_clone_and_pickle_give_independent_equal_games():
    game = glidestone.Game(glidestone.Rules(ends=2, sigma_speed=0.02, sigma_angle=0.002), seed=9, game=4)
    rng = np.random.default_rng(1)
    for _ in range(7):
        game.play(glidestone.Shot(float(rng.uniform(-1.5, 1.5)), float(rng.uniform(35, 41)), bool(rng.random() < 0.3), 1))
    clone = game.clone()
    copied = copy.deepcopy(game)
    shot = glidestone.Shot.takeout(0.0, 38.0)
    a = game.play(shot)
    b = clone.play(shot)
    assert a.after_positions.tobytes() == b.after_positions.tobytes()
    assert copied.deliveries == 7
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        restored = pickle.loads(pickle.dumps(game, protocol=protocol))
        assert restored.record == game.record
        assert restored.rules == game.rules
        assert restored.state.positions.tobytes() == game.state.positions.tobytes()


def test_records_replay_and_name_the_line_that_differs():
    game = glidestone.Game(glidestone.Rules(ends=1, stones_per_team=3))
    for x in (-0.5, 0.0, 0.5, 0.2, -0.2, 0.0):
        game.play(glidestone.Shot.draw(x, 38.0))
    assert game.finished
    assert glidestone.replay_game(game.record).record == game.record
    assert glidestone.replay_game("\n".join(game.record) + "\n").finished
    changed = list(game.record)
    changed[3] = changed[3].replace('"team":0', '"team":1', 1)
    with pytest.raises(glidestone.GameRecordError, match="record line 4"):
        glidestone.replay_game(changed)
    with pytest.raises(glidestone.GameRecordError, match="record line 1"):
        glidestone.replay_game(["{}"])


@pytest.mark.parametrize("threads", [1, 2])
def test_play_games_equals_playing_each_game(threads):
    rules = glidestone.Rules(ends=1, stones_per_team=2, sigma_speed=0.02, sigma_angle=0.002)
    games = [glidestone.Game(rules, seed=3, game=g) for g in range(6)]
    alone = [glidestone.Game(rules, seed=3, game=g) for g in range(6)]
    rng = np.random.default_rng(2)
    while not games[0].finished:
        actions = [glidestone.Shot(float(rng.uniform(-1, 1)), float(rng.uniform(36, 40)), False, 1) for _ in games]
        outcomes = glidestone.play_games(games, actions, threads=threads)
        for outcome, game, action in zip(outcomes, alone, actions):
            want = game.play(action)
            assert outcome.after_positions.tobytes() == want.after_positions.tobytes()
            assert outcome.events == want.events
    assert [g.record for g in games] == [g.record for g in alone]
    with pytest.raises(ValueError, match="finished"):
        glidestone.play_games(games[:1], [glidestone.Shot.draw(0, 38)])
    fresh = glidestone.Game(rules)
    with pytest.raises(ValueError, match="again"):
        glidestone.play_games([fresh, fresh], [glidestone.Shot.draw(0, 38)] * 2)
    with pytest.raises(TypeError):
        glidestone.play_games([fresh], ["draw"])


def _records_after_play_games(seed):
    rules = glidestone.Rules(ends=1, stones_per_team=2)
    games = [glidestone.Game(rules, seed=seed, game=g) for g in range(4)]
    while not games[0].finished:
        glidestone.play_games(games, [glidestone.Shot.draw(0.2, 38.0)] * 4, threads=3)
    return [g.record for g in games]


def _child_plays(queue):
    queue.put(_records_after_play_games(5))


def test_play_games_threads_are_kept_and_work_again_after_fork_and_from_many_callers():
    import multiprocessing
    import threading

    # The worker threads are kept between calls; a forked child has none of
    # them and must start its own instead of waiting for them forever.
    want = _records_after_play_games(5)
    assert _records_after_play_games(5) == want
    context = multiprocessing.get_context("fork")
    queue = context.Queue()
    child = context.Process(target=_child_plays, args=(queue,))
    child.start()
    try:
        assert queue.get(timeout=120) == want
    finally:
        child.join(timeout=30)
        if child.is_alive():
            child.kill()
    assert child.exitcode == 0

    # Python threads calling at once share the kept threads.
    results = [None] * 4

    def call(i):
        results[i] = _records_after_play_games(5 + i % 2)

    callers = [threading.Thread(target=call, args=(i,)) for i in range(4)]
    for caller in callers:
        caller.start()
    for caller in callers:
        caller.join(timeout=120)
    assert results[0] == results[2] == want
    assert results[1] == results[3] == _records_after_play_games(6)


def test_bad_arguments_are_named():
    with pytest.raises(ValueError, match="ends"):
        glidestone.Rules(ends=0)
    with pytest.raises(TypeError, match="stones_per_team"):
        glidestone.Rules(stones_per_team=2.5)
    with pytest.raises(ValueError, match="sigma_speed"):
        glidestone.Rules(sigma_speed=-1)
    with pytest.raises(TypeError, match="rules"):
        glidestone.Game(rules="fast")
    with pytest.raises(ValueError, match="seed"):
        glidestone.Game(seed=-1)
    game = glidestone.Game()
    with pytest.raises(TypeError, match="action"):
        game.play((0, 38))
    with pytest.raises(ValueError, match="release"):
        game.play(glidestone.Release(0.0, 500.0))
    with pytest.raises(ValueError, match="release point"):
        game.play(glidestone.Shot.draw(0.0, -5.0))
    assert game.deliveries == 0


def test_a_game_draws_its_last_delivery():
    game = glidestone.Game()
    assert game._repr_svg_() is None
    game.play(glidestone.Shot.draw(0.0, 38.405))
    svg = game._repr_svg_()
    assert svg.startswith("<svg") and "</svg>" in svg


@pytest.mark.parametrize("threads", [1, 2])
def test_ctrl_c_stops_a_long_batch(tmp_path, threads):
    import os
    import signal
    import subprocess
    import sys
    import time

    script = tmp_path / "long_batch.py"
    script.write_text(
        "import sys, numpy as np, glidestone\n"
        "stones = np.full((200000, 1, 2), np.nan, np.float32)\n"
        "shots = np.tile([0.0, 38.0, 0.0, 1.0], (200000, 1))\n"
        "print('started', flush=True)\n"
        "try:\n"
        f"    glidestone.play_batch(stones, shots, threads={threads})\n"
        "except KeyboardInterrupt:\n"
        "    print('interrupted', flush=True)\n"
        "    sys.exit(3)\n"
    )
    child = subprocess.Popen([sys.executable, str(script)], stdout=subprocess.PIPE, env=os.environ.copy(), text=True)
    try:
        assert child.stdout.readline().strip() == "started"
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        sent = time.monotonic()
        assert child.wait(timeout=30) == 3
        # Generous: the workers finish the rows they hold (a shot takes well under 1 ms).
        assert time.monotonic() - sent < 5
        assert child.stdout.readline().strip() == "interrupted"
    finally:
        child.kill()
