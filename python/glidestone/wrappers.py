"""Wrappers for ``glidestone.env.CurlingEnv``: an image observation and a discrete action grid.

Both are ``gymnasium.ObservationWrapper`` / ``gymnasium.ActionWrapper`` when
gymnasium is importable, and small classes with the same methods otherwise.
"""

from __future__ import annotations

import itertools
from typing import Any, Optional, Sequence, Tuple

import numpy as np

from . import env as _env

__all__ = ["DiscreteActions", "ImageObservation", "house_planes", "HOUSE_REGION", "PLANES"]

#: The region the image covers, (x_min, x_max, y_min, y_max) metres: the
#: sheet's width, from the far hog line to just beyond the back line (every
#: stone in play that lies past the hog line).
HOUSE_REGION = (-_env.SIDE_LINE_X, _env.SIDE_LINE_X, _env.HOG_LINE_Y, _env.BACK_LINE_Y + _env.STONE_RADIUS)

#: The planes of an image, in order.
PLANES = ("own stones", "opponent's stones", "house")


def house_planes(observations, height: int = 32, width: int = 32, region=HOUSE_REGION) -> np.ndarray:
    """Images of observations: (..., 68) float32 -> (..., 3, height, width) float32.

    Plane 0 marks the observing team's stones in play, plane 1 the other
    team's, plane 2 the house (the pixels whose centre lies within 1.829 m of
    the tee; the same in every image). A stone sets to 1 every pixel whose
    centre lies within the stone's radius (0.145 m) of its centre, and always
    the pixel its centre falls in, so no stone vanishes between pixel centres.
    Pixels not covered are 0. Row 0 is the far side of the region (largest y,
    the back line), row height - 1 the near side (the hog line); column 0 is
    the left (smallest x). Stones outside the region are not drawn.
    """
    obs = np.asarray(observations, dtype=np.float32)
    if obs.shape[-1:] != (_env.OBSERVATION_SIZE,):
        raise ValueError(f"observations must end in {_env.OBSERVATION_SIZE} columns, not shape {obs.shape}")
    for name, value in (("height", height), ("width", width)):
        if isinstance(value, bool) or not isinstance(value, (int, np.integer)) or value < 1:
            raise ValueError(f"{name} must be a positive int, not {value!r}")
    x_min, x_max, y_min, y_max = (float(v) for v in region)
    if not (x_min < x_max and y_min < y_max):
        raise ValueError(f"region must be (x_min, x_max, y_min, y_max) with min < max, not {region!r}")
    batch = obs.shape[:-1]
    flat = obs.reshape(-1, _env.OBSERVATION_SIZE)
    stones = flat[:, : _env.STONES * _env.STONE_FEATURES].reshape(-1, _env.STONES, _env.STONE_FEATURES)
    x = stones[:, :, 0].astype(np.float64)
    y = stones[:, :, 1].astype(np.float64)
    in_play = stones[:, :, 2] >= 0.5
    own = stones[:, :, 3] >= 0.5
    dx = (x_max - x_min) / width
    dy = (y_max - y_min) / height
    centre_x = x_min + (np.arange(width) + 0.5) * dx  # (W,)
    centre_y = y_max - (np.arange(height) + 0.5) * dy  # (H,)
    # (B, 16, H, W): which pixel centres each stone covers.
    cover = (x[:, :, None, None] - centre_x[None, None, None, :]) ** 2 + (
        y[:, :, None, None] - centre_y[None, None, :, None]
    ) ** 2 <= _env.STONE_RADIUS**2
    column = np.floor((x - x_min) / dx).astype(np.int64)
    row = np.floor((y_max - y) / dy).astype(np.int64)
    inside = (column >= 0) & (column < width) & (row >= 0) & (row < height)
    b, s = np.nonzero(inside)
    cover[b, s, row[b, s], column[b, s]] = True
    cover &= in_play[:, :, None, None]
    images = np.zeros((flat.shape[0], 3, height, width), np.float32)
    images[:, 0] = np.any(cover & own[:, :, None, None], axis=1)
    images[:, 1] = np.any(cover & ~own[:, :, None, None], axis=1)
    house = (centre_x[None, :] - _env.TEE[0]) ** 2 + (centre_y[:, None] - _env.TEE[1]) ** 2 <= _env.HOUSE_RADIUS**2
    images[:, 2] = house
    return images.reshape(batch + (3, height, width))


try:
    import gymnasium as _gymnasium

    _ObservationBase: Any = _gymnasium.ObservationWrapper
    _ActionBase: Any = _gymnasium.ActionWrapper
