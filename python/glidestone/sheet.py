"""The sheet's geometry as the library draws and scores it, in metres.

Coordinates are the simulator's: the shot stone is released at the origin,
a straight throw travels toward +y, and the centre line is x = 0. The values
are the numbers the rules give; the library holds them as 32-bit floats
(``numpy.float32(value)`` is exactly what it uses).

STONE_RADIUS: a stone's radius.
TEE: centre of the house (x, y).
HOUSE_RADIUS: radius of the house (the 12-foot circle).
RING_RADII: radii of the 12-foot, 8-foot and 4-foot circles and the button,
    outermost first.
TEE_LINE_Y, HOG_LINE_Y, BACK_LINE_Y: where those lines cross the centre line.
SHEET_MIN_X, SHEET_MAX_X: the side lines.
"""

from __future__ import annotations

from typing import Tuple

import numpy as np

from . import _glidestone

__all__ = [
    "BACK_LINE_Y",
    "HOG_LINE_Y",
    "HOUSE_RADIUS",
    "RING_RADII",
    "SHEET_MAX_X",
    "SHEET_MIN_X",
    "STONE_RADIUS",
    "TEE",
    "TEE_LINE_Y",
]


def _as_written(value: float) -> float:
    """The shortest decimal that is the same 32-bit float: 0.145, not 0.14499999582767487."""
    return float(str(np.float32(value)))


_GEOMETRY = _glidestone._SHEET

STONE_RADIUS: float = _as_written(_GEOMETRY["STONE_RADIUS"])
TEE: Tuple[float, float] = tuple(_as_written(v) for v in _GEOMETRY["TEE"])  # type: ignore[assignment]
HOUSE_RADIUS: float = _as_written(_GEOMETRY["HOUSE_RADIUS"])
RING_RADII: Tuple[float, ...] = tuple(_as_written(v) for v in _GEOMETRY["RING_RADII"])
TEE_LINE_Y: float = _as_written(_GEOMETRY["TEE_LINE_Y"])
HOG_LINE_Y: float = _as_written(_GEOMETRY["HOG_LINE_Y"])
BACK_LINE_Y: float = _as_written(_GEOMETRY["BACK_LINE_Y"])
SHEET_MIN_X: float = _as_written(_GEOMETRY["SHEET_MIN_X"])
SHEET_MAX_X: float = _as_written(_GEOMETRY["SHEET_MAX_X"])
