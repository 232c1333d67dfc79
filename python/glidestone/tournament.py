"""Round-robin tournaments between agents, on local threads or a Dask cluster.

``tournament(agents, games_per_pair)`` plays every pair of agents in
``games_per_pair`` games, hammer-swapped pairs, exactly as ``glidestone-game
match`` plays one pair under the same seed: game g of a pair is
``Game(rules, seed, g)``, with the first end's hammer to team 1 when g is even,
and the first agent of the pair (team 0) and the second draw under the
match's agent seeds. Every result is the same bit for bit whatever the
threads, and with or without a Dask client.

The result gives each pair's wins, draws and losses, mean score difference
and win rate with its 95 % Wilson interval, and every agent's Bradley-Terry
rating fitted to all games (a draw counting half a win), on the Elo scale
with its mean at 0 and 95 % intervals from the fit's standard errors.
"""

from __future__ import annotations

import dataclasses
import json
import math
import sys
from typing import Any, Dict, List, Mapping, Optional, Sequence, Tuple, Union

import numpy as np

from . import _glidestone
from .agents import Agent, config_of

__all__ = [
    "PairResult",
    "Rating",
    "TournamentGame",
    "TournamentInterrupted",
    "TournamentResult",
    "bradley_terry",
    "tournament",
]

# As many games in all as glidestone-game match plays.
_MAX_GAMES = 100_000_000
# Elo points per unit of the logistic scale: 400 / ln 10.
_ELO = 400.0 / math.log(10.0)
_Z = 1.959963984540054


@dataclasses.dataclass(frozen=True)
class TournamentGame:
    """One game of a pair: ``a`` played team 0, ``b`` team 1.

    number: the game's number under the seed (its noise is Game(rules, seed, number)'s).
    first_hammer: the team with the hammer in the first end.
    totals: (a's points, b's). winner: 0 (a), 1 (b) or None (a draw).
    ends, deliveries: played. record: the game's JSON Lines record (its
    header names the players by their configs) when records were kept, else None.
    """

    a: str
    b: str
    number: int
    first_hammer: int
    totals: Tuple[int, int]
    winner: Optional[int]
    ends: int
    deliveries: int
    record: Optional[List[str]] = None


@dataclasses.dataclass(frozen=True)
class PairResult:
    """What a pair's finished games say, from ``a``'s side.

    games, wins, draws, losses; mean_score_difference (a's total minus b's, per
    game) and its standard error; win_rate ((wins + draws / 2) / games) with
    its 95 % Wilson interval; elo, the Elo difference a - b that win rate
    gives, with the interval the Wilson bounds give (infinite at 0 and 1).
    """

    a: str
    b: str
    games: int
    wins: int
    draws: int
    losses: int
    mean_score_difference: float
    score_difference_error: float
    win_rate: float
    win_rate_interval: Tuple[float, float]
    elo: float
    elo_interval: Tuple[float, float]


@dataclasses.dataclass(frozen=True)
class Rating:
    """An agent's Bradley-Terry rating on the Elo scale (the ratings' mean is 0).

    elo, its standard error and 95 % interval (elo ± 1.96 standard errors);
    games played, and score (wins + draws / 2) over them.
    """

    name: str
    elo: float
    error: float
    interval: Tuple[float, float]
    games: int
    score: float


def _number(value: float):
    return value if math.isfinite(value) else None


