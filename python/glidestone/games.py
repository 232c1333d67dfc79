"""Whole games under the rules of curling, and batches of shots as numpy arrays.

``Game`` plays a game delivery by delivery (``play(Shot)`` or ``play(Release)``)
under ``Rules``; ``state`` gives the stones and the score as numpy arrays;
``record`` is the game's JSON Lines record, which ``replay_game`` plays again
bit for bit. ``play_games`` plays one delivery in each of many games at once
on every core. See the README's "Whole games" for the rules as applied.
"""

from __future__ import annotations

import dataclasses
from typing import List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _glidestone

__all__ = [
    "DeliveryOutcome",
    "Game",
    "GameRecordError",
    "GameState",
    "Release",
    "Rules",
    "play_games",
    "replay_game",
]

GameRecordError = _glidestone.GameRecordError

_MAX_SEED = 2**64 - 1


def _integer(name: str, value, low: int, high: int) -> int:
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be from {low} to {high}, not {value}")
    return int(value)


def _real(name: str, value) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float, np.integer, np.floating)):
        raise TypeError(f"{name} must be a real number, not {type(value).__name__}")
    return float(value)


@dataclasses.dataclass(frozen=True)
class Rules:
    """How a game is played; every default follows the current rules of a team game.

    ends: ends in regulation (1 to 1000).
    stones_per_team: stones each team delivers in an end (1 to 8); the teams
        alternate, the team without the hammer first.
    free_guard_zone_stones: the free guard zone holds for the first this many
        deliveries of an end (0 to 16; 0 turns it off).
    no_tick: the no-tick rule, in the same deliveries.
    extra_ends, max_extra_ends: while the totals are tied after the last end,
        another end is played, at most max_extra_ends; still tied: a draw.
    first_hammer: the team (0 or 1) with the last stone in the first end.
    sigma_speed, sigma_angle: execution noise on every release (m/s, rad).
    """

    ends: int = 10
    stones_per_team: int = 8
    free_guard_zone_stones: int = 5
    no_tick: bool = True
    extra_ends: bool = True
    max_extra_ends: int = 4
    first_hammer: int = 1
    sigma_speed: float = 0.0
    sigma_angle: float = 0.0

    def __post_init__(self):
        _integer("ends", self.ends, 1, 1000)
        _integer("stones_per_team", self.stones_per_team, 1, 8)
        _integer("free_guard_zone_stones", self.free_guard_zone_stones, 0, 16)
        _integer("max_extra_ends", self.max_extra_ends, 0, 1000)
        _integer("first_hammer", self.first_hammer, 0, 1)
        for name in ("no_tick", "extra_ends"):
            if not isinstance(getattr(self, name), (bool, np.bool_)):
                raise TypeError(f"{name} must be True or False, not {type(getattr(self, name)).__name__}")
        for name in ("sigma_speed", "sigma_angle"):
            value = _real(name, getattr(self, name))
            if not np.isfinite(value) or value < 0:
                raise ValueError(f"{name} must be finite and not negative, not {value}")

    def _tuple(self) -> tuple:
        return (
            int(self.ends),
            int(self.stones_per_team),
            int(self.free_guard_zone_stones),
            bool(self.no_tick),
            bool(self.extra_ends),
            int(self.max_extra_ends),
            int(self.first_hammer),
            float(self.sigma_speed),
            float(self.sigma_angle),
        )


@dataclasses.dataclass(frozen=True)
class Release:
    """A release given as it is, without planning: velocity (m/s) and angular velocity (rad/s).

    The stone leaves the release point (0, 0) with (vx, vy), turning at
    angular_velocity (positive counter-clockwise). A draw to the tee leaves at
    about 2.4 m/s, a takeout at 3.5 to 4 m/s; speeds are at most 100 m/s.
    """

    vx: float
    vy: float
    angular_velocity: float = 0.0

    def _action(self) -> tuple:
        return ("release", _real("vx", self.vx), _real("vy", self.vy), _real("angular_velocity", self.angular_velocity))


def _action(action) -> tuple:
    from . import Shot  # the package's Shot, defined in __init__

    if isinstance(action, Release):
        return action._action()
    if isinstance(action, Shot):
        x, y, pass_target, spin = action._arguments()
        return ("shot", x, y, pass_target, spin)
    raise TypeError(f"an action is a glidestone.Shot or a glidestone.Release, not {type(action).__name__}")


