"""Reinforcement-learning environments over whole games of curling.

- ``CurlingEnv``: one team's view of a game against a fixed opponent policy,
  with the Gymnasium 1.x API (``reset``/``step``/``render``/``close``, spaces,
  seeding). A ``gymnasium.Env`` registered as ``glidestone/Curling-v0`` when
  gymnasium is importable; the same class, with ``glidestone.spaces``, when
  it is not.
- ``CurlingAECEnv``: both teams, PettingZoo's agent-environment-cycle API
  (agents ``"team_0"`` and ``"team_1"``, zero-sum rewards); a
  ``pettingzoo.AECEnv`` when pettingzoo is importable.
- ``VectorCurlingEnv``: N games stepped in one call, the deliveries played in
  C++ on every core with the GIL released (``glidestone.play_games``); the
  Gymnasium vector API with next-step autoreset. ``num_envs=1`` gives exactly
  ``CurlingEnv``'s episodes under the same seed.

Observation (float32, ``OBSERVATION_SIZE`` = 68 columns), from the point of
view of the team it is given to:

====================  ==========================================================
columns               meaning
====================  ==========================================================
4n, 4n+1 (n = 0..15)  x, y (m) of stone n if it is in play, else 0, 0. Team 0
                      throws stones 0..7, team 1 stones 8..15. x across the ice
                      in [-2.375, 2.375], y along it in [0, 40.5] (the tee is at
                      (0, 38.405), the far hog line at y = 32.004, the back line
                      at 40.234).
4n+2                  1 if stone n is in play, else 0.
4n+3                  1 if stone n is the observing team's, else 0 (fixed:
                      columns 3, 7, ..., 31 for team 0; 35, ..., 63 for team 1).
64  (OBS_END)         the end being played, from 1 (extra ends go on counting).
65  (OBS_DELIVERY)    the next delivery in the end, from 1 (2 x stones_per_team
                      + 1 once the game is over).
66  (OBS_HAMMER)      1 if the observing team has the hammer in this end, else 0.
67  (OBS_SCORE)       the score difference, own total minus the other's.
====================  ==========================================================

Actions (``action=`` when making an environment):

- ``"target"``: float32 [x, y, pass, spin], a planned shot (``glidestone.Shot``):
  the target (x, y); pass >= 0.5 crosses the target at 3 m/s (a takeout), below
  comes to rest there (a draw); spin >= 0 turns counter-clockwise (spin 1),
  below clockwise (-1). The space's bounds, x in [-2.375, 2.375], y in
  [32.004, 40.234] (hog line to back line), pass in [0, 1], spin in [-1, 1],
  are what ``sample()`` draws from; any finite target with y >= 0 is played.
- ``"release"``: float32 [vx, vy, angular_velocity], the release as it is
  (``glidestone.Release``), no planning. Bounds: vx in [-0.5, 0.5], vy in
  [1.5, 4.5] m/s, angular velocity in [-3.14, 3.14] rad/s (a normal turn is
  +-1.57); any finite release up to 100 m/s and 100 rad/s is played.

``step`` (and ``CurlingAECEnv.step``) also take a ``glidestone.Shot`` or a
``glidestone.Release`` as they are.

Rewards: ``reward="game"`` (default) gives +1, 0 or -1 for a game won, drawn or
lost at its last delivery and 0 before; ``reward="end"`` gives each end's
score, own points minus the other's, at the end's last delivery (so an
episode's rewards add up to the final score difference).

Seeding: ``reset(seed=s)`` seeds ``np_random`` as Gymnasium does; the game's
noise seed and then the opponent's seed are drawn from it, so the same seed
gives the same episode bit for bit and ``reset()`` without a seed goes on to a
new game from the same generator.
"""

from __future__ import annotations

import math
from typing import Any, Callable, Dict, Iterator, List, Optional, Sequence, SupportsFloat, Tuple, Union

import numpy as np

from . import _glidestone, sheet
from . import games as _games
from . import spaces as _own_spaces

try:  # Gymnasium's classes when it is installed, the package's own otherwise.
    import gymnasium as _gymnasium
    from gymnasium import spaces as _spaces

    _EnvBase: Any = _gymnasium.Env
except ImportError:  # pragma: no cover - depends on the host
    _gymnasium = None
    _spaces = _own_spaces
    _EnvBase = object

try:
    import gymnasium.vector as _gymnasium_vector

    _VectorBase: Any = _gymnasium_vector.VectorEnv
except ImportError:  # pragma: no cover - depends on the host
    _gymnasium_vector = None
    _VectorBase = object

try:
    import pettingzoo as _pettingzoo

    _AECBase: Any = _pettingzoo.AECEnv
except ImportError:  # pragma: no cover - depends on the host
    _pettingzoo = None
    _AECBase = object

__all__ = [
    "ACTION_KINDS",
    "CurlingAECEnv",
    "CurlingEnv",
    "ENV_ID",
    "OBSERVATION_SIZE",
    "OBS_DELIVERY",
    "OBS_END",
    "OBS_HAMMER",
    "OBS_SCORE",
    "RandomPolicy",
    "VectorCurlingEnv",
    "action_space",
    "observation",
    "observation_space",
    "to_action",
]

#: The id under which CurlingEnv is registered with Gymnasium.
ENV_ID = "glidestone/Curling-v0"

STONES = 16
STONE_FEATURES = 4
OBS_END = 64
OBS_DELIVERY = 65
OBS_HAMMER = 66
OBS_SCORE = 67
OBSERVATION_SIZE = 68
ACTION_KINDS = ("target", "release")
REWARD_KINDS = ("game", "end")
RENDER_MODES = ["ansi", "svg"]