def bradley_terry(
    names: Sequence[str], scores: np.ndarray, games: np.ndarray
) -> Tuple[np.ndarray, np.ndarray, bool]:
    """Bradley-Terry ratings fitted by maximum likelihood, on the Elo scale.

    scores[i, j]: agent i's score against j (wins + draws / 2); games[i, j]:
    their games (symmetric). The model: i scores against j with probability
    1 / (1 + 10 ** ((r_j - r_i) / 400)). Returns (ratings, standard errors,
    regularised): ratings with mean 0 and their errors from the inverse of the
    Fisher information under that anchor (infinite for an agent that played
    no game). When some agents' scores put them beyond all others (a perfect
    record between groups), no finite maximum exists; one virtual draw is
    then added to every pair that played, and ``regularised`` is True.
    """
    n = len(names)
    scores = np.asarray(scores, np.float64)
    games = np.asarray(games, np.float64)
    played = games > 0
    regularised = not _strongly_connected(scores, games)
    if regularised:
        scores = scores + 0.5 * played
        games = games + 1.0 * played
    ratings = np.zeros(n)
    # Agents with no game are left at 0 with infinite error; the others are
    # fitted with the first of them held at 0, then the mean moved to 0.
    active = [i for i in range(n) if played[i].any()]
    if len(active) >= 2:
        sub = np.ix_(active, active)
        s, g = scores[sub], games[sub]
        r = np.zeros(len(active))
        for _ in range(200):
            p = 1.0 / (1.0 + np.exp(r[None, :] - r[:, None]))
            gradient = (s - g * p).sum(axis=1)
            w = g * p * (1.0 - p)
            information = np.diag(w.sum(axis=1)) - w
            step = np.linalg.solve(information[1:, 1:], gradient[1:])
            r[1:] += step
            if np.max(np.abs(step)) < 1e-13:
                break
        ratings[active] = r - r.mean()
    errors = np.full(n, math.inf)
    if len(active) >= 2:
        r = ratings[active]
        p = 1.0 / (1.0 + np.exp(r[None, :] - r[:, None]))
        w = games[np.ix_(active, active)] * p * (1.0 - p)
        information = np.diag(w.sum(axis=1)) - w
        # Under the mean-zero anchor the covariance is the pseudo-inverse.
        covariance = np.linalg.pinv(information)
        errors[active] = np.sqrt(np.maximum(np.diag(covariance), 0.0))
    elif len(active) == 1:
        errors[active] = 0.0
    return ratings * _ELO, errors * _ELO, regularised


def _strongly_connected(scores: np.ndarray, games: np.ndarray) -> bool:
    """Whether every agent with games reaches every other through "scored against" (the MLE then exists)."""
    n = scores.shape[0]
    active = [i for i in range(n) if (games[i] > 0).any()]
    if len(active) < 2:
        return True
    beats = (scores > 0) & (games > 0)

    def reach(start: int, edges) -> set:
        seen, todo = {start}, [start]
        while todo:
            i = todo.pop()
            for j in range(n):
                if edges(i, j) and j not in seen:
                    seen.add(j)
                    todo.append(j)
        return seen

    forward = reach(active[0], lambda i, j: beats[i, j])
    backward = reach(active[0], lambda i, j: beats[j, i])
    return set(active) <= forward and set(active) <= backward


