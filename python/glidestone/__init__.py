"""glidestone: exact curling-stone simulation in process.

The same simulator as the glidestone server, bit for bit, without a socket:

- ``play(stones, shot)`` plays one shot from a fresh state and returns a
  ``ShotResult`` with numpy arrays of the rest positions.
- ``Session`` is one server connection: ``handle(line)`` returns exactly the
  reply text the server sends; its simulators keep their history from request
  to request, as the server's do.
- ``play_many(requests)`` answers request lines on every core with the GIL
  released and returns the lines ``glidestone-batch`` writes.
- ``score_end(positions, teams)`` scores an end; ``play(..., noise=(sigma_speed,
  sigma_angle), seed=...)`` throws with a seeded execution error, and
  ``evaluate(stones, shot, teams, samples, noise, seed)`` plays a shot many
  times under noise and returns the distribution of the end's score.
- ``shot_svg(stones, shot)`` draws a shot as an SVG picture; a ShotResult from
  ``play`` shows itself so in a notebook (``_repr_svg_``) and has ``svg()``.
- ``Game`` plays whole games under the rules of curling (``Rules``, ``Release``,
  ``replay_game``, ``play_games``); ``play_batch`` plays numpy batches of shots;
  ``glidestone.env`` holds environments for reinforcement learning
  (``CurlingEnv``, ``CurlingAECEnv``, ``VectorCurlingEnv``) and ``Client`` talks to
  a running server.
- ``Simulator`` is the low-level world of sixteen stone slots (set_stones,
  step, stones, collisions, all_stopped, save/load snapshots);
  ``estimate_shot_velocity`` is the shot planner.
- ``glidestone.sheet`` holds the sheet's geometry (tee, rings, lines).
- ``glidestone.agents`` holds the library's agents (``RandomAgent``,
  ``HeuristicAgent``, ``MonteCarloAgent``) as callables on a Game, and
  ``tournament(agents, games_per_pair)`` plays and rates every pair of them
  on local threads or a Dask cluster.

Bounds, the same for every call: stone coordinates within
MAX_STONE_COORDINATE (1e36 m) of the release point, speeds and angular
speeds at most MAX_SPEED (1e9), frames from 1e-6 to 1e3 s, noise
deviations at most MAX_SIGMA_SPEED (1e7 m/s) and MAX_SIGMA_ANGLE (1e4 rad),
at most MAX_THREADS threads and MAX_SAMPLES samples. Beyond them the 32-bit
arithmetic would overflow into NaN, so such values raise ValueError; a value
of the wrong type raises TypeError naming the argument.

Threads: every object may be shared between threads. Calls on one Session or
Simulator from several threads take turns (a call waits, with the GIL
released, until the other thread's call is done); the functions share
nothing. Every call that plays shots or steps frames releases the GIL while
it does, and takes it back every 20 ms or so to look for signals: Ctrl-C
stops any call (play, play_many, evaluate, shot_svg, Session.handle,
Simulator.step and run) with KeyboardInterrupt within some 20 ms. A
Session stopped so holds the part-played shot in its history (reset() makes
it fresh).

Pickling: Shot, ShotResult, ScoreDistribution, Snapshot, Collision and
CollisionStone pickle with every protocol, and a state read back is
validated as the same values passed to a call would be. Session and
Simulator refuse (TypeError): pickle a Simulator's save() snapshot instead.
Every class is whole however it was made: ``Cls.__new__(Cls)`` gives an
object in its default state (a fresh Simulator, an empty Snapshot).

Coordinates are metres: x across the ice, y along it; the shot stone is
released at the origin and a straight throw travels toward +y (the tee is at
(0, 38.405)). Spin 1 turns counter-clockwise, -1 clockwise. Physics is 32-bit
float; arrays come back as float32, exactly the values the server reports.

Example, a takeout of a stone on the button::

    import glidestone
    shot = glidestone.Shot.takeout(0.0, 38.405, spin=-1)
    result = glidestone.play([(0.0, 38.405)], shot)
    print(result.positions[result.present])
"""

from __future__ import annotations

import dataclasses
import sys
from typing import Callable, Iterable, Optional, Sequence, Tuple, Union

