"""Small stand-ins for ``gymnasium.spaces.Box`` and ``gymnasium.spaces.Discrete``.

The environments in ``glidestone.env`` use Gymnasium's own spaces when
``gymnasium`` is importable and these otherwise. They have the fields and
methods agents and checkers use: ``shape``, ``dtype``, ``low``/``high``
(Box), ``n``/``start`` (Discrete), ``sample()``, ``contains(x)`` (also
``x in space``), ``seed(seed)``, ``np_random`` (a numpy ``Generator``), ``==``
and ``repr``. Seeding follows Gymnasium: ``seed(s)`` makes
``np.random.Generator(np.random.PCG64(np.random.SeedSequence(s)))``.
"""

from __future__ import annotations

from typing import Any, Optional, Sequence, Tuple, Union

import numpy as np

__all__ = ["Box", "Discrete", "Space", "np_random"]


def np_random(seed: Optional[int] = None) -> Tuple[np.random.Generator, int]:
    """A Generator and the entropy it was made from, exactly as ``gymnasium.utils.seeding.np_random``.

    seed: None (fresh entropy from the operating system) or an int >= 0.
    """
    if seed is not None:
        if isinstance(seed, bool) or not isinstance(seed, (int, np.integer)):
            raise TypeError(f"seed must be a python integer, not {type(seed).__name__}")
        if seed < 0:
            raise ValueError(f"seed must be greater or equal to zero, not {seed}")
        seed = int(seed)
    sequence = np.random.SeedSequence(seed)
    return np.random.Generator(np.random.PCG64(sequence)), int(sequence.entropy)


class Space:
    """What Box and Discrete share: the shape, the dtype and the seeded generator."""

    def __init__(self, shape: Optional[Tuple[int, ...]], dtype: Any, seed: Optional[int] = None) -> None:
        self._shape = None if shape is None else tuple(int(n) for n in shape)
        self.dtype = None if dtype is None else np.dtype(dtype)
        self._np_random: Optional[np.random.Generator] = None
        if seed is not None:
            self.seed(seed)

    @property
    def shape(self) -> Optional[Tuple[int, ...]]:
        """The shape of an element (None for a space without one)."""
        return self._shape

    @property
    def np_random(self) -> np.random.Generator:
        """The generator ``sample`` draws from, seeded from fresh entropy on first use."""
        if self._np_random is None:
            self.seed()
        assert self._np_random is not None
        return self._np_random

    def seed(self, seed: Optional[int] = None) -> int:
        """Seeds ``np_random``; returns the entropy it was seeded with (``seed`` itself when given)."""
        self._np_random, entropy = np_random(seed)
        return entropy

    def __contains__(self, x: Any) -> bool:
        return self.contains(x)

    def contains(self, x: Any) -> bool:  # pragma: no cover - every space defines it
        """Whether ``x`` is an element of the space."""
        raise NotImplementedError

    def sample(self) -> Any:  # pragma: no cover - every space defines it
        """A random element, from ``np_random``."""
        raise NotImplementedError