# The sheet, metres, from the extension's one definition of it.
STONE_RADIUS = sheet.STONE_RADIUS
SIDE_LINE_X = sheet.SHEET_MAX_X
HOG_LINE_Y = sheet.HOG_LINE_Y
BACK_LINE_Y = sheet.BACK_LINE_Y
TEE = sheet.TEE
HOUSE_RADIUS = sheet.HOUSE_RADIUS
# A stone in play at rest has |x| + r < 2.375 (the side-line rule) and
# y - r <= 40.234 (the back-line rule); 40.5 leaves float rounding room.
OBSERVATION_MAX_Y = 40.5

TARGET_LOW = np.array([-SIDE_LINE_X, HOG_LINE_Y, 0.0, -1.0], np.float32)
TARGET_HIGH = np.array([SIDE_LINE_X, BACK_LINE_Y, 1.0, 1.0], np.float32)
RELEASE_LOW = np.array([-0.5, 1.5, -3.14], np.float32)
RELEASE_HIGH = np.array([0.5, 4.5, 3.14], np.float32)


def _package():
    """The glidestone package (imported late: this module may be imported while it initialises)."""
    import glidestone

    return glidestone


def _game_api():
    """(Game, Rules, Release, Shot) of the package."""
    package = _package()
    if hasattr(package, "Game"):
        return package.Game, package.Rules, package.Release, package.Shot
    from . import games  # before the package exports them

    return games.Game, games.Rules, games.Release, package.Shot


def _check_rules(rules):
    Rules = _game_api()[1]
    if rules is None:
        return Rules()
    if not isinstance(rules, Rules):
        raise TypeError(f"rules must be a glidestone.Rules or None, not {type(rules).__name__}")
    return rules


def _check_choice(name: str, value, choices) -> str:
    if value not in choices:
        raise ValueError(f"{name} must be one of {', '.join(repr(c) for c in choices)}, not {value!r}")
    return value


def _max_ends(rules) -> int:
    return rules.ends + (rules.max_extra_ends if rules.extra_ends else 0)


def observation_space(rules=None):
    """The Box every observation of a game under ``rules`` lies in (see the module's table)."""
    rules = _check_rules(rules)
    low = np.zeros(OBSERVATION_SIZE, np.float32)
    high = np.ones(OBSERVATION_SIZE, np.float32)
    stones = np.arange(STONES) * STONE_FEATURES
    low[stones] = -SIDE_LINE_X
    high[stones] = SIDE_LINE_X
    low[stones + 1] = 0.0
    high[stones + 1] = OBSERVATION_MAX_Y
    low[OBS_END], high[OBS_END] = 1, _max_ends(rules)
    low[OBS_DELIVERY], high[OBS_DELIVERY] = 1, 2 * rules.stones_per_team + 1
    most = rules.stones_per_team * _max_ends(rules)
    low[OBS_SCORE], high[OBS_SCORE] = -most, most
    return _spaces.Box(low, high, (OBSERVATION_SIZE,), np.float32)


def action_space(action: str = "target"):
    """The Box of actions of kind ``action`` ("target" or "release"; see the module's notes)."""
    _check_choice("action", action, ACTION_KINDS)
    if action == "target":
        return _spaces.Box(TARGET_LOW, TARGET_HIGH, (4,), np.float32)
    return _spaces.Box(RELEASE_LOW, RELEASE_HIGH, (3,), np.float32)


def observation(state, team: int) -> np.ndarray:
    """The observation of a ``GameState`` from ``team``'s side (0 or 1): a (68,) float32 array."""
    out = np.empty(OBSERVATION_SIZE, np.float32)
    stones = out[: STONES * STONE_FEATURES].reshape(STONES, STONE_FEATURES)
    in_play = state.in_play
    np.copyto(stones[:, 0:2], np.where(in_play[:, None], state.positions, np.float32(0)))
    stones[:, 2] = in_play
    stones[:, 3] = _OWN[team]
    totals = state.totals
    out[OBS_END:] = (state.end, state.delivery, state.hammer == team, int(totals[team]) - int(totals[1 - team]))
    return out


# Column 4n + 3 of each team's observations.
_OWN = (np.repeat(np.float32([1, 0]), 8), np.repeat(np.float32([0, 1]), 8))


def to_action(action, kind: str = "target"):
    """An environment action as the game plays it: a ``glidestone.Shot`` or ``glidestone.Release``.

    ``kind`` "target": [x, y, pass, spin] -> Shot(x, y, pass >= 0.5, 1 if spin >= 0
    else -1); "release": [vx, vy, angular_velocity] -> Release. A Shot or a
    Release is returned as it is. Raises ValueError for a wrong shape or a value
    that is not finite.
    """
    _, _, Release, Shot = _game_api()
    if isinstance(action, (Shot, Release)):
        return action
    values = np.asarray(action, dtype=np.float64)
    size = 4 if kind == "target" else 3
    if values.shape != (size,):
        raise ValueError(
            f"a {kind!r} action is {size} numbers "
            f"({'[x, y, pass, spin]' if kind == 'target' else '[vx, vy, angular_velocity]'}), not shape {values.shape}"
        )
    if not np.all(np.isfinite(values)):
        raise ValueError(f"action {values.tolist()} is not finite")
    if kind == "target":
        return Shot(float(values[0]), float(values[1]), bool(values[2] >= 0.5), 1.0 if values[3] >= 0 else -1.0)
    return Release(float(values[0]), float(values[1]), float(values[2]))