import numpy as np

from . import _glidestone, sheet
from ._glidestone import (
    ANGLE,
    MAX_SAMPLES,
    MAX_SIGMA_ANGLE,
    MAX_SIGMA_SPEED,
    MAX_SPEED,
    MAX_STONE_COORDINATE,
    MAX_STONES_IN_PLAY,
    MAX_THREADS,
    OMEGA,
    PASS_SPEED,
    SECONDS_PER_FRAME,
    SHOT_SLOT,
    STONE_COUNT,
    VX,
    VY,
    X,
    Y,
    BatchCancelled,
    Collision,
    CollisionStone,
    RequestError,
    ShotError,
    Simulator,
    Snapshot,
    estimate_shot_velocity,
)

__version__ = _glidestone.__version__

__all__ = [
    "ANGLE",
    "MAX_SAMPLES",
    "MAX_SIGMA_ANGLE",
    "MAX_SIGMA_SPEED",
    "MAX_SPEED",
    "MAX_STONE_COORDINATE",
    "MAX_STONES_IN_PLAY",
    "MAX_THREADS",
    "OMEGA",
    "PASS_SPEED",
    "SECONDS_PER_FRAME",
    "SHOT_SLOT",
    "STONE_COUNT",
    "TEE",
    "VX",
    "VY",
    "X",
    "Y",
    "BatchCancelled",
    "Collision",
    "CollisionStone",
    "RequestError",
    "ScoreDistribution",
    "Session",
    "Shot",
    "ShotError",
    "ShotResult",
    "Simulator",
    "Snapshot",
    "estimate_shot_velocity",
    "evaluate",
    "play",
    "play_many",
    "score_end",
    "sheet",
    "shot_svg",
]

#: Centre of the house (x, y) in metres.
TEE = sheet.TEE

StonesLike = Union[Sequence[Sequence[float]], np.ndarray]
TeamsLike = Union[Sequence[int], np.ndarray]
NoiseLike = Optional[Tuple[float, float]]

_MAX_SEED = 2**64 - 1


def _is_real(value) -> bool:
    return isinstance(value, (int, float, np.integer, np.floating)) and not isinstance(value, (bool, np.bool_))


@dataclasses.dataclass(frozen=True)
class Shot:
    """What the thrower asks for.

    x, y: the target point in metres, real numbers; y must not be negative
    (a target behind the release point cannot be asked for: on the wire the
    sign of y is the pass flag). pass_target: True or False; False to come
    to rest at the target (a draw), True to cross it at PASS_SPEED (3 m/s, a
    takeout or a hit). spin: a real number; 1 turns counter-clockwise, -1
    clockwise; other values are taken as the server takes them (the release
    is planned counter-clockwise when the spin truncates to 1, clockwise
    otherwise, and the stone turns at spin * 1.57 rad/s; play raises
    ShotError for a spin whose rotation is not finite as a 32-bit float).

    Raises TypeError for a value of the wrong type and ValueError for a
    negative or non-finite y or a non-finite x.

    On the wire this is ``"shot": [x, -y if pass_target else y, spin]``.
    """

    x: float
    y: float
    pass_target: bool = False
    spin: float = 1

    @classmethod
    def draw(cls, x: float, y: float, spin: float = 1) -> "Shot":
        """A shot that comes to rest at (x, y)."""
        return cls(x, y, False, spin)

    @classmethod
    def takeout(cls, x: float, y: float, spin: float = 1) -> "Shot":
        """A shot that crosses (x, y) at 3 m/s, hard enough to remove a stone lying there."""
        return cls(x, y, True, spin)

    def __new__(cls, *args, **kwargs):
        # Whole even without __init__ (Shot.__new__(Shot)): a draw to the release point.
        self = super().__new__(cls)
        for name, value in (("x", 0.0), ("y", 0.0), ("pass_target", False), ("spin", 1)):
            object.__setattr__(self, name, value)
        return self

    def __post_init__(self) -> None:
        self._arguments()

    def wire(self) -> list:
        """The shot as the request's ``shot`` array: [x, ±y, spin]."""
        return [self.x, -abs(self.y) if self.pass_target else abs(self.y), self.spin]

    def _arguments(self) -> tuple:
        """(x, y, pass_target, spin) for the extension, validated (also for a Shot read from a pickle)."""
        try:
            fields = {name: getattr(self, name) for name in ("x", "y", "pass_target", "spin")}
        except AttributeError as missing:
            raise TypeError(f"this Shot was never initialised ({missing})") from None
        for name in ("x", "y", "spin"):
            if not _is_real(fields[name]):
                raise TypeError(f"Shot.{name} must be a real number, not {type(fields[name]).__name__}")
        if not isinstance(fields["pass_target"], (bool, np.bool_)):
            raise TypeError(f"Shot.pass_target must be True or False, not {type(fields['pass_target']).__name__}")
        try:
            x, y, spin = (float(fields[name]) for name in ("x", "y", "spin"))
        except OverflowError:
            raise ValueError("Shot.x, y and spin must be within the range of a float") from None
        if not np.isfinite(x):
            raise ValueError(f"Shot.x must be finite, not {x!r}")
        if not y >= 0.0 or not np.isfinite(y):
            raise ValueError(
                f"Shot.y must be finite and not negative (the target lies ahead of the release point), not {y!r}"
            )
        return x, y, bool(fields["pass_target"]), spin


