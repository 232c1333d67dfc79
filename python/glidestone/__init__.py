"""glidestone: exact curling-stone simulation in process.

The same simulator as the glidestone server, bit for bit, without a socket:

- ``play(stones, shot)`` plays one shot from a fresh state and returns a
  ``ShotResult`` with numpy arrays of the rest positions.
- ``Session`` is one server connection: ``handle(line)`` returns exactly the
  reply text the server sends; its simulators keep their history from request
  to request, as the server's do.
- ``play_many(requests)`` answers request lines on every core with the GIL
  released and returns the lines ``glidestone-batch`` writes.
- ``Simulator`` is the low-level world of sixteen stone slots (set_stones,
  step, stones, collisions, all_stopped, save/load snapshots);
  ``estimate_shot_velocity`` is the shot planner.

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
from typing import Callable, Iterable, Optional, Sequence, Union

import numpy as np

from . import _glidestone
from ._glidestone import (
    ANGLE,
    MAX_STONES_IN_PLAY,
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
    "MAX_STONES_IN_PLAY",
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
    "Session",
    "Shot",
    "ShotError",
    "ShotResult",
    "Simulator",
    "Snapshot",
    "estimate_shot_velocity",
    "play",
    "play_many",
]

#: Centre of the house (x, y) in metres.
TEE = (0.0, 38.405)

StonesLike = Union[Sequence[Sequence[float]], np.ndarray]


@dataclasses.dataclass(frozen=True)
class Shot:
    """What the thrower asks for.

    x, y: the target point in metres. pass_target: False to come to rest at
    the target (a draw), True to cross it at PASS_SPEED (3 m/s, a takeout or
    a hit). spin: 1 turns counter-clockwise, -1 clockwise; other values are
    taken as the server takes them (the release is planned counter-clockwise
    when the spin truncates to 1, clockwise otherwise, and the stone turns at
    spin * 1.57 rad/s).

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

    def wire(self) -> list:
        """The shot as the request's ``shot`` array: [x, ±y, spin]."""
        return [self.x, -abs(self.y) if self.pass_target else abs(self.y), self.spin]

    def _arguments(self) -> tuple:
        for name in ("x", "y", "spin"):
            value = getattr(self, name)
            if not isinstance(value, (int, float, np.integer, np.floating)) or isinstance(value, bool):
                raise TypeError(f"Shot.{name} must be a real number, not {type(value).__name__}")
        return float(self.x), float(self.y), bool(self.pass_target), float(self.spin)


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
    """

    __slots__ = ("positions", "present", "release_velocity", "angular_velocity", "frames")

    def __init__(self, positions, present, release_velocity, angular_velocity, frames):
        self.positions = positions
        self.present = present
        self.release_velocity = tuple(release_velocity)
        self.angular_velocity = angular_velocity
        self.frames = frames

    @classmethod
    def _from_raw(cls, raw: tuple) -> "ShotResult":
        return cls(*raw)

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


def play(stones: StonesLike, shot: Shot) -> ShotResult:
    """Plays one shot from the state of a freshly started server.

    stones: the stones lying on the ice, a sequence of (x, y) pairs or an
        (n, 2) array, n <= 15; they go into slots 0 .. n-1.
    shot: a Shot.

    The result depends on nothing played before: it is what a fresh server
    (and glidestone-batch) answers for the same request. Thread-safe; the GIL
    is released while the shot is played. Raises TypeError or ValueError for
    stones of the wrong type or shape, ShotError for a shot that cannot be
    played (a coordinate not finite as a 32-bit float, a spin out of range).
    """
    return ShotResult._from_raw(_glidestone._play(stones, *_check_shot(shot)))


class Session:
    """One server connection, in process.

    A session owns its throw and probe simulators, which keep their history
    from request to request exactly as one connection to the server does; so
    ``handle`` returns, byte for byte, the reply the server sends for a line
    after the same earlier lines. Sessions share nothing: give each thread its
    own (calls to one session from several threads take turns).
    """

    __slots__ = ("_session",)

    def __init__(self) -> None:
        self._session = _glidestone._Session()

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
) -> list:
    """Answers request lines on several threads, as glidestone-batch does.

    requests: request lines (str or bytes, one JSON object each, without
        line-feeds), e.g. the lines of a glidestone-batch input file.
    threads: worker threads; default every core.
    progress: None shows a tqdm bar when tqdm is installed and there are at
        least PROGRESS_BAR_THRESHOLD requests; True always shows one (a plain
        counter on standard error without tqdm); False never; a callable
        progress(done, total) is called about ten times a second and once at
        the end, and may return False to stop the run (BatchCancelled).

    Returns one str a request, in order: the reply a freshly started server
    sends for that request alone, or ``{"error":"<message>","line":N}`` (N
    counting from 1) when it fails. The lines are exactly glidestone-batch's
    output lines for the same input, whatever the thread count. The GIL is
    released while the shots are played; Ctrl-C stops the run.
    """
    if isinstance(requests, (str, bytes)):
        raise TypeError("requests must be a list of request lines, not a single str or bytes (use [line])")
    lines = list(requests)
    if threads is not None:
        if isinstance(threads, bool) or not isinstance(threads, (int, np.integer)):
            raise TypeError(f"threads must be an int or None, not {type(threads).__name__}")
        if threads < 1:
            raise ValueError(f"threads must be at least 1, not {threads}")
        threads = int(threads)
    report, close = _progress_reporter(progress, len(lines))
    try:
        return _glidestone._play_many(lines, threads, report)
    finally:
        if close is not None:
            close()