def _raw_action(action, kind: str) -> tuple:
    """``to_action``'s action as the extension takes it (a tuple), without the Shot or Release object.

    A float array of the right shape, the common case, is read directly; any
    other value goes through ``to_action``, with its errors.
    """
    size = 4 if kind == "target" else 3
    if isinstance(action, np.ndarray) and action.shape == (size,) and action.dtype.kind == "f":
        values = action.tolist()
        if all(map(math.isfinite, values)):
            if kind == "target":
                x, y, pass_target, spin = values
                if y >= 0.0:
                    return ("shot", x, y, pass_target >= 0.5, 1.0 if spin >= 0 else -1.0)
            else:
                return ("release", values[0], values[1], values[2])
    return _games._action(to_action(action, kind))


class RandomPolicy:
    """Uniform random actions of one kind, from a generator of its own.

    The default opponent. ``policy(observation)`` ignores the observation and
    returns a float32 action drawn uniformly from the action space's bounds;
    ``seed(s)`` reseeds it (environments call it on every reset, with a seed
    drawn from their own generator).
    """

    def __init__(self, action: str = "target", seed: Optional[int] = None) -> None:
        _check_choice("action", action, ACTION_KINDS)
        self.action = action
        self.low = TARGET_LOW if action == "target" else RELEASE_LOW
        self.high = TARGET_HIGH if action == "target" else RELEASE_HIGH
        self._low64 = self.low.astype(np.float64)
        self._span64 = self.high.astype(np.float64) - self._low64
        self.seed(seed)

    def seed(self, seed: Optional[int] = None) -> None:
        """Reseeds the policy's own generator (None: fresh entropy)."""
        self.np_random, _ = _own_spaces.np_random(seed)

    def __call__(self, observation: Any) -> np.ndarray:
        # What uniform(low, high) computes, low + (high - low) * u, without its
        # argument handling (an opponent draws once a delivery).
        drawn = (self._low64 + self._span64 * self.np_random.random(self._span64.shape[0])).astype(np.float32)
        # Rounding to float32 may step just past a bound.
        return np.minimum(np.maximum(drawn, self.low), self.high)

    def __repr__(self) -> str:
        return f"RandomPolicy({self.action!r})"


Policy = Callable[[np.ndarray], Any]


def _seed_opponent(opponent, seed: int) -> None:
    seed_method = getattr(opponent, "seed", None)
    if not callable(seed_method):
        # The library's agents hold their seed as a number and reseed so.
        seed_method = getattr(opponent, "reseed", None)
    if callable(seed_method):
        seed_method(seed)


class _Match:
    """One learner's game against an opponent: what CurlingEnv and each VectorCurlingEnv slot share.

    Both drive it the same way (draw the seeds, play the opponent until the
    learner's turn, score the deliveries), so their episodes are the same.
    After every delivery it reads only the game's status (a tuple of numbers)
    and builds observations in the extension: the full GameState, with its
    arrays, is read when asked for (``game.state``).
    """

    def __init__(self, rules, team: int, action: str, reward: str, opponent: Policy) -> None:
        self.rules = rules
        self.team = team
        self.action = action
        self.reward = reward
        self.opponent = opponent
        self.game = None
        # (finished, team to deliver, end, delivery, hammer, total 0, total 1, winner).
        self.status: tuple = (True, 0, 1, 1, 1, 0, 0, None)
        self.outcomes: list = []

    def begin(self, generator: np.random.Generator) -> None:
        Game = _game_api()[0]
        game_seed = int(generator.integers(0, 2**64, dtype=np.uint64))
        opponent_seed = int(generator.integers(0, 2**63))
        _seed_opponent(self.opponent, opponent_seed)
        self.game = Game(rules=self.rules, seed=game_seed, game=0)
        self.status = self.game._game.status()
        self.outcomes = []

    def played(self, raw_outcome: tuple) -> None:
        """Notes a delivery the game played (its outcome as the extension gives it)."""
        self.outcomes.append(_games._outcome(raw_outcome))
        self.status = self.game._game.status()

    def play(self, raw_action: tuple) -> None:
        self.played(self.game._game.play(raw_action))

    def opponent_to_play(self) -> bool:
        return not self.status[0] and self.status[1] != self.team

    def opponent_action(self) -> tuple:
        # An observation leaves out what a game-playing agent needs (the rules,
        # the totals, the game's number): such an opponent gets the game.
        if getattr(self.opponent, "takes_game", False):
            return _raw_action(self.opponent(self.game), self.action)
        return _raw_action(self.opponent(self.game._game.observation(1 - self.team)), self.action)

    def observation(self) -> np.ndarray:
        return self.game._game.observation(self.team)

    def finish_step(self) -> Tuple[float, bool, Dict[str, Any]]:
        """(reward, terminated, info) for the deliveries played since the last call."""
        reward = 0.0
        if self.reward == "end":
            for outcome in self.outcomes:
                if outcome.end_score is not None:
                    reward += outcome.end_score[self.team] - outcome.end_score[1 - self.team]
        finished, _, end, delivery, _, total_0, total_1, winner = self.status
        if finished and self.reward == "game":
            reward = 0.0 if winner is None else (1.0 if winner == self.team else -1.0)
        totals = (total_0, total_1)
        info = {
            "end": end,
            "delivery": delivery,
            "score": (totals[self.team], totals[1 - self.team]),
            "outcomes": self.outcomes,
        }
        self.outcomes = []
        return reward, finished, info