class ShotResult:
    """Where a shot left every stone.

    positions: (16, 2) float32 array, the rest position of every slot; slot
        SHOT_SLOT (15) is the shot stone, slots 0 .. n-1 the stones given.
        An absent slot holds what that slot of the simulator last held.
    present: (16,) bool array, which slots took part.
    release_velocity: (vx, vy) in m/s the shot stone was released with; nan
        when the target is nearer than the planner's fitted range (the shot
        stone then stays at the origin).
    angular_velocity: rad/s the shot stone was released with.
    frames: frames of 0.05 s played until every stone had stopped.

    A result of ``glidestone.play`` draws itself: ``svg()`` returns the picture
    of the shot, and a notebook shows it (``_repr_svg_``). The picture is made
    by playing the shot again from the arguments ``play`` was given, so it
    costs a shot; a result of ``Session.play``, which may depend on the
    session's history, has no picture (use ``shot_svg``).
    """

    __slots__ = ("positions", "present", "release_velocity", "angular_velocity", "frames", "_source")

    def __new__(cls, *args, **kwargs):
        # Whole even without __init__ (ShotResult.__new__(ShotResult)): no stones, no shot.
        self = super().__new__(cls)
        self.positions = np.zeros((STONE_COUNT, 2), dtype=np.float32)
        self.present = np.zeros(STONE_COUNT, dtype=bool)
        self.release_velocity = (0.0, 0.0)
        self.angular_velocity = 0.0
        self.frames = 0
        self._source = None
        return self

    def __init__(self, positions, present, release_velocity, angular_velocity, frames):
        self.positions = positions
        self.present = present
        self.release_velocity = tuple(release_velocity)
        self.angular_velocity = angular_velocity
        self.frames = frames
        self._source = None

    def __reduce__(self):
        fields = (self.positions, self.present, self.release_velocity, self.angular_velocity, self.frames)
        return type(self), fields, (None, {"_source": self._source})

    @classmethod
    def _from_raw(cls, raw: tuple, source: Optional[tuple] = None) -> "ShotResult":
        result = cls(*raw)
        result._source = source
        return result

    def svg(self, view: str = "house", animate: bool = False, teams=None, every: int = 1) -> str:
        """The picture of this shot as SVG text; the arguments as for ``shot_svg``.

        Raises ValueError for a result that did not come from ``glidestone.play``.
        """
        if self._source is None:
            raise ValueError("only a result of glidestone.play can draw itself; use glidestone.shot_svg")
        stones, shot, noise, seed = self._source
        return shot_svg(stones, shot, noise=noise, seed=seed, view=view, animate=animate, teams=teams, every=every)

    def _repr_svg_(self) -> Optional[str]:
        """The house view for notebooks (None, so the text repr is used, when there is no picture)."""
        return None if self._source is None else self.svg()

    @property
    def shot_position(self) -> np.ndarray:
        """Rest position (x, y) of the shot stone."""
        return self.positions[SHOT_SLOT]

    def in_play(self) -> np.ndarray:
        """Rest positions of the stones that took part, an (n, 2) array in slot order."""
        return self.positions[self.present]

    def __repr__(self) -> str:
        vx, vy = self.release_velocity
        return (
            f"ShotResult({int(self.present.sum())} stones, release_velocity=({vx:.6g}, {vy:.6g}), "
            f"frames={self.frames}, shot stone at ({self.shot_position[0]:.4f}, {self.shot_position[1]:.4f}))"
        )