except ImportError:  # pragma: no cover - depends on the host
    _gymnasium = None

    class _Wrapper:
        """What ``gymnasium.Wrapper`` gives, for hosts without gymnasium."""

        def __init__(self, env) -> None:
            self.env = env
            self._observation_space = None
            self._action_space = None

        observation_space = property(
            lambda self: self._observation_space or self.env.observation_space,
            lambda self, space: setattr(self, "_observation_space", space),
            doc="This wrapper's observation space, or else the wrapped environment's.",
        )
        action_space = property(
            lambda self: self._action_space or self.env.action_space,
            lambda self, space: setattr(self, "_action_space", space),
            doc="This wrapper's action space, or else the wrapped environment's.",
        )

        @property
        def unwrapped(self):
            """The environment under every wrapper."""
            return self.env.unwrapped

        @property
        def np_random(self):
            """The wrapped environment's random generator."""
            return self.env.np_random

        @property
        def metadata(self):
            """The wrapped environment's metadata (render modes and the like)."""
            return self.env.metadata

        @property
        def render_mode(self):
            """The wrapped environment's render mode."""
            return self.env.render_mode

        @property
        def spec(self):
            """The wrapped environment's registration entry, if any."""
            return self.env.spec

        def render(self):
            """The wrapped environment's rendering."""
            return self.env.render()

        def close(self) -> None:
            """Closes the wrapped environment."""
            self.env.close()

        def get_wrapper_attr(self, name: str):
            """The attribute ``name`` of this wrapper, or else of the environments it wraps."""
            return getattr(self, name) if hasattr(self, name) else self.env.get_wrapper_attr(name)

        def __enter__(self):
            return self

        def __exit__(self, *args: Any) -> bool:
            self.close()
            return False

    class _ObservationBase(_Wrapper):  # type: ignore[no-redef]
        def reset(self, *, seed: Optional[int] = None, options: Optional[dict] = None):
            """Resets the wrapped environment; its first observation transformed by ``observation``."""
            observation, info = self.env.reset(seed=seed, options=options)
            return self.observation(observation), info

        def step(self, action):
            """Steps the wrapped environment; its observation transformed by ``observation``."""
            observation, reward, terminated, truncated, info = self.env.step(action)
            return self.observation(observation), reward, terminated, truncated, info

    class _ActionBase(_Wrapper):  # type: ignore[no-redef]
        def reset(self, *, seed: Optional[int] = None, options: Optional[dict] = None):
            """Resets the wrapped environment."""
            return self.env.reset(seed=seed, options=options)

        def step(self, action):
            """Steps the wrapped environment with ``action`` transformed by ``action``."""
            return self.env.step(self.action(action))


class ImageObservation(_ObservationBase):
    """Observations as (3, height, width) float32 images of the house (see ``house_planes``).

    ImageObservation(env, height=32, width=32, region=HOUSE_REGION): planes
    own stones, opponent's stones, the house; values 0 or 1; row 0 at the back
    line. The flat observation stays available from ``env``.
    """

    def __init__(self, env, height: int = 32, width: int = 32, region=HOUSE_REGION) -> None:
        super().__init__(env)
        house_planes(np.zeros(_env.OBSERVATION_SIZE, np.float32), height, width, region)  # checks the arguments
        self.height, self.width, self.region = int(height), int(width), tuple(region)
        self.observation_space = _env._spaces.Box(0.0, 1.0, (3, self.height, self.width), np.float32)

    def observation(self, observation) -> np.ndarray:
        """The (C, H, W) float32 planes of an observation of the wrapped environment."""
        return house_planes(observation, self.height, self.width, self.region)


class DiscreteActions(_ActionBase):
    """A discrete grid of planned shots for an environment with ``action="target"``.

    DiscreteActions(env, xs=None, ys=None, spins=(1, -1)): action i is row i of
    ``table``, the targets in the order of
    ``itertools.product(xs, ys, (draw, pass), spins)``: the spin changes
    fastest, then draw (pass 0) / pass (pass 1), then y, then x; so
    i = ((ix * len(ys) + iy) * 2 + p) * len(spins) + s. Defaults: xs nine
    points from -1.8 to 1.8 m, ys nine from 33.0 to 40.2 m (guards to the back
    of the house), spins counter-clockwise then clockwise: 324 actions.
    ``action_space`` is ``Discrete(len(table))``; ``shot(i)`` is the
    ``glidestone.Shot`` of action i. The opponent keeps the wrapped
    environment's action format.
    """

    DEFAULT_XS = tuple(np.round(np.linspace(-1.8, 1.8, 9), 6))
    DEFAULT_YS = tuple(np.round(np.linspace(33.0, 40.2, 9), 6))

    def __init__(
        self,
        env,
        xs: Optional[Sequence[float]] = None,
        ys: Optional[Sequence[float]] = None,
        spins: Sequence[float] = (1, -1),
    ) -> None:
        super().__init__(env)
        if getattr(env.unwrapped, "action_kind", "target") != "target":
            raise ValueError("DiscreteActions needs an environment with action='target'")
        xs = self.DEFAULT_XS if xs is None else tuple(float(x) for x in xs)
        ys = self.DEFAULT_YS if ys is None else tuple(float(y) for y in ys)
        spins = tuple(float(s) for s in spins)
        if not xs or not ys or not spins:
            raise ValueError("xs, ys and spins must not be empty")
        self.xs, self.ys, self.spins = xs, ys, spins
        self.table = np.array(
            [(x, y, p, s) for x, y, p, s in itertools.product(xs, ys, (0.0, 1.0), spins)], dtype=np.float32
        )
        self.action_space = _env._spaces.Discrete(len(self.table))

    def action(self, action) -> np.ndarray:
        """The wrapped environment's action for grid index ``action``."""
        index = int(action)
        if isinstance(action, bool) or not 0 <= index < len(self.table) or index != action:
            raise ValueError(f"action must be an int from 0 to {len(self.table) - 1}, not {action!r}")
        return self.table[index].copy()

    def shot(self, action: int):
        """The ``glidestone.Shot`` action ``action`` plays."""
        return _env.to_action(self.action(action), "target")

    def index(self, x: float, y: float, pass_target: bool, spin: float) -> int:
        """The action of a grid point (the inverse of the table's order)."""
        ix, iy = self.xs.index(float(x)), self.ys.index(float(y))
        return ((ix * len(self.ys) + iy) * 2 + int(bool(pass_target))) * len(self.spins) + self.spins.index(float(spin))