class TournamentResult:
    """A tournament's games and what they say.

    names: the agents' names, in the order given; configs: name -> config
    text. games: every finished game (a ``TournamentGame``), pair by pair in
    the order of ``pairs``, by number. pairs: a ``PairResult`` for every pair
    (i, j), i before j in ``names``. ratings: name -> ``Rating``.
    regularised: whether the ratings needed the virtual draws of
    ``bradley_terry`` (some group of agents won every game against the rest).
    complete: False when Ctrl-C stopped the tournament (only finished games
    count). records: every game's record (when kept), in the order of games.
    """

    def __init__(
        self,
        names: Sequence[str],
        configs: Mapping[str, str],
        rules,
        seed: int,
        games_per_pair: int,
        games: Sequence[TournamentGame],
        complete: bool = True,
    ) -> None:
        self.names = list(names)
        self.configs = dict(configs)
        self.rules = rules
        self.seed = seed
        self.games_per_pair = games_per_pair
        self.games = list(games)
        self.complete = complete
        index = {name: i for i, name in enumerate(self.names)}
        n = len(self.names)
        scores = np.zeros((n, n))
        counts = np.zeros((n, n))
        by_pair: Dict[Tuple[str, str], List[TournamentGame]] = {}
        for game in self.games:
            by_pair.setdefault((game.a, game.b), []).append(game)
            i, j = index[game.a], index[game.b]
            s = 0.5 if game.winner is None else (1.0 if game.winner == 0 else 0.0)
            scores[i, j] += s
            scores[j, i] += 1.0 - s
            counts[i, j] += 1
            counts[j, i] += 1
        self.pairs: List[PairResult] = []
        for i in range(n):
            for j in range(i + 1, n):
                a, b = self.names[i], self.names[j]
                self.pairs.append(_pair(a, b, by_pair.get((a, b), [])))
        elo, errors, self.regularised = bradley_terry(self.names, scores, counts)
        self.ratings: Dict[str, Rating] = {}
        for i, name in enumerate(self.names):
            half = _Z * errors[i]
            self.ratings[name] = Rating(
                name,
                float(elo[i]),
                float(errors[i]),
                (float(elo[i] - half), float(elo[i] + half)),
                int(counts[i].sum()),
                float(scores[i].sum()),
            )

    @property
    def records(self) -> List[List[str]]:
        """Every game's record, in the order of ``games`` (empty when records were not kept)."""
        return [game.record for game in self.games if game.record is not None]

    def pair(self, a: str, b: str) -> PairResult:
        """The pair of ``a`` and ``b``, from ``a``'s side (turned round when b came first)."""
        for p in self.pairs:
            if (p.a, p.b) == (a, b):
                return p
            if (p.a, p.b) == (b, a):
                return PairResult(
                    a=a,
                    b=b,
                    games=p.games,
                    wins=p.losses,
                    draws=p.draws,
                    losses=p.wins,
                    mean_score_difference=-p.mean_score_difference,
                    score_difference_error=p.score_difference_error,
                    win_rate=1.0 - p.win_rate if p.games else 0.0,
                    win_rate_interval=(1.0 - p.win_rate_interval[1], 1.0 - p.win_rate_interval[0]),
                    elo=-p.elo,
                    elo_interval=(-p.elo_interval[1], -p.elo_interval[0]),
                )
        raise KeyError(f"no pair of {a!r} and {b!r}")

    def table(self) -> str:
        """The ratings (best first) and the pairs, as text for a terminal."""
        width = max([5] + [len(name) for name in self.names])
        lines = []
        status = "" if self.complete else " (stopped by Ctrl-C)"
        rules = self.rules
        lines.append(
            f"{len(self.names)} agents, {len(self.games)} of {self.games_per_pair * len(self.pairs)} games "
            f"({self.games_per_pair} a pair, hammer swapped), {rules.ends} ends of {rules.stones_per_team} stones "
            f"a team, noise {rules.sigma_speed:g} m/s {rules.sigma_angle:g} rad, seed {self.seed}{status}"
        )
        lines.append(f"{'agent':<{width}} {'Elo':>6} {'95 % interval':>17} {'games':>6} {'score':>7}")
        order = sorted(self.names, key=lambda name: (-self.ratings[name].elo, self.names.index(name)))
        for name in order:
            r = self.ratings[name]
            lines.append(
                f"{name:<{width}} {_fixed(r.elo, 0, True):>6} "
                f"{'[' + _fixed(r.interval[0], 0, True) + ', ' + _fixed(r.interval[1], 0, True) + ']':>17} "
                f"{r.games:>6} {r.score:>7.1f}"
            )
        if self.regularised:
            lines.append("(ratings with one virtual draw a pair: some agents won every game against the rest)")
        lines.append("")
        lines.append(
            f"{'agent':<{width}} {'opponent':<{width}} {'games':>6} {'wins':>6} {'draws':>6} {'losses':>6} "
            f"{'score diff':>10} {'win rate':>8} {'95 % Wilson':>17}"
        )
        for p in self.pairs:
            wilson = f"[{p.win_rate_interval[0]:.3f}, {p.win_rate_interval[1]:.3f}]"
            lines.append(
                f"{p.a:<{width}} {p.b:<{width}} {p.games:>6} {p.wins:>6} {p.draws:>6} {p.losses:>6} "
                f"{_fixed(p.mean_score_difference, 2, True):>10} {p.win_rate:>8.3f} {wilson:>17}"
            )
        return "\n".join(lines) + "\n"

    def as_dict(self) -> Dict[str, Any]:
        """Everything but the records, as JSON-ready values (infinities as None)."""
        return {
            "agents": {name: self.configs[name] for name in self.names},
            "rules": dataclasses.asdict(self.rules),
            "seed": self.seed,
            "games_per_pair": self.games_per_pair,
            "finished": len(self.games),
            "complete": self.complete,
            "regularised": self.regularised,
            "ratings": [
                {
                    "agent": r.name,
                    "elo": _number(r.elo),
                    "error": _number(r.error),
                    "interval": [_number(r.interval[0]), _number(r.interval[1])],
                    "games": r.games,
                    "score": r.score,
                }
                for r in self.ratings.values()
            ],
            "pairs": [
                {
                    "a": p.a,
                    "b": p.b,
                    "games": p.games,
                    "wins": p.wins,
                    "draws": p.draws,
                    "losses": p.losses,
                    "mean_score_difference": p.mean_score_difference,
                    "score_difference_error": p.score_difference_error,
                    "win_rate": p.win_rate,
                    "win_rate_interval": list(p.win_rate_interval),
                    "elo": _number(p.elo),
                    "elo_interval": [_number(p.elo_interval[0]), _number(p.elo_interval[1])],
                }
                for p in self.pairs
            ],
            "games": [
                {
                    "a": g.a,
                    "b": g.b,
                    "game": g.number,
                    "first_hammer": g.first_hammer,
                    "totals": list(g.totals),
                    "winner": g.winner,
                    "ends": g.ends,
                    "deliveries": g.deliveries,
                }
                for g in self.games
            ],
        }

    def to_json(self, indent: Optional[int] = None) -> str:
        """``as_dict()`` as JSON text."""
        return json.dumps(self.as_dict(), indent=indent, allow_nan=False)

    def __repr__(self) -> str:
        return f"TournamentResult({len(self.names)} agents, {len(self.games)} games)"


