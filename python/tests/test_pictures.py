"""Pictures from Python: ShotResult._repr_svg_ and svg(), and shot_svg."""

import xml.etree.ElementTree as ET

import numpy as np
import pytest

import glidestone

SVG = "{http://www.w3.org/2000/svg}"
# The stone on the button leaves the picture; the shot stone stays near the tee.
GUARDS = [(0.0, 38.405), (-1.0, 37.8), (0.9, 39.0)]
TAKEOUT = glidestone.Shot.takeout(0.0, 38.405, spin=-1)
HOUSE_RADIUS = 1.829


def parse(svg):
    assert svg.startswith("<svg")
    return ET.fromstring(svg)


def pixel_mapping(root):
    """(tee x, tee y, pixels a metre) read from the drawn rings: the 12-foot ring is the largest."""
    rings = [c for c in root.iter(SVG + "circle") if c.get("class") == "ring"]
    assert len(rings) == 4
    outer = max(rings, key=lambda c: float(c.get("r")))
    return float(outer.get("cx")), float(outer.get("cy")), float(outer.get("r")) / HOUSE_RADIUS


def rest_stone(root, slot):
    """The filled circle drawn where the stone of `slot` came to rest, and its group's classes."""
    for group in root.iter(SVG + "g"):
        classes = group.get("class", "").split()
        if "rest" in classes and f"stone{slot + 1}" in classes:
            return group.find(SVG + "circle"), classes
    raise AssertionError(f"no rest circle for slot {slot}")


def assert_drawn_at(root, slot, position):
    tee_x, tee_y, scale = pixel_mapping(root)
    circle, _ = rest_stone(root, slot)
    x, y = (float(v) for v in position)
    assert float(circle.get("cx")) == pytest.approx(tee_x + (x - glidestone.TEE[0]) * scale, abs=0.011)
    assert float(circle.get("cy")) == pytest.approx(tee_y - (y - glidestone.TEE[1]) * scale, abs=0.011)
    # A stone's radius, less half the outline.
    assert 0.7 * 0.145 * scale < float(circle.get("r")) <= 0.145 * scale


def test_a_played_shot_shows_itself_as_svg():
    result = glidestone.play(GUARDS, TAKEOUT)
    svg = result._repr_svg_()
    root = parse(svg)
    assert np.hypot(*(result.shot_position - glidestone.TEE)) < HOUSE_RADIUS
    assert_drawn_at(root, glidestone.SHOT_SLOT, result.shot_position)
    # The stones that stayed are where the result says; the one taken out is off the picture.
    assert_drawn_at(root, 1, result.positions[1])
    assert_drawn_at(root, 2, result.positions[2])
    assert result.positions[0, 1] > 45.0
    with pytest.raises(AssertionError, match="no rest circle"):
        rest_stone(root, 0)
    assert svg == result.svg() == glidestone.shot_svg(GUARDS, TAKEOUT)


def test_drawing_changes_no_result():
    before = glidestone.play(GUARDS, TAKEOUT)
    before.svg(view="sheet", animate=True)
    glidestone.shot_svg(GUARDS[:1], glidestone.Shot.draw(-0.5, 38.2))
    after = glidestone.play(GUARDS, TAKEOUT)
    assert after.positions.tobytes() == before.positions.tobytes()
    assert after.release_velocity == before.release_velocity and after.frames == before.frames


def test_a_noisy_shot_is_drawn_as_it_was_played():
    noise, seed = (0.02, 0.003), 21
    noisy = glidestone.play([(0.1, 38.4)], glidestone.Shot.draw(0.0, 38.3), noise=noise, seed=seed)
    plain = glidestone.play([(0.1, 38.4)], glidestone.Shot.draw(0.0, 38.3))
    assert not np.array_equal(noisy.shot_position, plain.shot_position)
    assert_drawn_at(parse(noisy.svg()), glidestone.SHOT_SLOT, noisy.shot_position)
    assert noisy.svg() == glidestone.shot_svg([(0.1, 38.4)], glidestone.Shot.draw(0.0, 38.3), noise=noise, seed=seed)


def test_views_animation_and_teams():
    house = parse(glidestone.shot_svg(GUARDS, TAKEOUT))
    sheet = parse(glidestone.shot_svg(GUARDS, TAKEOUT, view="sheet"))
    # Metres shown along the sheet: all of it (over 40 m), or the far end only.
    def shown(root):
        return float(root.get("height")) / pixel_mapping(root)[2]

    assert shown(sheet) > 40 > shown(house)
    animated = glidestone.shot_svg(GUARDS, TAKEOUT, animate=True)
    assert "<animate" in animated and "<animate" not in ET.tostring(house, encoding="unicode")
    # Odd-even by default: stone 3 team 0, the shot stone (16) team 1.
    assert "team0" in rest_stone(house, 2)[1] and "team1" in rest_stone(house, 15)[1]
    listed = parse(glidestone.shot_svg(GUARDS, TAKEOUT, teams=[0, 0, 1, 0]))
    assert "team1" in rest_stone(listed, 2)[1] and "team0" in rest_stone(listed, 15)[1]
    halves = parse(glidestone.shot_svg(GUARDS, TAKEOUT, teams="halves"))
    assert "team0" in rest_stone(halves, 1)[1] and "team1" in rest_stone(halves, 15)[1]
    # Fewer poses, the same rest positions.
    sparse = parse(glidestone.shot_svg(GUARDS, TAKEOUT, every=10))
    assert rest_stone(sparse, 15)[0].attrib == rest_stone(house, 15)[0].attrib


def test_a_session_result_has_no_picture():
    result = glidestone.Session().play(GUARDS, TAKEOUT)
    assert result._repr_svg_() is None
    with pytest.raises(ValueError, match="shot_svg"):
        result.svg()


@pytest.mark.parametrize(
    "options, error, fragment",
    [
        ({"view": "side"}, ValueError, "'house' or 'sheet'"),
        ({"view": 1}, TypeError, "view"),
        ({"every": 0}, ValueError, "every"),
        ({"every": 1.5}, TypeError, "every"),
        ({"teams": "thirds"}, ValueError, "odd-even"),
        ({"teams": [0, 1]}, ValueError, "then the shot stone's"),
        ({"teams": [0, 1, 0, 7]}, ValueError, "0 or 1"),
        ({"noise": (1.0,)}, TypeError, "pair"),
        ({"seed": -1}, ValueError, "seed"),
    ],
)
def test_bad_options(options, error, fragment):
    with pytest.raises(error, match=fragment):
        glidestone.shot_svg(GUARDS, TAKEOUT, **options)