def _check_opponent(opponent, action: str) -> Policy:
    if opponent is None:
        return RandomPolicy(action)
    if not callable(opponent):
        raise TypeError(f"opponent must be a callable observation -> action, not {type(opponent).__name__}")
    return opponent


def _check_team(team) -> int:
    if isinstance(team, bool) or team not in (0, 1):
        raise ValueError(f"team must be 0 or 1, not {team!r}")
    return int(team)


def _render_text(game, team: Optional[int]) -> str:
    state = game.state
    totals = np.asarray(state.totals)
    if state.finished:
        winner = "drawn" if state.winner is None else f"won by team {state.winner}"
        head = f"game over after {state.end} end(s): {totals[0]}-{totals[1]}, {winner}"
    else:
        head = (
            f"end {state.end}, delivery {state.delivery}: team {state.team_to_deliver} to throw stone "
            f"{state.next_stone}; hammer team {state.hammer}; score {totals[0]}-{totals[1]}"
        )
    if team is not None:
        head += f" (you are team {team})"
    lines = [head]
    scores = np.asarray(state.end_scores)
    if len(scores):
        lines.append("ends: " + " ".join(f"{a}-{b}" for a, b in scores))
    for number in np.flatnonzero(np.asarray(state.in_play)):
        x, y = np.asarray(state.positions)[number]
        distance = math.hypot(float(x) - TEE[0], float(y) - TEE[1])
        lines.append(f"  stone {number:2d} team {number // 8}  x {x:+.3f}  y {y:.3f}  {distance:.3f} m from the tee")
    return "\n".join(lines) + "\n"


def _empty_house_svg() -> str:
    """The house with no stone, for a game before its first delivery (the game draws deliveries)."""
    scale, margin = 100.0, 20.0
    width = 2 * SIDE_LINE_X * scale + 2 * margin

    def cx(x: float) -> float:
        return margin + (x + SIDE_LINE_X) * scale

    def cy(y: float) -> float:
        return margin + (BACK_LINE_Y + 0.5 - y) * scale

    height = cy(HOG_LINE_Y - 0.5) + margin
    rings = "".join(
        f'<circle cx="{cx(TEE[0]):.1f}" cy="{cy(TEE[1]):.1f}" r="{radius * scale:.1f}" fill="{colour}"/>'
        for radius, colour in ((1.829, "#3060c0"), (1.219, "#ffffff"), (0.610, "#d03030"), (0.152, "#ffffff"))
    )
    lines = "".join(
        f'<line x1="{cx(-SIDE_LINE_X):.1f}" y1="{cy(y):.1f}" x2="{cx(SIDE_LINE_X):.1f}" y2="{cy(y):.1f}" stroke="#000"/>'
        for y in (HOG_LINE_Y, TEE[1], BACK_LINE_Y)
    )
    return (
        f'<svg xmlns="http://www.w3.org/2000/svg" version="1.1" width="{width:.0f}" height="{height:.0f}">'
        f"<title>The house before the first delivery</title>"
        f'<rect x="{margin}" y="0" width="{width - 2 * margin:.1f}" height="{height:.1f}" fill="#f4f8ff"/>'
        f"{rings}{lines}</svg>\n"
    )


def _render(game, mode: Optional[str], team: Optional[int]):
    if mode is None or game is None:
        return None
    if mode == "ansi":
        return _render_text(game, team)
    picture = game._repr_svg_()
    return _empty_house_svg() if picture is None else picture


class _EnvFallback:
    """What ``gymnasium.Env`` gives an environment, for hosts without gymnasium."""

    metadata: Dict[str, Any] = {"render_modes": []}
    render_mode: Optional[str] = None
    spec = None
    _np_random: Optional[np.random.Generator] = None
    _np_random_seed: Optional[int] = None

    def reset(self, *, seed: Optional[int] = None, options: Optional[dict] = None):
        if seed is not None:
            self._np_random, self._np_random_seed = _own_spaces.np_random(seed)

    @property
    def np_random(self) -> np.random.Generator:
        """The environment's generator, seeded from fresh entropy on first use unless reset(seed=...) seeded it."""
        if self._np_random is None:
            self._np_random, self._np_random_seed = _own_spaces.np_random()
        return self._np_random

    @np_random.setter
    def np_random(self, value: np.random.Generator) -> None:
        self._np_random = value
        self._np_random_seed = -1

    @property
    def np_random_seed(self) -> int:
        """The seed of np_random (-1 when it was set directly)."""
        if self._np_random_seed is None:
            self._np_random, self._np_random_seed = _own_spaces.np_random()
        return self._np_random_seed

    @property
    def unwrapped(self):
        """The environment under every wrapper (for an environment, itself)."""
        return self

    def close(self) -> None:
        """Nothing to release; kept for the API (the games hold no outside resources)."""
        pass

    def get_wrapper_attr(self, name: str) -> Any:
        """The attribute ``name`` of this wrapper, or else of the environments it wraps."""
        return getattr(self, name)

    def has_wrapper_attr(self, name: str) -> bool:
        """Whether this environment has the attribute ``name``."""
        return hasattr(self, name)

    def set_wrapper_attr(self, name: str, value: Any, *, force: bool = True) -> bool:
        """Sets the attribute ``name`` (``force``: even when it does not exist yet); True when set."""
        setattr(self, name, value)
        return True

    def __str__(self) -> str:
        return f"<{type(self).__name__} instance>"

    def __enter__(self):
        return self

    def __exit__(self, *args: Any) -> bool:
        self.close()
        return False


_Base = _EnvBase if _gymnasium is not None else _EnvFallback