def _fixed(value: float, digits: int, sign: bool = False) -> str:
    if math.isinf(value):
        return "+inf" if value > 0 else "-inf"
    return f"{value:+.{digits}f}" if sign else f"{value:.{digits}f}"


def _pair(a: str, b: str, games: Sequence[TournamentGame]) -> PairResult:
    n = len(games)
    wins = sum(1 for g in games if g.winner == 0)
    losses = sum(1 for g in games if g.winner == 1)
    draws = n - wins - losses
    differences = [g.totals[0] - g.totals[1] for g in games]
    mean = sum(differences) / n if n else 0.0
    error = math.sqrt(sum((d - mean) ** 2 for d in differences) / (n - 1)) / math.sqrt(n) if n > 1 else 0.0
    score = wins + 0.5 * draws
    rate = score / n if n else 0.0
    low, high = _glidestone._wilson_interval(score, float(n))
    elo = _glidestone._elo_difference(rate) if n else 0.0
    elo_interval = (_glidestone._elo_difference(low), _glidestone._elo_difference(high)) if n else (0.0, 0.0)
    return PairResult(a, b, n, wins, draws, losses, mean, error, rate, (low, high), elo, elo_interval)


class TournamentInterrupted(KeyboardInterrupt):
    """Ctrl-C stopped a tournament; ``result`` holds what its finished games say.

    A KeyboardInterrupt, so that code not looking for it stops as on any Ctrl-C.
    """

    def __init__(self, result: TournamentResult) -> None:
        super().__init__(f"tournament stopped by Ctrl-C after {len(result.games)} games")
        self.result = result


def _game(a: str, b: str, raw: tuple, keep_records: bool) -> TournamentGame:
    number, first_hammer, _, totals, winner, ends, deliveries, record, _ = raw
    kept = list(record) if keep_records else None
    return TournamentGame(a, b, number, first_hammer, (totals[0], totals[1]), winner, ends, deliveries, kept)