def _check_shot(shot) -> tuple:
    if not isinstance(shot, Shot):
        raise TypeError(f"shot must be a glidestone.Shot, not {type(shot).__name__}")
    return shot._arguments()


def _check_noise(noise) -> tuple:
    """(sigma_speed, sigma_angle) as floats; (0, 0) for None. The extension checks the values."""
    if noise is None:
        return 0.0, 0.0
    if isinstance(noise, (str, bytes)) or not isinstance(noise, (Sequence, np.ndarray)) or len(noise) != 2:
        raise TypeError(f"noise must be None or a pair (sigma_speed, sigma_angle), not {noise!r}")
    for name, value in zip(("sigma_speed", "sigma_angle"), noise):
        if not _is_real(value):
            raise TypeError(f"noise {name} must be a real number, not {type(value).__name__}")
    try:
        return float(noise[0]), float(noise[1])
    except OverflowError:
        raise ValueError(f"noise must be within the range of a float, not {noise!r}") from None


def _check_seed(seed) -> int:
    if isinstance(seed, (bool, np.bool_)) or not isinstance(seed, (int, np.integer)):
        raise TypeError(f"seed must be an int, not {type(seed).__name__}")
    if not 0 <= seed <= _MAX_SEED:
        raise ValueError(f"seed must be from 0 to 2**64 - 1, not {seed}")
    return int(seed)


def _check_threads(threads) -> Optional[int]:
    if threads is None:
        return None
    if isinstance(threads, (bool, np.bool_)) or not isinstance(threads, (int, np.integer)):
        raise TypeError(f"threads must be an int or None, not {type(threads).__name__}")
    if not 1 <= threads <= MAX_THREADS:
        raise ValueError(f"threads must be at least 1 and at most MAX_THREADS ({MAX_THREADS}), not {threads}")
    return int(threads)


def play(stones: StonesLike, shot: Shot, noise: NoiseLike = None, seed: int = 0) -> ShotResult:
    """Plays one shot from the state of a freshly started server.

    stones: the stones lying on the ice, a sequence of (x, y) pairs or an
        (n, 2) array, n <= 15; they go into slots 0 .. n-1.
    shot: a Shot.
    noise: None, or (sigma_speed, sigma_angle): the thrower's execution error.
        The planned release speed gets a Gaussian error of standard deviation
        sigma_speed (m/s) and its direction a Gaussian turn of sigma_angle
        (radians, positive counter-clockwise); release_velocity is then the
        velocity the stone really got. None or (0, 0) plays the plan exactly.
    seed: 0 to 2**64 - 1. The error is draw number 1 of this seed, the same
        as line 1 of ``glidestone-batch --seed`` and sample 1 of ``evaluate``.

    The result depends on nothing played before: it is what a fresh server
    (and glidestone-batch) answers for the same request. Thread-safe; the GIL
    is released while the shot is played. Raises TypeError or ValueError for
    stones of the wrong type or shape or bad noise (beyond MAX_SIGMA_SPEED
    or MAX_SIGMA_ANGLE) or seed, ShotError for a shot that cannot be played
    (a coordinate not finite as a 32-bit float or beyond
    MAX_STONE_COORDINATE, a spin out of range).
    """
    arguments = _check_shot(shot)
    sigmas = _check_noise(noise)
    seed = _check_seed(seed)
    raw = _glidestone._play(stones, *arguments, *sigmas, seed)
    source = (np.array(stones, dtype=np.float64), shot, sigmas, seed)
    return ShotResult._from_raw(raw, source)


