"""Type stub of the compiled core of glidestone (import glidestone instead)."""

from typing import Callable, Iterable, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

__version__: str
STONE_COUNT: int
SHOT_SLOT: int
MAX_STONES_IN_PLAY: int
PASS_SPEED: float
SECONDS_PER_FRAME: float
X: int
Y: int
ANGLE: int
VX: int
VY: int
OMEGA: int

ArrayLike = Union[npt.ArrayLike, Sequence[Sequence[float]]]

class RequestError(ValueError): ...
class ShotError(ValueError): ...
class BatchCancelled(RuntimeError): ...

class CollisionStone:
    @property
    def id(self) -> int: ...
    @property
    def position(self) -> tuple[float, float]: ...
    @property
    def angle(self) -> float: ...

class Collision:
    @property
    def a(self) -> CollisionStone: ...
    @property
    def b(self) -> CollisionStone: ...
    @property
    def normal_impulse(self) -> float: ...
    @property
    def tangent_impulse(self) -> float: ...

class Snapshot:
    @property
    def seconds_per_frame(self) -> float: ...
    def stones(self) -> npt.NDArray[np.float32]: ...
    def present(self) -> npt.NDArray[np.bool_]: ...
    def collisions(self) -> list[Collision]: ...
    def __copy__(self) -> Snapshot: ...
    def __deepcopy__(self, memo: object) -> Snapshot: ...
    def __getstate__(self) -> tuple: ...
    def __setstate__(self, state: tuple) -> None: ...

class Simulator:
    def __init__(self, seconds_per_frame: float = 0.05) -> None: ...
    @staticmethod
    def from_snapshot(snapshot: Snapshot) -> Simulator: ...
    def set_stones(
        self,
        positions: ArrayLike,
        velocities: Optional[ArrayLike] = None,
        angular_velocities: Optional[ArrayLike] = None,
        angles: Optional[ArrayLike] = None,
        present: Optional[ArrayLike] = None,
    ) -> None: ...
    def step(self, frames: int = 1) -> None: ...
    def run(self, max_frames: int = 1000000) -> int: ...
    def stones(self) -> npt.NDArray[np.float32]: ...
    def positions(self) -> npt.NDArray[np.float32]: ...
    def present(self) -> npt.NDArray[np.bool_]: ...
    def collisions(self) -> list[Collision]: ...
    def all_stopped(self) -> bool: ...
    @property
    def seconds_per_frame(self) -> float: ...
    def save(self) -> Snapshot: ...
    def load(self, snapshot: Snapshot) -> None: ...

def estimate_shot_velocity(
    x: float, y: float, target_speed: float = 0.0, clockwise: bool = False
) -> tuple[float, float]: ...

RawResult = tuple[npt.NDArray[np.float32], npt.NDArray[np.bool_], tuple[float, float], float, int]

def _play(
    stones: ArrayLike,
    x: float,
    y: float,
    pass_target: bool,
    spin: float,
    sigma_speed: float = 0.0,
    sigma_angle: float = 0.0,
    seed: int = 0,
) -> RawResult: ...

class _Session:
    def __init__(self) -> None: ...
    def handle(self, line: Union[str, bytes]) -> str: ...
    def play(self, stones: ArrayLike, x: float, y: float, pass_target: bool, spin: float) -> RawResult: ...
    def reset(self) -> None: ...

def _play_many(
    requests: Iterable[Union[str, bytes]],
    threads: Optional[int] = None,
    progress: Optional[Callable[[int], Optional[bool]]] = None,
    interval: float = 0.1,
    sigma_speed: float = 0.0,
    sigma_angle: float = 0.0,
    seed: int = 0,
) -> list[str]: ...

def _score_end(positions: ArrayLike, teams: npt.ArrayLike) -> tuple[Optional[int], int]: ...
def _evaluate(
    stones: ArrayLike,
    x: float,
    y: float,
    pass_target: bool,
    spin: float,
    teams: npt.ArrayLike,
    samples: int,
    sigma_speed: float,
    sigma_angle: float,
    seed: int,
    threads: int,
) -> tuple[npt.NDArray[np.int32], dict[int, int], float, float, float]: ...
def _shot_svg(
    stones: ArrayLike,
    x: float,
    y: float,
    pass_target: bool,
    spin: float,
    sigma_speed: float,
    sigma_angle: float,
    seed: int,
    view: str,
    animate: bool,
    teams: Union[None, str, npt.ArrayLike],
    every: int,
) -> str: ...