def _play_range(a: str, b: str, rules: tuple, seed: int, first: int, count: int, keep_records: bool) -> list:
    """Games first .. first + count - 1 of the match a vs b, on one thread: a Dask task.

    Returns the finished games' result tuples (a worker's Ctrl-C is not ours).
    """
    games, interruption = _glidestone._play_match(a, b, rules, count, seed, 1, keep_records, first)
    if interruption is not None:
        raise interruption
    return [game for game in games if game[2]]


def _check_agents(agents) -> Tuple[List[str], Dict[str, str]]:
    if isinstance(agents, Mapping):
        items = list(agents.items())
        for name, _ in items:
            if not isinstance(name, str) or not name:
                raise TypeError(f"agent names must be non-empty str, not {name!r}")
    elif isinstance(agents, (str, bytes, Agent)) or not isinstance(agents, (Sequence, set, frozenset)):
        raise TypeError(
            "agents must be a list of agents (config str or glidestone.agents.Agent) or a dict name -> agent, "
            f"not {type(agents).__name__}"
        )
    else:
        items = []
        for i, agent in enumerate(agents):
            name = config_of(agent, f"agents[{i}]")
            items.append((name, agent))
    names, configs = [], {}
    for name, agent in items:
        config = config_of(agent, f"agent {name!r}")
        if name in configs:
            raise ValueError(f"agent {name!r} is given twice; name the agents in a dict to play copies")
        names.append(name)
        configs[name] = config
    if len(names) < 2:
        raise ValueError(f"a tournament wants at least two agents, not {len(names)}")
    return names, configs


def _check_integer(name: str, value, low: int, high: int) -> int:
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be from {low} to {high}, not {value}")
    return int(value)


def tournament(
    agents: Union[Sequence[Union[str, Agent]], Mapping[str, Union[str, Agent]]],
    games_per_pair: int,
    rules=None,
    seed: int = 0,
    threads: Optional[int] = None,
    client=None,
    keep_records: bool = False,
    progress: bool = False,
    chunk: Optional[int] = None,
) -> TournamentResult:
    """Plays every pair of agents ``games_per_pair`` games and rates them; a ``TournamentResult``.

    agents: a list of agents, each a config text ("random", "heuristic",
        "montecarlo:candidates=32,samples=64") or a ``glidestone.agents``
        agent, named by their configs; or a dict name -> agent. Only an
        agent's config counts: in a match both draw under the match's agent
        seeds, whatever seed the object holds.
    games_per_pair: an even number (pairs with the hammer swapped), from 2.
        In the pair of agents i and j (i listed first) i is team 0: its games
        are those of ``glidestone-game match i j --games N --seed SEED``, bit
        for bit.
    rules: a ``glidestone.Rules`` (first_hammer is set per game), default Rules().
    seed: the seed of every pair's games and agents (0 to 2**64 - 1).
    threads: games played at once on this machine (None: every core).
    client: a ``dask.distributed.Client``: the games then go to its workers
        as tasks of ``chunk`` games (default: an eighth of a pair's, at least
        two), ``threads`` is not used, and the workers must be able to import
        glidestone. The results are the same as on local threads.
    keep_records: keep every game's record (``TournamentResult.records``).
    progress: print the count of finished games to standard error.

    Ctrl-C stops the games under way between deliveries (on a client, the
    tasks not yet finished are cancelled) and raises ``TournamentInterrupted``,
    a KeyboardInterrupt whose ``result`` rates the games finished. Raises
    ValueError or TypeError naming a bad argument.
    """
    from .games import Rules

    names, configs = _check_agents(agents)
    games_per_pair = _check_integer("games_per_pair", games_per_pair, 2, _MAX_GAMES)
    if games_per_pair % 2 != 0:
        raise ValueError(f"games_per_pair must be even (pairs of games with the hammer swapped), not {games_per_pair}")
    if rules is None:
        rules = Rules()
    if not isinstance(rules, Rules):
        raise TypeError(f"rules must be a glidestone.Rules or None, not {type(rules).__name__}")
    seed = _check_integer("seed", seed, 0, 2**64 - 1)
    workers = 0 if threads is None else _check_integer("threads", threads, 1, 1024)
    if not isinstance(keep_records, (bool, np.bool_)):
        raise TypeError(f"keep_records must be True or False, not {type(keep_records).__name__}")
    if chunk is not None:
        chunk = _check_integer("chunk", chunk, 1, _MAX_GAMES)
    pairs = [(names[i], names[j]) for i in range(len(names)) for j in range(i + 1, len(names))]
    total = games_per_pair * len(pairs)
    if total > _MAX_GAMES:
        what = f"{games_per_pair} for each of {len(pairs)} pairs"
        raise ValueError(f"{total} games in all ({what}): at most {_MAX_GAMES}")
    show = _Progress(total) if progress else None

    def result(games: List[TournamentGame], complete: bool) -> TournamentResult:
        return TournamentResult(names, configs, rules, seed, games_per_pair, games, complete)

    if client is None:
        # Every pair's games in one pool, so that short matches keep every core busy.
        matches = [(configs[a], configs[b]) for a, b in pairs]
        raw, interruption = _glidestone._play_matches(
            matches, rules._tuple(), games_per_pair, seed, workers, bool(keep_records), show
        )
        if show:
            show.close()
        games = [_game(a, b, g, keep_records) for (a, b), match in zip(pairs, raw) for g in match if g[2]]
        if interruption is not None:
            raise TournamentInterrupted(result(games, False)) from interruption
        return result(games, True)
    return _on_client(client, pairs, configs, rules, seed, games_per_pair, keep_records, chunk, show, result)


