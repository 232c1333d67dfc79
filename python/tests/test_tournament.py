"""Agents from Python, and round-robin tournaments on threads and on Dask."""

import _thread
import dataclasses
import json
import math
import os
import pathlib
import pickle
import subprocess
import threading
import time

import numpy as np
import pytest

import glidestone
from glidestone import _glidestone
from glidestone.tournament import TournamentGame, TournamentResult, bradley_terry

# Short noisy games: two ends of three stones a team.
RULES = glidestone.Rules(ends=2, stones_per_team=3, sigma_speed=0.05, sigma_angle=0.01)
SEED = 11
MONTE_CARLO = glidestone.MonteCarloAgent(candidates=4, samples=2)
AGENTS = {"random": "random", "heuristic": glidestone.HeuristicAgent(), "mc": MONTE_CARLO}


@pytest.fixture(scope="module")
def on_one_thread():
    return glidestone.tournament(AGENTS, 4, rules=RULES, seed=SEED, threads=1, keep_records=True)


def test_agents_are_named_by_their_configs():
    assert glidestone.RandomAgent(seed=3).config == "random"
    assert glidestone.HeuristicAgent().config == "heuristic"
    assert MONTE_CARLO.config == "montecarlo:candidates=4,samples=2,rollout=1,threads=1"
    assert MONTE_CARLO.name == "montecarlo"
    assert glidestone.Agent("montecarlo:samples=3", seed=5).seed == 5
    for agent in (glidestone.RandomAgent(seed=7), MONTE_CARLO, glidestone.Agent("heuristic", 2)):
        copy = pickle.loads(pickle.dumps(agent))
        assert type(copy) is type(agent) and copy == agent and copy.config == agent.config


def test_agents_play_a_match_game_exactly_as_the_match_does():
    # A match's game g, played move by move from Python with agents seeded as
    # the match seeds them, is the match's game bit for bit.
    a, b = "random", MONTE_CARLO.config
    games, interruption = _glidestone._play_match(a, b, RULES._tuple(), 2, SEED, 1, True)
    assert interruption is None
    for number, result in enumerate(games):
        agents = [glidestone.Agent(config, _glidestone._agent_seed(SEED, side)) for side, config in enumerate((a, b))]
        rules = dataclasses.replace(RULES, first_hammer=1 if number % 2 == 0 else 0)
        game = glidestone.Game(rules, SEED, number, teams=[a, b])
        while not game.finished:
            action = agents[game.state.team_to_deliver](game)
            assert isinstance(action, (glidestone.Shot, glidestone.Release))
            game.play(action)
        assert result[0] == number and result[2] is True
        assert game.record == list(result[7])
        assert game.result == (tuple(result[3]), result[4])


def test_an_agent_refuses_a_finished_game_and_other_things():
    game = glidestone.Game(glidestone.Rules(ends=1, stones_per_team=1))
    agent = glidestone.HeuristicAgent()
    while not game.finished:
        game.play(agent(game))
    with pytest.raises(ValueError, match="finished"):
        agent(game)
    with pytest.raises(TypeError, match="glidestone.Game"):
        agent(np.zeros(68, np.float32))
    with pytest.raises(ValueError, match="unknown agent 'alphago'"):
        glidestone.Agent("alphago")
    with pytest.raises(ValueError, match="samples"):
        glidestone.Agent("montecarlo:samples=0")
    with pytest.raises(ValueError, match="threads must be at most 1024"):
        glidestone.Agent("montecarlo:threads=5000")
    with pytest.raises(TypeError, match="candidates"):
        glidestone.MonteCarloAgent(candidates=2.5)
    with pytest.raises(ValueError, match="seed"):
        glidestone.RandomAgent(seed=-1)