class CurlingEnv(_Base):
    """One team's view of a whole game against a fixed opponent policy; the Gymnasium 1.x API.

    CurlingEnv(rules=None, opponent=None, action="target", reward="game",
    render_mode=None, team=0)

    rules: a ``glidestone.Rules`` (default: ten ends of eight stones a team);
        short games (``Rules(ends=2, stones_per_team=4)``) make short episodes.
    opponent: a callable taking the opponent's observation (the same layout,
        from its side) and returning an action in this environment's action
        format; default a ``RandomPolicy``. When it has a ``seed(int)`` method
        (or else a ``reseed(int)`` one), every reset calls it with a seed drawn
        from ``np_random``. An opponent with ``takes_game = True`` (the agents
        of ``glidestone.agents``) is called with the ``glidestone.Game``
        instead of the observation.
    action: "target" or "release" (see the module's notes for the layout and
        bounds); reward: "game" or "end"; render_mode: None, "ansi" (text) or
        "svg" (the house as the game viewer draws it).
    team: the learner's team, 0 or 1 (team 0 delivers first in the first end
        under the default rules).

    One step is one delivery of the learner's followed by the opponent's until
    it is the learner's turn again or the game is over; ``reset`` plays the
    opponent's first delivery when it throws first. ``terminated`` is True at
    the game's end; ``truncated`` is always False (every game ends). ``info``:
    "end", "delivery" (where the game stands), "score" (own total, other's)
    and "outcomes" (the ``DeliveryOutcome`` of every delivery played in the
    call, in order). ``game`` is the ``glidestone.Game`` being played.
    """

    metadata = {"render_modes": RENDER_MODES, "render_fps": 1}

    def __init__(
        self,
        rules=None,
        opponent: Optional[Policy] = None,
        action: str = "target",
        reward: str = "game",
        render_mode: Optional[str] = None,
        team: int = 0,
    ) -> None:
        self.rules = _check_rules(rules)
        self.action_kind = _check_choice("action", action, ACTION_KINDS)
        self.reward_kind = _check_choice("reward", reward, REWARD_KINDS)
        if render_mode is not None:
            _check_choice("render_mode", render_mode, RENDER_MODES)
        self.render_mode = render_mode
        self.team = _check_team(team)
        self.opponent = _check_opponent(opponent, action)
        self.observation_space = observation_space(self.rules)
        self.action_space = action_space(action)
        self._match = _Match(self.rules, self.team, action, reward, self.opponent)
        self._needs_reset = True

    @property
    def game(self):
        """The ``glidestone.Game`` of the episode (None before the first reset)."""
        return self._match.game

    def reset(self, *, seed: Optional[int] = None, options: Optional[dict] = None) -> Tuple[np.ndarray, dict]:
        """Starts a new game; returns (observation, info). ``options`` is accepted and unused."""
        super().reset(seed=seed)
        match = self._match
        match.begin(self.np_random)
        while match.opponent_to_play():
            match.play(match.opponent_action())
        _, _, info = match.finish_step()
        self._needs_reset = False
        return match.observation(), info

    def step(self, action) -> Tuple[np.ndarray, SupportsFloat, bool, bool, dict]:
        """Plays the learner's delivery and the opponent's replies; (obs, reward, terminated, truncated, info)."""
        if self._needs_reset:
            raise RuntimeError("call reset() before step(): the game is over or was never started")
        match = self._match
        match.play(_raw_action(action, self.action_kind))
        while match.opponent_to_play():
            match.play(match.opponent_action())
        reward, terminated, info = match.finish_step()
        self._needs_reset = terminated
        return match.observation(), reward, terminated, False, info

    def render(self):
        """The game as text ("ansi") or SVG ("svg") per ``render_mode``; None without one."""
        return _render(self._match.game, self.render_mode, self.team)

    def close(self) -> None:
        """Nothing to release; kept for the API (calling it twice is fine)."""

    def __repr__(self) -> str:
        return (
            f"CurlingEnv(rules={self.rules!r}, action={self.action_kind!r}, reward={self.reward_kind!r}, "
            f"render_mode={self.render_mode!r}, team={self.team})"
        )


def _add_info(infos: dict, info: dict, index: int, count: int) -> dict:
    """Gymnasium's batching of infos: an array a key (objects unless numbers) and a "_key" mask."""
    for key, value in info.items():
        if key not in infos:
            if type(value) in (int, float, bool) or isinstance(value, np.number):
                infos[key] = np.zeros(count, dtype=type(value))
            else:
                infos[key] = np.full(count, None, dtype=object)
            infos["_" + key] = np.zeros(count, dtype=bool)
        infos[key][index] = value
        infos["_" + key][index] = True
    return infos


def _batch_space(space, count: int):
    return _spaces.Box(
        np.broadcast_to(space.low, (count,) + space.shape),
        np.broadcast_to(space.high, (count,) + space.shape),
        (count,) + space.shape,
        space.dtype,
    )


class _VectorFallback:
    """What ``gymnasium.vector.VectorEnv`` gives a vector environment, for hosts without gymnasium."""

    metadata: Dict[str, Any] = {}
    render_mode: Optional[str] = None
    spec = None
    closed = False

    @property
    def unwrapped(self):
        """The environment under every wrapper (for an environment, itself)."""
        return self

    def __enter__(self):
        return self

    def __exit__(self, *args: Any) -> bool:
        self.close()
        return False


_VBase = _VectorBase if _gymnasium_vector is not None else _VectorFallback