def _on_client(client, pairs, configs, rules, seed, games_per_pair, keep_records, chunk, show, result):
    try:
        from distributed import as_completed
    except ImportError:  # pragma: no cover - depends on the host
        raise TypeError("client= wants dask.distributed, which is not importable") from None
    if not hasattr(client, "submit"):
        raise TypeError(f"client must be a dask.distributed.Client, not {type(client).__name__}")
    size = chunk if chunk is not None else max(2, -(-games_per_pair // 8))
    tasks = []  # (pair index, first game, future)
    for p, (a, b) in enumerate(pairs):
        for first in range(0, games_per_pair, size):
            count = min(size, games_per_pair - first)
            arguments = (configs[a], configs[b], rules._tuple(), seed, first, count, bool(keep_records))
            future = client.submit(_play_range, *arguments, pure=False)
            tasks.append((p, first, future))
    finished: Dict[Tuple[int, int], list] = {}
    where = {future.key: (p, first) for p, first, future in tasks}
    futures = [future for _, _, future in tasks]
    played = 0
    try:
        for future in as_completed(futures):
            raw = future.result()
            finished[where[future.key]] = raw
            played += len(raw)
            if show:
                show(played)
    except KeyboardInterrupt as interruption:
        client.cancel(futures)
        if show:
            show.close()
        raise TournamentInterrupted(result(_gathered(pairs, finished, keep_records), False)) from interruption
    except BaseException:
        client.cancel(futures)
        raise
    if show:
        show.close()
    return result(_gathered(pairs, finished, keep_records), True)


def _gathered(pairs, finished, keep_records) -> List[TournamentGame]:
    # In the order local play gives: pair by pair, by number.
    games = []
    for (p, _first), raw in sorted(finished.items()):
        a, b = pairs[p]
        games.extend(_game(a, b, g, keep_records) for g in raw)
    return games


class _Progress:
    """"N/M games" on standard error, rewritten in place."""

    def __init__(self, total: int) -> None:
        self.total = total

    def __call__(self, count: int) -> None:
        sys.stderr.write(f"\r{count}/{self.total} games")
        sys.stderr.flush()

    def close(self) -> None:
        sys.stderr.write("\n")
        sys.stderr.flush()