def test_an_agent_is_an_opponent_in_the_environment():
    # The environment gives an agent the game; the opponent's delivery is the
    # agent's choice for that game.
    from glidestone.env import CurlingEnv

    rules = glidestone.Rules(ends=1, stones_per_team=2)
    env = CurlingEnv(rules, opponent=glidestone.HeuristicAgent(), team=1)
    _, info = env.reset(seed=4)
    (first,) = info["outcomes"]
    replay = glidestone.Game(rules, env.game.seed, 0)
    expected = replay.play(glidestone.HeuristicAgent()(replay))
    np.testing.assert_array_equal(first.after_positions, expected.after_positions)
    terminated = False
    while not terminated:
        _, _, terminated, _, _ = env.step(glidestone.Shot.draw(0.0, 38.405))
    # A random agent is reseeded by every reset.
    opponent = glidestone.RandomAgent(seed=0)
    env = CurlingEnv(rules, opponent=opponent, team=1)
    env.reset(seed=1)
    assert opponent.seed != 0


def test_a_tournament_is_the_same_on_one_and_two_threads_and_on_dask(on_one_thread):
    two = glidestone.tournament(AGENTS, 4, rules=RULES, seed=SEED, threads=2, keep_records=True)
    assert two.table() == on_one_thread.table()
    assert two.to_json() == on_one_thread.to_json()
    assert two.records == on_one_thread.records
    distributed = pytest.importorskip("distributed", reason="dask.distributed is not importable")
    with distributed.LocalCluster(
        n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None, timeout=60
    ) as cluster, distributed.Client(cluster, timeout=60) as client:
        client.wait_for_workers(2, timeout=60)
        # Ranges of one game: odd first games too.
        remote = glidestone.tournament(AGENTS, 4, rules=RULES, seed=SEED, client=client, keep_records=True, chunk=1)
        halves = glidestone.tournament(AGENTS, 4, rules=RULES, seed=SEED, client=client, keep_records=True)
    assert remote.table() == on_one_thread.table()
    assert remote.to_json() == on_one_thread.to_json()
    assert remote.records == on_one_thread.records
    assert halves.to_json() == on_one_thread.to_json()


def test_a_pair_is_the_match_of_its_two_agents(on_one_thread):
    result = on_one_thread
    assert result.names == ["random", "heuristic", "mc"]
    assert [(p.a, p.b) for p in result.pairs] == [("random", "heuristic"), ("random", "mc"), ("heuristic", "mc")]
    assert len(result.games) == 12 and result.complete
    for pair in result.pairs:
        a, b = result.configs[pair.a], result.configs[pair.b]
        match, _ = _glidestone._play_match(a, b, RULES._tuple(), 4, SEED, 2, True)
        games = [g for g in result.games if (g.a, g.b) == (pair.a, pair.b)]
        assert [g.number for g in games] == [0, 1, 2, 3]
        assert [g.first_hammer for g in games] == [1, 0, 1, 0]
        assert [g.totals for g in games] == [tuple(m[3]) for m in match]
        assert [g.winner for g in games] == [m[4] for m in match]
        assert [g.record for g in games] == [list(m[7]) for m in match]
        # The record's header names the players by their configs.
        assert json.loads(games[0].record[0])["teams"] == [a, b]
        wins = sum(m[4] == 0 for m in match)
        losses = sum(m[4] == 1 for m in match)
        assert (pair.games, pair.wins, pair.losses, pair.draws) == (4, wins, losses, 4 - wins - losses)
        assert pair.mean_score_difference == sum(m[3][0] - m[3][1] for m in match) / 4
        assert pair.win_rate == (wins + 0.5 * pair.draws) / 4
        assert pair.win_rate_interval == _glidestone._wilson_interval(wins + 0.5 * pair.draws, 4.0)
        assert pair.win_rate_interval[0] <= pair.win_rate <= pair.win_rate_interval[1]
    # A range of a match is that slice of the whole match.
    whole, _ = _glidestone._play_match("random", "heuristic", RULES._tuple(), 4, SEED, 1, True)
    piece, _ = _glidestone._play_match("random", "heuristic", RULES._tuple(), 2, SEED, 1, True, 1)
    assert piece == whole[1:3]
    reversed_pair = result.pair("mc", "random")
    forward = result.pair("random", "mc")
    assert (reversed_pair.wins, reversed_pair.losses) == (forward.losses, forward.wins)
    assert reversed_pair.mean_score_difference == -forward.mean_score_difference