# Stone n belongs to team n // 8; one read-only array serves every state.
_TEAMS = np.repeat(np.array([0, 1], np.int8), 8)
_TEAMS.setflags(write=False)


@dataclasses.dataclass(frozen=True)
class GameState:
    """Where a game stands between deliveries.

    positions: (16, 2) float32, stone n's position at index n (NaN when not in play);
        team 0 delivers stones 0 to 7, team 1 stones 8 to 15.
    in_play: (16,) bool. team: (16,) int8, each stone's team (n // 8).
    end, delivery: the end being played and its next delivery, both from 1.
    team_to_deliver, hammer: 0 or 1. next_stone: the number the next delivery throws.
    end_scores: (ends finished, 2) int32, [team 0, team 1] points of each end.
    totals: (2,) int32. finished: bool. winner: 0, 1, or None (a draw, or unfinished).
    """

    end: int
    delivery: int
    team_to_deliver: int
    hammer: int
    next_stone: int
    positions: np.ndarray
    in_play: np.ndarray
    end_scores: np.ndarray
    totals: np.ndarray
    finished: bool
    winner: Optional[int]
    team: np.ndarray = dataclasses.field(default_factory=lambda: _TEAMS)


@dataclasses.dataclass(frozen=True)
class DeliveryOutcome:
    """What one delivery did.

    end, delivery, team, stone: which delivery it was and the stone it threw.
    release: (vx, vy, angular_velocity) really thrown (after noise); NaN
        velocity when a planned target was out of the planner's range.
    frames: frames of 0.05 s played.
    before_positions, before_in_play, after_positions, after_in_play: the
        stones before and once everything rested and the rules were applied,
        laid out as GameState's.
    events: the rulings, (stone, rule) with rule one of "hog", "back", "side",
        "free_guard_zone", "no_tick".
    end_score: (team 0, team 1) points when the delivery ended an end, else None.
    """

    end: int
    delivery: int
    team: int
    stone: int
    release: Tuple[float, float, float]
    frames: int
    before_positions: np.ndarray
    before_in_play: np.ndarray
    after_positions: np.ndarray
    after_in_play: np.ndarray
    events: List[Tuple[int, str]]
    end_score: Optional[Tuple[int, int]]


def _outcome(raw: tuple) -> DeliveryOutcome:
    return DeliveryOutcome(*raw)