def shot_svg(
    stones: StonesLike,
    shot: Shot,
    *,
    noise: NoiseLike = None,
    seed: int = 0,
    view: str = "house",
    animate: bool = False,
    teams: Union[None, str, TeamsLike] = None,
    every: int = 1,
) -> str:
    """The picture of a shot as an SVG document (text), as glidestone-plot draws it.

    The shot is played as ``play(stones, shot, noise, seed)`` plays it (same
    result), and drawn to scale: the sheet with its rings and lines, every
    stone where it started (dashed outline) and came to rest (filled), the
    shot stone ringed, the paths, the contacts, the target as a cross, and a
    legend with the release velocity.

    view: "house" (the far end from before the hog line) or "sheet" (the whole
        length from the release point).
    animate: a picture that plays the shot in real time, looping (SMIL, no
        script; shown animated by browsers and notebooks).
    teams: the two colours, yellow for team 0 and red for team 1: None or
        "odd-even" (stones 1, 3, ... yellow), "halves" (stones 1-8 yellow), or
        one team (0 or 1) per stone given and then the shot stone's, as
        ``evaluate`` takes them.
    every: keep the stones' positions every `every`-th frame of 0.05 s.
    """
    arguments = _check_shot(shot)
    sigmas = _check_noise(noise)
    seed = _check_seed(seed)
    if not isinstance(view, str):
        raise TypeError(f"view must be 'house' or 'sheet', not {type(view).__name__}")
    if isinstance(every, bool) or not isinstance(every, (int, np.integer)):
        raise TypeError(f"every must be an int, not {type(every).__name__}")
    if not 1 <= every <= 2**31 - 1:
        raise ValueError(f"every must be at least 1 (and fit an int), not {every}")
    return _glidestone._shot_svg(stones, *arguments, *sigmas, seed, view, bool(animate), teams, int(every))


def score_end(positions: StonesLike, teams: TeamsLike) -> Tuple[Optional[int], int]:
    """The score of an end from the stones at rest: (team, points), or (None, 0) for a blank end.

    positions: the stones' centres, (x, y) pairs or an (n, 2) array, any n.
    teams: each stone's team, 0 or 1 (n entries).

    A stone counts when it is in the house: its centre at most 1.829 + 0.145 m
    (house radius plus stone radius) from the tee, so a stone touching the
    outer ring counts. The team with the stone nearest the tee scores one
    point for each of its stones nearer than the other team's nearest. When
    the two teams' nearest stones are exactly as far from the tee, nobody
    scores; a stone exactly as far as the other team's nearest does not count.
    Distances are compared in double precision from the 32-bit coordinates.

    After a shot: ``score_end(result.in_play(), teams)`` with one team per stone
    given and then the shot stone's.
    """
    team, points = _glidestone._score_end(positions, teams)
    return team, points


class ScoreDistribution:
    """The end's score over the samples of ``evaluate``, from team 0's side.

    A signed score is +points when team 0 scores, -points when team 1 does,
    0 for a blank end.

    scores: (samples,) int32 array, sample n's signed score at index n - 1.
    histogram: dict signed score -> how many samples gave it (only scores
        that occurred), in increasing order of score.
    mean: the mean signed score.
    standard_deviation: sample standard deviation (divided by samples - 1; 0
        for one sample).
    standard_error: of the mean, standard_deviation / sqrt(samples).
    """

    __slots__ = ("scores", "histogram", "mean", "standard_deviation", "standard_error")

    def __new__(cls, *args, **kwargs):
        # Whole even without __init__: no samples.
        self = super().__new__(cls)
        self.scores = np.zeros(0, dtype=np.int32)
        self.histogram = {}
        self.mean = self.standard_deviation = self.standard_error = 0.0
        return self

    def __reduce__(self):
        return type(self), (self.scores, self.histogram, self.mean, self.standard_deviation, self.standard_error)

    def __init__(self, scores, histogram, mean, standard_deviation, standard_error):
        self.scores = scores
        self.histogram = histogram
        self.mean = mean
        self.standard_deviation = standard_deviation
        self.standard_error = standard_error

    @property
    def samples(self) -> int:
        """How many throws were played."""
        return len(self.scores)

    def __repr__(self) -> str:
        return (
            f"ScoreDistribution(samples={self.samples}, mean={self.mean:+.4f}, "
            f"standard_error={self.standard_error:.4f}, histogram={self.histogram})"
        )