class Box(Space):
    """A box in R^n: every element between ``low`` and ``high`` (inclusive).

    low, high: scalars (then ``shape`` is needed) or arrays of one shape.
    shape: the shape of an element; taken from low/high when omitted.
    dtype: the element type, float32 by default.
    seed: seeds ``np_random`` (see ``seed``).

    ``sample()`` draws each coordinate uniformly from [low, high] (bounds must
    be finite). ``contains(x)`` holds for an array (or anything numpy turns
    into one of this dtype) of this shape, whose dtype numpy can cast safely to
    this one, with every coordinate within the bounds.
    """

    def __init__(
        self,
        low: Union[float, Sequence[float], np.ndarray],
        high: Union[float, Sequence[float], np.ndarray],
        shape: Optional[Sequence[int]] = None,
        dtype: Any = np.float32,
        seed: Optional[int] = None,
    ) -> None:
        dtype = np.dtype(dtype)
        low_array = np.asarray(low, dtype=np.float64)
        high_array = np.asarray(high, dtype=np.float64)
        if shape is None:
            if low_array.shape != high_array.shape:
                raise ValueError(f"low's shape {low_array.shape} and high's {high_array.shape} differ; give shape")
            shape = low_array.shape
        shape = tuple(int(n) for n in shape)
        for name, bound in (("low", low_array), ("high", high_array)):
            if bound.shape not in ((), shape):
                raise ValueError(f"{name} has shape {bound.shape}, the box {shape}")
        self.low = np.broadcast_to(low_array, shape).astype(dtype)
        self.high = np.broadcast_to(high_array, shape).astype(dtype)
        if np.any(self.low > self.high):
            raise ValueError("low must not exceed high")
        super().__init__(shape, dtype, seed)

    @property
    def shape(self) -> Tuple[int, ...]:
        """The shape of an element (None for a space without one)."""
        assert self._shape is not None
        return self._shape

    def is_bounded(self, manner: str = "both") -> bool:
        """Whether every coordinate has a finite lower ("below"), upper ("above") or both bounds."""
        below = bool(np.all(np.isfinite(self.low)))
        above = bool(np.all(np.isfinite(self.high)))
        if manner == "both":
            return below and above
        if manner == "below":
            return below
        if manner == "above":
            return above
        raise ValueError(f"manner must be 'both', 'below' or 'above', not {manner!r}")

    def sample(self) -> np.ndarray:
        """A random element, from ``np_random``."""
        if not self.is_bounded():
            raise ValueError("this Box samples only between finite bounds")
        low = self.low.astype(np.float64)
        high = self.high.astype(np.float64)
        if np.issubdtype(self.dtype, np.integer):
            return self.np_random.integers(low.astype(np.int64), high.astype(np.int64), endpoint=True).astype(
                self.dtype
            )
        # Rounding to the dtype may step just past a bound; clip keeps the sample inside.
        return np.clip(self.np_random.uniform(low, high, self.shape).astype(self.dtype), self.low, self.high)

    def contains(self, x: Any) -> bool:
        """Whether ``x`` is an element of the space."""
        if not isinstance(x, np.ndarray):
            try:
                x = np.asarray(x, dtype=self.dtype)
            except (ValueError, TypeError):
                return False
        return bool(
            np.can_cast(x.dtype, self.dtype)
            and x.shape == self.shape
            and np.all(x >= self.low)
            and np.all(x <= self.high)
        )

    def __eq__(self, other: object) -> bool:
        return (
            isinstance(other, Box)
            and self.shape == other.shape
            and self.dtype == other.dtype
            and np.array_equal(self.low, other.low)
            and np.array_equal(self.high, other.high)
        )

    def __repr__(self) -> str:
        def bound(values: np.ndarray) -> str:
            return str(values.flat[0]) if values.size and np.all(values == values.flat[0]) else str(values)

        return f"Box({bound(self.low)}, {bound(self.high)}, {self.shape}, {self.dtype})"


class Discrete(Space):
    """The integers ``start``, ``start + 1``, ..., ``start + n - 1``.

    ``sample()`` returns an ``np.int64`` drawn uniformly; ``contains(x)`` holds
    for a Python or numpy integer (or a 0-d integer array) in the range.
    """

    def __init__(self, n: int, seed: Optional[int] = None, start: int = 0) -> None:
        if isinstance(n, bool) or not isinstance(n, (int, np.integer)) or n < 1:
            raise ValueError(f"n must be a positive int, not {n!r}")
        if isinstance(start, bool) or not isinstance(start, (int, np.integer)):
            raise TypeError(f"start must be an int, not {type(start).__name__}")
        self.n = np.int64(n)
        self.start = np.int64(start)
        super().__init__((), np.int64, seed)

    def sample(self) -> np.int64:
        """A random element, from ``np_random``."""
        return np.int64(self.start + self.np_random.integers(self.n))

    def contains(self, x: Any) -> bool:
        """Whether ``x`` is an element of the space."""
        if isinstance(x, bool):
            return False
        if isinstance(x, (int, np.integer)):
            value = int(x)
        elif isinstance(x, np.ndarray) and x.shape == () and np.issubdtype(x.dtype, np.integer):
            value = int(x)
        else:
            return False
        return int(self.start) <= value < int(self.start + self.n)

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Discrete) and self.n == other.n and self.start == other.start

    def __repr__(self) -> str:
        return f"Discrete({self.n})" if self.start == 0 else f"Discrete({self.n}, start={self.start})"