def _autoreset_mode():
    mode = getattr(_gymnasium_vector, "AutoresetMode", None) if _gymnasium_vector is not None else None
    return mode.NEXT_STEP if mode is not None else "NextStep"


class VectorCurlingEnv(_VBase):
    """``num_envs`` CurlingEnv games stepped at once; the Gymnasium 1.x vector API.

    VectorCurlingEnv(num_envs, rules=None, opponent=None, action="target",
    reward="game", render_mode=None, team=0, threads=None)

    The arguments are CurlingEnv's, for every game; ``opponent`` is one
    callable shared by the games or a sequence of ``num_envs`` of them (the
    default: a RandomPolicy of each game's own). ``threads``: worker threads
    for the deliveries, default every core.

    ``step(actions)`` plays the learners' deliveries of every game in one call
    of ``glidestone.play_games`` (C++, GIL released, the games spread over the
    threads), then the opponents' replies the same way, round after round,
    until every game waits for its learner or is over. Returns observations
    (num_envs, 68) float32, rewards (num_envs,) float64, terminated and
    truncated (num_envs,) bool and the infos as Gymnasium batches them (each
    key an array over the games, with a "_key" mask).

    Autoreset is Gymnasium's default, next-step: the step after a game's
    terminating step ignores that game's action, starts a new game (unseeded,
    from the game's generator) and returns its first observation with reward
    0 and terminated False. ``reset(seed=s)`` seeds game i with s + i (or with
    seed[i] for a list), so game i's episodes are exactly those of
    ``CurlingEnv`` reset with that seed and then reset without one.
    """

    metadata = {"render_modes": RENDER_MODES, "autoreset_mode": _autoreset_mode()}

    def __init__(
        self,
        num_envs: int,
        rules=None,
        opponent: Union[None, Policy, Sequence[Policy]] = None,
        action: str = "target",
        reward: str = "game",
        render_mode: Optional[str] = None,
        team: int = 0,
        threads: Optional[int] = None,
    ) -> None:
        if isinstance(num_envs, bool) or not isinstance(num_envs, (int, np.integer)) or num_envs < 1:
            raise ValueError(f"num_envs must be a positive int, not {num_envs!r}")
        self.num_envs = int(num_envs)
        self.rules = _check_rules(rules)
        self.action_kind = _check_choice("action", action, ACTION_KINDS)
        self.reward_kind = _check_choice("reward", reward, REWARD_KINDS)
        if render_mode is not None:
            _check_choice("render_mode", render_mode, RENDER_MODES)
        self.render_mode = render_mode
        self.team = _check_team(team)
        self.threads = threads
        if opponent is not None and not callable(opponent):
            opponents = list(opponent)
            if len(opponents) != self.num_envs:
                raise ValueError(f"opponent: {len(opponents)} policies for {self.num_envs} environments")
        else:
            opponents = [opponent] * self.num_envs
        opponents = [_check_opponent(o, action) for o in opponents]
        self.single_observation_space = observation_space(self.rules)
        self.single_action_space = action_space(action)
        self.observation_space = _batch_space(self.single_observation_space, self.num_envs)
        self.action_space = _batch_space(self.single_action_space, self.num_envs)
        self._matches = [_Match(self.rules, self.team, action, reward, o) for o in opponents]
        self._generators: List[Optional[np.random.Generator]] = [None] * self.num_envs
        self._autoreset = np.zeros(self.num_envs, dtype=bool)
        self._started = False
        self.closed = False

    @property
    def games(self) -> list:
        """The ``glidestone.Game`` of every slot."""
        return [match.game for match in self._matches]

    def _generator(self, index: int) -> np.random.Generator:
        if self._generators[index] is None:
            self._generators[index], _ = _own_spaces.np_random()
        return self._generators[index]

    def _play(self, matches: list, raw_actions: list) -> None:
        # The extension's play_games under glidestone.play_games: the games are
        # this environment's own and the actions already checked tuples.
        outcomes = _glidestone._play_games([m.game._game for m in matches], raw_actions, self.threads)
        for match, outcome in zip(matches, outcomes):
            match.played(outcome)

    def _play_opponents(self) -> None:
        while True:
            waiting = [match for match in self._matches if match.opponent_to_play()]
            if not waiting:
                return
            self._play(waiting, [match.opponent_action() for match in waiting])

    def reset(
        self, *, seed: Union[None, int, Sequence[Optional[int]]] = None, options: Optional[dict] = None
    ) -> Tuple[np.ndarray, dict]:
        """Starts a new game in every slot; (observations (num_envs, 68), infos)."""
        if seed is None:
            seeds: List[Optional[int]] = [None] * self.num_envs
        elif isinstance(seed, (int, np.integer)) and not isinstance(seed, bool):
            seeds = [int(seed) + i for i in range(self.num_envs)]
        else:
            seeds = list(seed)
            if len(seeds) != self.num_envs:
                raise ValueError(f"seed: {len(seeds)} seeds for {self.num_envs} environments")
        for i, s in enumerate(seeds):
            if s is not None:
                self._generators[i], _ = _own_spaces.np_random(s)
            self._matches[i].begin(self._generator(i))
        self._play_opponents()
        infos: dict = {}
        for i, match in enumerate(self._matches):
            _add_info(infos, match.finish_step()[2], i, self.num_envs)
        self._autoreset[:] = False
        self._started = True
        return np.stack([match.observation() for match in self._matches]), infos

    def step(self, actions) -> Tuple[np.ndarray, np.ndarray, np.ndarray, np.ndarray, dict]:
        """One delivery of every learner and the opponents' replies; see the class's notes."""
        if not self._started:
            raise RuntimeError("call reset() before step()")
        if isinstance(actions, np.ndarray) or not isinstance(actions, (list, tuple)):
            actions = np.asarray(actions)
        if len(actions) != self.num_envs:
            raise ValueError(f"step wants {self.num_envs} actions, one a game, not {len(actions)}")
        playing, moves = [], []
        for i, match in enumerate(self._matches):
            if self._autoreset[i]:
                match.begin(self._generator(i))
            else:
                playing.append(match)
                moves.append(_raw_action(actions[i], self.action_kind))
        if playing:
            self._play(playing, moves)
        self._play_opponents()
        rewards = np.zeros(self.num_envs, dtype=np.float64)
        terminated = np.zeros(self.num_envs, dtype=bool)
        infos: dict = {}
        for i, match in enumerate(self._matches):
            reward, done, info = match.finish_step()
            if self._autoreset[i]:
                reward, done = 0.0, False
            rewards[i], terminated[i] = reward, done
            _add_info(infos, info, i, self.num_envs)
        self._autoreset = terminated.copy()
        observations = np.stack([match.observation() for match in self._matches])
        return observations, rewards, terminated, np.zeros(self.num_envs, dtype=bool), infos

    def render(self):
        """Each game's rendering (see CurlingEnv.render), a tuple; None without a render_mode."""
        if self.render_mode is None:
            return None
        return tuple(_render(match.game, self.render_mode, self.team) for match in self._matches)

    def close(self, **kwargs: Any) -> None:
        """Nothing to release; kept for the API (the games hold no outside resources)."""
        self.closed = True

    def __repr__(self) -> str:
        return f"VectorCurlingEnv(num_envs={self.num_envs}, rules={self.rules!r}, action={self.action_kind!r})"