def game_tool():
    path = os.environ.get("GLIDESTONE_GAME")
    if path is None:
        built = pathlib.Path(glidestone.__file__).parents[2] / "bin" / "glidestone-game"
        path = str(built) if built.exists() else None
    if path is None:
        pytest.skip("glidestone-game not found: set GLIDESTONE_GAME (CTest does)")
    return path


def test_a_pair_is_what_the_match_command_prints(on_one_thread, tmp_path):
    pair = on_one_thread.pair("heuristic", "mc")
    command = [game_tool(), "match", "heuristic", MONTE_CARLO.config, "--games", "4", "--seed", str(SEED)]
    command += ["--ends", "2", "--stones-per-team", "3", "--noise-speed", "0.05", "--noise-angle", "0.01"]
    done = subprocess.run(command + ["--json", "-", "-j", "1"], capture_output=True, text=True, timeout=120, check=True)
    printed = json.loads(done.stdout[done.stdout.index("{"):])
    assert printed["agents"] == ["heuristic", MONTE_CARLO.config]
    assert (printed["wins"], printed["draws"], printed["losses"]) == (pair.wins, pair.draws, pair.losses)
    assert printed["mean_score_difference"] == pair.mean_score_difference
    assert printed["win_rate_interval"] == list(pair.win_rate_interval)
    games = [g for g in on_one_thread.games if (g.a, g.b) == ("heuristic", "mc")]
    assert [(r["game"], tuple(r["totals"]), r["winner"]) for r in printed["results"]] == [
        (g.number, g.totals, g.winner) for g in games
    ]


def test_the_table_and_the_json_say_the_same(on_one_thread):
    result = on_one_thread
    text = result.table()
    for name in result.names:
        assert name in text
    assert "Elo" in text and "95 % Wilson" in text
    data = json.loads(result.to_json())
    assert data["agents"]["mc"] == MONTE_CARLO.config
    assert data["games_per_pair"] == 4 and data["finished"] == 12 and data["complete"] is True
    assert [p["wins"] for p in data["pairs"]] == [p.wins for p in result.pairs]
    assert len(data["games"]) == 12
    assert sum(r["games"] for r in data["ratings"]) == 24
    assert abs(sum(r.elo for r in result.ratings.values())) < 1e-9
    assert len(result.records) == 12


def test_bradley_terry_of_two_agents_is_the_elo_of_the_win_rate():
    # Three wins, a loss: the difference is 400 log10(3), and its error the
    # logistic's 1 / sqrt(n p (1 - p)) on the Elo scale, split evenly.
    scores = np.array([[0, 3], [1, 0]], float)
    games = np.array([[0, 4], [4, 0]], float)
    elo, errors, regularised = bradley_terry(["a", "b"], scores, games)
    assert not regularised
    assert elo[0] - elo[1] == pytest.approx(_glidestone._elo_difference(0.75), abs=1e-9)
    assert elo[0] == pytest.approx(-elo[1])
    scale = 400 / math.log(10)
    assert errors[0] == pytest.approx(scale / math.sqrt(4 * 0.75 * 0.25) / 2)
    assert errors[1] == pytest.approx(errors[0])
    # Draws count half: two wins and two draws are a score of 0.75 too.
    games = [
        TournamentGame("a", "b", n, 1 - n % 2, totals, winner, 2, 12)
        for n, (totals, winner) in enumerate([((3, 1), 0), ((2, 2), None), ((1, 0), 0), ((0, 0), None)])
    ]
    result = TournamentResult(["a", "b"], {"a": "random", "b": "heuristic"}, RULES, 0, 4, games)
    assert result.ratings["a"].elo - result.ratings["b"].elo == pytest.approx(elo[0] - elo[1])
    assert result.ratings["a"].score == 3.0 and result.ratings["b"].score == 1.0
    assert (result.pairs[0].wins, result.pairs[0].draws, result.pairs[0].losses) == (2, 2, 0)
    assert result.pairs[0].mean_score_difference == 0.75