def evaluate(
    stones: StonesLike,
    shot: Shot,
    teams: TeamsLike,
    samples: int = 1000,
    noise: NoiseLike = None,
    seed: int = 0,
    threads: Optional[int] = None,
) -> ScoreDistribution:
    """Plays one shot from one position `samples` times under execution noise and scores each end.

    stones: the stones at rest before the shot, as for ``play``.
    shot: a Shot.
    teams: the team (0 or 1) of each stone given and, last, of the shot
        stone: len(stones) + 1 entries.
    samples: how many noisy throws, from 1 to MAX_SAMPLES.
    noise: (sigma_speed, sigma_angle) as for ``play``; None plays every sample
        without error.
    seed: sample n (from 1) meets draw n of the seed, so sample 1 is
        ``play(stones, shot, noise, seed)``. Evaluate the candidate shots of a
        position under one seed: they then meet the same errors, and the
        difference of their means is far less noisy than either.
    threads: worker threads, 1 to MAX_THREADS; default every core. The
        result never depends on it: each sample is played as a fresh server
        would play it.

    Returns a ScoreDistribution (mean, standard_deviation, standard_error,
    histogram, scores) from team 0's side. The GIL is released while the
    samples are played; Ctrl-C stops them (KeyboardInterrupt). RuntimeError
    when the threads cannot be started.
    """
    arguments = _check_shot(shot)
    if isinstance(samples, (bool, np.bool_)) or not isinstance(samples, (int, np.integer)):
        raise TypeError(f"samples must be an int, not {type(samples).__name__}")
    if not 1 <= samples <= MAX_SAMPLES:
        raise ValueError(f"samples must be at least 1 and at most MAX_SAMPLES ({MAX_SAMPLES}), not {samples}")
    sigmas = _check_noise(noise)
    seed = _check_seed(seed)
    workers = _check_threads(threads)
    raw = _glidestone._evaluate(
        stones, *arguments, teams, int(samples), *sigmas, seed, 0 if workers is None else workers
    )
    return ScoreDistribution(*raw)


class Session:
    """One server connection, in process.

    A session owns its throw and probe simulators, which keep their history
    from request to request exactly as one connection to the server does; so
    ``handle`` returns, byte for byte, the reply the server sends for a line
    after the same earlier lines. Sessions share nothing; calls to one session
    from several threads take turns. Not picklable (TypeError).
    """

    __slots__ = ("_session",)

    def __new__(cls, *args, **kwargs):
        # Whole even without __init__ (Session.__new__(Session)): a fresh connection.
        self = super().__new__(cls)
        self._session = _glidestone._Session()
        return self

    def __init__(self) -> None:
        pass

    def __reduce_ex__(self, protocol):
        """Refused with TypeError: a session's simulators keep a history that no state holds."""
        raise TypeError(
            "cannot pickle or copy a glidestone.Session: its simulators' history is not part of any state "
            "(make a new Session and replay its requests)"
        )

    def handle(self, line: Union[str, bytes]) -> str:
        """The server's reply text for one request line (a JSON object).

        A single trailing line-feed is ignored; any other line-feed is a
        ValueError. A request the server would not answer raises RequestError
        (a ValueError) with the server's message, and the session stays
        usable. The GIL is released while the shot is played.
        """
        return self._session.handle(line)

    def play(self, stones: StonesLike, shot: Shot) -> ShotResult:
        """Plays a shot as ``handle`` would for the same request, on this session's simulators.

        Arguments as for glidestone.play; unlike it, the result may depend (in
        the last bits, and in what absent slots report) on what this session
        played before.
        """
        return ShotResult._from_raw(self._session.play(stones, *_check_shot(shot)))

    def reset(self) -> None:
        """Makes the session fresh, as a newly started server."""
        self._session.reset()

    def __repr__(self) -> str:
        return "<glidestone.Session>"


ProgressCallback = Callable[[int, int], Optional[bool]]