AGENTS = ["team_0", "team_1"]


class _AECFallback:
    """What ``pettingzoo.AECEnv`` gives an environment, for hosts without pettingzoo."""

    metadata: Dict[str, Any] = {}

    @property
    def num_agents(self) -> int:
        """The number of agents still in the game."""
        return len(self.agents)

    @property
    def max_num_agents(self) -> int:
        """The number of agents a game can have (two)."""
        return len(self.possible_agents)

    @property
    def unwrapped(self):
        """The environment under every wrapper (for an environment, itself)."""
        return self

    def agent_iter(self, max_iter: int = 2**63) -> Iterator[str]:
        """The agent to act, again and again, until no agent is left or max_iter were given."""
        return _AgentIterable(self, max_iter)

    def last(self, observe: bool = True):
        """(observation, cumulative reward, terminated, truncated, info) of the agent to act."""
        agent = self.agent_selection
        return (
            self.observe(agent) if observe else None,
            self._cumulative_rewards[agent],
            self.terminations[agent],
            self.truncations[agent],
            self.infos[agent],
        )

    def _clear_rewards(self) -> None:
        for agent in self.rewards:
            self.rewards[agent] = 0

    def _accumulate_rewards(self) -> None:
        for agent, reward in self.rewards.items():
            self._cumulative_rewards[agent] += reward

    def _was_dead_step(self, action) -> None:
        """Removes the selected agent, which is done; the only action it may give is None."""
        if action is not None:
            raise ValueError("when an agent is done, the only valid action is None")
        agent = self.agent_selection
        assert self.terminations[agent] or self.truncations[agent], "the selected agent is not done"
        for table in (self.terminations, self.truncations, self.rewards, self._cumulative_rewards, self.infos):
            del table[agent]
        self.agents.remove(agent)
        done = [a for a in self.agents if self.terminations[a] or self.truncations[a]]
        if done:
            if getattr(self, "_skip_agent_selection", None) is None:
                self._skip_agent_selection = self.agent_selection
            self.agent_selection = done[0]
        else:
            if getattr(self, "_skip_agent_selection", None) is not None:
                self.agent_selection = self._skip_agent_selection
            self._skip_agent_selection = None
        self._clear_rewards()

    def __str__(self) -> str:
        return type(self).__name__


class _AgentIterable:
    def __init__(self, env, max_iter: int) -> None:
        self.env = env
        self.max_iter = max_iter

    def __iter__(self) -> Iterator[str]:
        left = self.max_iter
        while self.env.agents and left > 0:
            left -= 1
            yield self.env.agent_selection


_ABase = _AECBase if _pettingzoo is not None else _AECFallback