def test_bradley_terry_orders_the_agents_and_fits_their_scores():
    # a beats b 7-3, b beats c 6-4, a beats c 8-2 over ten games each.
    scores = np.array([[0, 7, 8], [3, 0, 6], [2, 4, 0]], float)
    games = np.full((3, 3), 10.0) - 10.0 * np.eye(3)
    elo, errors, regularised = bradley_terry(["a", "b", "c"], scores, games)
    assert not regularised
    assert elo[0] > elo[1] > elo[2]
    assert abs(elo.sum()) < 1e-9
    # At the maximum every agent's expected score is its score.
    r = elo / (400 / math.log(10))
    expected = (games / (1 + np.exp(r[None, :] - r[:, None]))).sum(axis=1)
    np.testing.assert_allclose(expected, scores.sum(axis=1), atol=1e-9)
    assert np.all(np.isfinite(errors)) and np.all(errors > 0)


def test_a_perfect_record_gives_finite_ratings_marked_regularised():
    scores = np.array([[0, 4], [0, 0]], float)
    games = np.array([[0, 4], [4, 0]], float)
    elo, errors, regularised = bradley_terry(["a", "b"], scores, games)
    assert regularised
    # One virtual draw: 4.5 of 5.
    assert elo[0] - elo[1] == pytest.approx(_glidestone._elo_difference(0.9))
    assert np.all(np.isfinite(errors))


def test_progress_goes_to_standard_error(capsys):
    glidestone.tournament(["random", "heuristic"], 2, rules=RULES, seed=1, threads=1, progress=True)
    err = capsys.readouterr().err
    assert "2/2 games" in err


def test_ctrl_c_stops_with_the_finished_games():
    # Some 40 games a second here: far from all of them.
    slow = glidestone.MonteCarloAgent(candidates=8, samples=8)
    timer = threading.Timer(1.0, _thread.interrupt_main)
    timer.start()
    started = time.monotonic()
    try:
        with pytest.raises(glidestone.TournamentInterrupted) as stopped:
            glidestone.tournament(["random", slow], 2000, rules=glidestone.Rules(ends=2), threads=2)
    finally:
        timer.cancel()
    # Stopped between deliveries, not after the games under way.
    assert time.monotonic() - started < 3.0
    assert isinstance(stopped.value, KeyboardInterrupt)
    result = stopped.value.result
    assert isinstance(result, TournamentResult) and not result.complete
    assert len(result.games) < 2000
    assert result.pairs[0].games == len(result.games)
    assert "stopped by Ctrl-C" in result.table()


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"games_per_pair": 3}, ValueError, "games_per_pair must be even"),
        ({"games_per_pair": 0}, ValueError, "games_per_pair must be from 2"),
        ({"games_per_pair": True}, TypeError, "games_per_pair must be an int"),
        ({"games_per_pair": 2.0}, TypeError, "games_per_pair must be an int"),
        ({"agents": ["random"]}, ValueError, "at least two agents"),
        ({"agents": ["random", "random"]}, ValueError, "'random' is given twice"),
        ({"agents": ["random", "chess"]}, ValueError, r"agents\[1\]: unknown agent 'chess'"),
        ({"agents": {"x": "random", "y": "montecarlo:samples=x"}}, ValueError, "agent 'y'.*whole number"),
        ({"agents": {"x": "random", "y": 3}}, TypeError, "agent 'y' must be a config str"),
        ({"agents": "random"}, TypeError, "agents must be a list"),
        ({"rules": {"ends": 2}}, TypeError, "rules must be a glidestone.Rules"),
        ({"threads": 0}, ValueError, "threads must be from 1"),
        ({"seed": -1}, ValueError, "seed must be from 0"),
        ({"chunk": 0}, ValueError, "chunk must be from 1"),
        ({"client": object()}, TypeError, "client must be a dask.distributed.Client"),
        (
            {"agents": ["random", "heuristic", "montecarlo"], "games_per_pair": 40_000_000},
            ValueError,
            "120000000 games in all",
        ),
    ],
)
def test_bad_arguments_are_named(kwargs, error, message):
    arguments = {"agents": ["random", "heuristic"], "games_per_pair": 2, "rules": RULES}
    arguments.update(kwargs)
    with pytest.raises(error, match=message):
        glidestone.tournament(**arguments)