#: play_many shows a progress bar by default from this many requests on.
PROGRESS_BAR_THRESHOLD = 2000


def _progress_reporter(progress, total: int):
    """A callable(done) for the extension, and a closer; or (None, None)."""
    if callable(progress):

        def report(done: int):
            return progress(done, total)

        return report, None
    if progress is None:
        progress = total >= PROGRESS_BAR_THRESHOLD and _have_tqdm()
    if not progress:
        return None, None
    try:
        from tqdm.auto import tqdm
    except ImportError:
        return _text_progress(total)
    bar = tqdm(total=total, unit="shot", smoothing=0.1)

    def report(done: int):
        bar.update(done - bar.n)

    return report, bar.close


def _have_tqdm() -> bool:
    try:
        import tqdm  # noqa: F401
    except ImportError:
        return False
    return True


def _text_progress(total: int):
    stream = sys.stderr

    def report(done: int):
        stream.write(f"\r{done}/{total} requests")
        stream.flush()

    def close():
        stream.write("\n")
        stream.flush()

    return report, close


def play_many(
    requests: Iterable[Union[str, bytes]],
    threads: Optional[int] = None,
    progress: Union[None, bool, ProgressCallback] = None,
    noise: NoiseLike = None,
    seed: int = 0,
) -> list:
    """Answers request lines on several threads, as glidestone-batch does.

    requests: request lines (str or bytes, one JSON object each; a single
        trailing line-feed is ignored, as Session.handle ignores it), e.g. the
        lines of a glidestone-batch input file: ``play_many(open(path))``.
    threads: worker threads, 1 to MAX_THREADS; default every core.
    progress: None shows a tqdm bar when tqdm is installed and there are at
        least PROGRESS_BAR_THRESHOLD requests; True always shows one (a plain
        counter on standard error without tqdm); False never; a callable
        progress(done, total) is called about ten times a second and once at
        the end, and may return a false value (False, 0, ...; None, what a
        function returns without a return statement, goes on) to stop the
        run (BatchCancelled).
    noise, seed: execution noise as for ``play``; request N (from 1) meets
        draw N of the seed, exactly as line N of ``glidestone-batch
        --noise-speed S --noise-angle A --seed N``. None or (0, 0) changes no
        reply.

    Returns one str a request, in order: the reply a freshly started server
    sends for that request alone, or ``{"error":"<message>","line":N}`` (N
    counting from 1) when it fails. The lines are exactly glidestone-batch's
    output lines for the same input, whatever the thread count. The GIL is
    released while the shots are played; Ctrl-C stops the run. RuntimeError
    when the threads cannot be started.
    """
    if isinstance(requests, (str, bytes)):
        raise TypeError("requests must be a list of request lines, not a single str or bytes (use [line])")
    lines = list(requests)
    threads = _check_threads(threads)
    sigmas = _check_noise(noise)
    seed = _check_seed(seed)
    report, close = _progress_reporter(progress, len(lines))
    try:
        return _glidestone._play_many(lines, threads, report, 0.1, *sigmas, seed)
    finally:
        if close is not None:
            close()