class CurlingAECEnv(_ABase):
    """Both teams of a game, PettingZoo's agent-environment-cycle (AEC) API.

    CurlingAECEnv(rules=None, action="target", reward="game", render_mode=None)

    Agents "team_0" and "team_1" (``possible_agents``); ``agent_selection`` is
    the team to deliver. ``observe(agent)`` is the observation from that
    team's side (CurlingEnv's layout); actions, rewards and rendering as in
    CurlingEnv. Rewards are zero-sum: with "game", +1/-1 to the winner/loser
    (0 each for a draw) at the last delivery; with "end", each end's score
    difference at its last delivery. ``_cumulative_rewards[agent]`` holds what
    an agent earned since it last acted, as ``last()`` reports it.

    When the game ends every agent is terminated; each then gets its turn
    (``last()`` shows its final reward) and must step with None, which
    removes it, until ``agents`` is empty. ``infos[agent]``: "end",
    "delivery", "score" (own, other's) and, for the agent that just threw,
    "outcome" (its DeliveryOutcome). ``game`` is the ``glidestone.Game``;
    ``state()`` is team 0's observation.

    Seeding: ``reset(seed=s)`` seeds ``np_random`` (Gymnasium's way) and draws
    the game's noise seed from it: the same seed and actions give the same
    game bit for bit.
    """

    metadata = {"render_modes": RENDER_MODES, "name": "glidestone_curling_v0", "is_parallelizable": False}

    def __init__(self, rules=None, action: str = "target", reward: str = "game", render_mode: Optional[str] = None):
        super().__init__()
        self.rules = _check_rules(rules)
        self.action_kind = _check_choice("action", action, ACTION_KINDS)
        self.reward_kind = _check_choice("reward", reward, REWARD_KINDS)
        if render_mode is not None:
            _check_choice("render_mode", render_mode, RENDER_MODES)
        self.render_mode = render_mode
        self.possible_agents = list(AGENTS)
        self.agents: List[str] = []
        self.observation_spaces = {agent: observation_space(self.rules) for agent in AGENTS}
        self.action_spaces = {agent: action_space(action) for agent in AGENTS}
        self.state_space = observation_space(self.rules)
        self.rewards: Dict[str, float] = {}
        self._cumulative_rewards: Dict[str, float] = {}
        self.terminations: Dict[str, bool] = {}
        self.truncations: Dict[str, bool] = {}
        self.infos: Dict[str, dict] = {}
        self.agent_selection: Optional[str] = None
        self._skip_agent_selection = None
        self._np_random: Optional[np.random.Generator] = None
        self._np_random_seed: Optional[int] = None
        self.game = None

    @property
    def np_random(self) -> np.random.Generator:
        """The generator the game seeds are drawn from (made, unseeded, on first use)."""
        if self._np_random is None:
            self._np_random, self._np_random_seed = _own_spaces.np_random()
        return self._np_random

    def observation_space(self, agent: str):
        """The observation space of ``agent`` ("team_0" or "team_1"): the same Box for both."""
        return self.observation_spaces[agent]

    def action_space(self, agent: str):
        """The action space of ``agent`` ("team_0" or "team_1"): the same for both."""
        return self.action_spaces[agent]

    def _info(self, team: int) -> dict:
        state = self.game.state
        return {
            "end": int(state.end),
            "delivery": int(state.delivery),
            "score": (int(state.totals[team]), int(state.totals[1 - team])),
        }

    def reset(self, seed: Optional[int] = None, options: Optional[dict] = None) -> None:
        """Starts a new game; ``options`` is accepted and unused."""
        if seed is not None:
            self._np_random, self._np_random_seed = _own_spaces.np_random(seed)
        Game = _game_api()[0]
        self.game = Game(rules=self.rules, seed=int(self.np_random.integers(0, 2**64, dtype=np.uint64)), game=0)
        self.agents = list(AGENTS)
        self.rewards = {agent: 0.0 for agent in AGENTS}
        self._cumulative_rewards = {agent: 0.0 for agent in AGENTS}
        self.terminations = {agent: False for agent in AGENTS}
        self.truncations = {agent: False for agent in AGENTS}
        self.infos = {agent: self._info(team) for team, agent in enumerate(AGENTS)}
        self._skip_agent_selection = None
        self.agent_selection = AGENTS[self.game.state.team_to_deliver]

    def observe(self, agent: str) -> np.ndarray:
        """The observation of the game now from ``agent``'s side."""
        return observation(self.game.state, AGENTS.index(agent))

    def state(self) -> np.ndarray:
        """The game from team 0's side (the global state for centralised training)."""
        return observation(self.game.state, 0)

    def step(self, action) -> None:
        """Plays the selected team's delivery (None for a team that is done, which removes it)."""
        agent = self.agent_selection
        if agent is None:
            raise RuntimeError("call reset() before step()")
        if self.terminations[agent] or self.truncations[agent]:
            self._was_dead_step(action)
            return
        team = AGENTS.index(agent)
        move = to_action(action, self.action_kind)
        self._cumulative_rewards[agent] = 0.0
        self._clear_rewards()
        outcome = self.game.play(move)
        state = self.game.state
        if self.reward_kind == "end" and outcome.end_score is not None:
            difference = float(outcome.end_score[0] - outcome.end_score[1])
            self.rewards = {"team_0": difference, "team_1": -difference}
        if state.finished:
            if self.reward_kind == "game" and state.winner is not None:
                self.rewards = {AGENTS[state.winner]: 1.0, AGENTS[1 - state.winner]: -1.0}
            self.terminations = {a: True for a in self.agents}
            # The other team sees the end first; the thrower's turn to leave follows.
            self.agent_selection = AGENTS[1 - team]
        else:
            self.agent_selection = AGENTS[state.team_to_deliver]
        self.infos = {a: self._info(AGENTS.index(a)) for a in self.agents}
        self.infos[agent]["outcome"] = outcome
        self._accumulate_rewards()

    def render(self):
        """The game as text ("ansi") or SVG ("svg") per ``render_mode``; None without one."""
        return _render(self.game, self.render_mode, None)

    def close(self) -> None:
        """Nothing to release; kept for the API."""

    def __repr__(self) -> str:
        return f"CurlingAECEnv(rules={self.rules!r}, action={self.action_kind!r}, reward={self.reward_kind!r})"


def _register() -> None:
    if _gymnasium is None:
        return
    try:
        if ENV_ID not in _gymnasium.registry:
            _gymnasium.register(id=ENV_ID, entry_point="glidestone.env:CurlingEnv")
    except Exception:  # pragma: no cover - an older or unusual gymnasium: usable without the id
        pass


_register()