class Game:
    """A whole game under ``rules``, delivery by delivery.

    Game(rules=None, seed=0, game=0, teams=None): ``seed`` and ``game``
    (0 to 2**64 - 1) key the execution noise: delivery d of game g under seed s
    always meets the same error, whatever else is played. ``teams``: None or
    two names, kept in the record.

    Every delivery is played by a fresh player, so a game depends only on its
    rules, seed, number and actions. ``clone()`` gives an independent copy (for
    search); a Game pickles as its record and unpickles by replaying it. Not
    to be shared between threads while it plays; ``play`` releases the GIL.
    """

    __slots__ = ("_game", "_rules")

    def __init__(self, rules: Optional[Rules] = None, seed: int = 0, game: int = 0, teams: Optional[Sequence[str]] = None):
        if rules is None:
            rules = Rules()
        if not isinstance(rules, Rules):
            raise TypeError(f"rules must be a glidestone.Rules, not {type(rules).__name__}")
        seed = _integer("seed", seed, 0, _MAX_SEED)
        game = _integer("game", game, 0, _MAX_SEED)
        names: List[str] = []
        if teams is not None:
            if isinstance(teams, str) or len(teams) != 2 or not all(isinstance(t, str) for t in teams):
                raise TypeError("teams must be None or two names (str)")
            names = list(teams)
        self._rules = rules
        self._game = _glidestone._Game(rules._tuple(), seed, game, names)

    @classmethod
    def _wrap(cls, raw, rules: Rules) -> "Game":
        game = cls.__new__(cls)
        game._game = raw
        game._rules = rules
        return game

    @property
    def rules(self) -> Rules:
        """The rules the game is played under."""
        return self._rules

    @property
    def seed(self) -> int:
        """The seed that, with the game's number, keys its execution noise."""
        return self._game.seed

    @property
    def number(self) -> int:
        """The game's number under its seed."""
        return self._game.number

    @property
    def teams(self) -> Optional[Tuple[str, str]]:
        """The two teams' names, or None."""
        names = self._game.teams
        return tuple(names) if names else None

    @property
    def deliveries(self) -> int:
        """Deliveries played so far."""
        return self._game.deliveries

    @property
    def finished(self) -> bool:
        """Whether the game is over (the result is known)."""
        return self._game.finished

    @property
    def state(self) -> GameState:
        """Where the game stands now (a new GameState each time)."""
        return GameState(*self._game.state())

    @property
    def result(self) -> Optional[Tuple[Tuple[int, int], Optional[int]]]:
        """None while the game goes on; then ((team 0's total, team 1's), winner or None for a draw)."""
        if not self.finished:
            return None
        state = self.state
        return (int(state.totals[0]), int(state.totals[1])), state.winner

    @property
    def record(self) -> List[str]:
        """The record so far: JSON Lines, one str a line (no line-feeds)."""
        return list(self._game.record)

    def play(self, action) -> DeliveryOutcome:
        """Plays the next delivery: a Shot (planned) or a Release (as given). Raises
        ValueError for a finished game or an action out of range, ShotError for
        a shot the simulator refuses."""
        return _outcome(self._game.play(_action(action)))

    def clone(self) -> "Game":
        """An independent copy in the same state."""
        return Game._wrap(self._game.clone(), self._rules)

    def __copy__(self) -> "Game":
        return self.clone()

    def __deepcopy__(self, memo) -> "Game":
        return self.clone()

    def __getstate__(self):
        return {"record": self.record}

    def __setstate__(self, state):
        if not isinstance(state, dict) or not isinstance(state.get("record"), list):
            raise TypeError("a Game's pickled state is {'record': [lines]}")
        other = replay_game(state["record"])
        self._game = other._game
        self._rules = other._rules

    def _repr_svg_(self) -> str:
        from . import shot_svg  # noqa: F401  (the package is loaded)

        return _glidestone._game_svg(self._game)

    def __repr__(self) -> str:
        s = self.state
        status = "finished" if s.finished else f"end {s.end}, delivery {s.delivery}"
        return f"Game({status}, totals {int(s.totals[0])}-{int(s.totals[1])}, {int(s.in_play.sum())} stones in play)"


def replay_game(record: Union[str, Sequence[str]]) -> Game:
    """Plays a record's game again and checks every line bit for bit.

    record: the record's text, or its lines. Returns the game as the record
    leaves it (unfinished when the record stops before its result). Raises
    GameRecordError naming the first line that is malformed or differs.
    """
    if isinstance(record, str):
        lines = record.splitlines()
    else:
        lines = list(record)
        for i, line in enumerate(lines):
            if not isinstance(line, str):
                raise TypeError(f"record[{i}] must be a str, not {type(line).__name__}")
    raw = _glidestone._replay_game([line.rstrip("\r\n") for line in lines])
    import json

    rules = Rules(**json.loads(lines[0])["rules"])
    return Game._wrap(raw, rules)


def play_games(games: Sequence[Game], actions: Sequence, threads: Optional[int] = None) -> List[DeliveryOutcome]:
    """Plays the next delivery of every game at once, ``actions[i]`` in ``games[i]``.

    The games are spread over ``threads`` worker threads (None: every core)
    with the GIL released; each outcome equals ``games[i].play(actions[i])``
    bit for bit whatever the thread count. Ctrl-C stops the call (the games
    then stand after the deliveries already played). Raises ValueError naming
    the game for a finished game, a game given twice or a bad action.
    """
    games = list(games)
    for i, game in enumerate(games):
        if not isinstance(game, Game):
            raise TypeError(f"games[{i}] must be a glidestone.Game, not {type(game).__name__}")
    if threads is not None:
        threads = _integer("threads", threads, 1, 1024)
    raw_actions = [_action(a) for a in actions]
    return [_outcome(raw) for raw in _glidestone._play_games([g._game for g in games], raw_actions, threads)]