def play_batch(
    stones,
    shots,
    *,
    mask=None,
    release: bool = False,
    noise: NoiseLike = None,
    seed: int = 0,
    threads: Optional[int] = None,
) -> Tuple[np.ndarray, np.ndarray, np.ndarray, np.ndarray]:
    """Plays N shots at once from numpy arrays, without JSON; the GIL is released.

    stones: (N, k, 2) float32 (k <= 15) positions of the stones lying on the
        ice before each shot; a row of NaN is an absent stone (or give mask).
    shots: (N, 4) rows [x, y, pass, spin] (pass non-zero passes the target at
        3 m/s; y as a distance, its sign ignored), or with ``release=True``
        (N, 3) rows [vx, vy, angular_velocity] thrown as they are, unplanned.
    mask: optional (N, k) bool, True where a stone lies (instead of NaN rows).
    noise, seed: execution noise as for ``play``; row r (from 0) meets draw
        r + 1 of the seed, as request r + 1 of ``play_many`` does.
    threads: worker threads, default every core; rows are spread over them
        and the results never depend on it.

    Each row is played as a fresh player plays it: the stones present in that
    row go into slots 0, 1, ... in column order, the shot stone into slot 15.
    So without noise row r equals ``play(stones of row r, Shot(...))`` bit for
    bit, and with noise it equals request r + 1 of ``play_many``.

    Returns (positions (N, 16, 2) float32, present (N, 16) bool, release
    velocity (N, 2) float32, frames (N,) int32). Raises ValueError or
    ShotError naming the row for a row that cannot be played; Ctrl-C stops the
    call.
    """
    stones = np.asarray(stones, dtype=np.float32)
    if stones.ndim != 3 or stones.shape[2] != 2:
        raise ValueError(f"stones must have shape (N, k, 2), not {stones.shape}")
    n, k = stones.shape[0], stones.shape[1]
    if k > MAX_STONES_IN_PLAY:
        raise ValueError(f"stones holds {k} stones a row; at most {MAX_STONES_IN_PLAY} can lie on the ice")
    if mask is None:
        nan = np.isnan(stones)
        partly = nan.any(axis=2) & ~nan.all(axis=2)
        if partly.any():
            row, column = np.argwhere(partly)[0]
            raise ValueError(f"row {row}: stone {column} has one coordinate NaN (absent stones are NaN in both)")
        mask = ~nan.all(axis=2)
    else:
        mask = np.asarray(mask)
        if mask.dtype != np.bool_:
            raise TypeError(f"mask must be a bool array, not dtype {mask.dtype}")
        if mask.shape != (n, k):
            raise ValueError(f"mask must have shape {(n, k)}, not {mask.shape}")
    present_stones = stones[mask]
    if present_stones.size and not np.isfinite(present_stones).all():
        row = int(np.argwhere(mask & ~np.isfinite(stones).all(axis=2))[0][0])
        raise ValueError(f"row {row}: a stone's coordinate is not finite")
    if present_stones.size and (np.abs(present_stones) > 1e36).any():
        row = int(np.argwhere(mask & (np.abs(stones) > 1e36).any(axis=2))[0][0])
        raise ValueError(f"row {row}: a stone lies farther than 1e36 m from the release point")
    shots = np.asarray(shots, dtype=np.float64)
    columns = 3 if release else 4
    if shots.shape != (n, columns):
        raise ValueError(f"{'releases' if release else 'shots'} must have shape {(n, columns)}, not {shots.shape}")
    threads = _check_threads(threads)
    sigmas = _check_noise(noise)
    seed = _check_seed(seed)
    return _glidestone._play_batch(
        np.ascontiguousarray(stones), np.ascontiguousarray(mask), np.ascontiguousarray(shots), bool(release),
        *sigmas, seed, threads
    )


from .games import (  # noqa: E402  (the games build on the names above)
    DeliveryOutcome,
    Game,
    GameRecordError,
    GameState,
    Release,
    Rules,
    play_games,
    replay_game,
)

__all__ += [
    "DeliveryOutcome",
    "Game",
    "GameRecordError",
    "GameState",
    "Release",
    "Rules",
    "play_batch",
    "play_games",
    "replay_game",
]

# Environments for reinforcement learning (Gymnasium's and PettingZoo's
# interfaces), their wrappers and spaces, and a client of a running server.
from . import env, spaces, wrappers  # noqa: E402
from .client import Client, ClientError, ServerClosed  # noqa: E402

__all__ += ["Client", "ClientError", "ServerClosed", "env", "spaces", "wrappers"]

# The library's agents as callables on a Game, and round-robin tournaments
# between them on local threads or a Dask cluster. The function tournament
# shadows its module's name here; glidestone.tournament's other names are
# imported from the module (from glidestone.tournament import TournamentResult).
from . import agents  # noqa: E402
from .agents import Agent, HeuristicAgent, MonteCarloAgent, RandomAgent  # noqa: E402
from .tournament import TournamentInterrupted, TournamentResult, tournament  # noqa: E402

__all__ += [
    "Agent",
    "HeuristicAgent",
    "MonteCarloAgent",
    "RandomAgent",
    "TournamentInterrupted",
    "TournamentResult",
    "agents",
    "tournament",
]
