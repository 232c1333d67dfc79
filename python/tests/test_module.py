"""The module as a Python user meets it: docstrings, help(), the stub."""

import ast
import inspect
import pathlib
import pydoc

import glidestone
from glidestone import _glidestone


def public(obj):
    return [name for name in dir(obj) if not name.startswith("_")]


def test_every_public_name_has_a_docstring():
    import importlib

    missing = []
    names = [(name, getattr(glidestone, name)) for name in glidestone.__all__]
    # The submodules' own names too: environments, spaces, wrappers, agents, tournaments.
    for module_name in ["env", "spaces", "wrappers", "games", "client", "agents", "tournament"]:
        module = importlib.import_module(f"glidestone.{module_name}")
        for name in getattr(module, "__all__", public(module)):
            value = getattr(module, name)
            if not inspect.ismodule(value) and getattr(value, "__module__", None) == module.__name__:
                names.append((f"{module_name}.{name}", value))
    for name, value in names:
        if inspect.isclass(value) or callable(value):
            if not (value.__doc__ or "").strip():
                missing.append(name)
            if inspect.isclass(value) and not issubclass(value, BaseException):
                for member in public(value):
                    attribute = getattr(value, member)
                    if callable(attribute) or isinstance(attribute, property):
                        if not (attribute.__doc__ or "").strip():
                            missing.append(f"{name}.{member}")
    assert missing == []


def test_help_shows_the_overview_and_the_api():
    text = pydoc.render_doc(glidestone, renderer=pydoc.plaintext)
    for fragment in ["Session", "play_many", "glidestone-batch", "Simulator", "takeout", "set_stones"]:
        assert fragment in text
    for fragment in ["score_end", "evaluate", "sigma_speed", "ScoreDistribution", "shot_svg", "_repr_svg_"]:
        assert fragment in text
    assert "positions: (n, 2)" in pydoc.render_doc(glidestone.Simulator.set_stones, renderer=pydoc.plaintext)


def test_the_stub_declares_everything_the_extension_exports():
    stub = pathlib.Path(_glidestone.__file__).with_name("_glidestone.pyi")
    tree = ast.parse(stub.read_text())
    declared = set()
    for node in tree.body:
        if isinstance(node, (ast.ClassDef, ast.FunctionDef)):
            declared.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            declared.add(node.target.id)
        elif isinstance(node, ast.Assign):
            declared.update(t.id for t in node.targets)
    exported = {name for name in dir(_glidestone) if not name.startswith("__")}
    assert exported - declared == set()
    for cls in ["Simulator", "Snapshot", "Collision", "CollisionStone", "_Session"]:
        node = next(n for n in tree.body if isinstance(n, ast.ClassDef) and n.name == cls)
        stubbed = {n.name for n in node.body if isinstance(n, ast.FunctionDef)}
        actual = {m for m in dir(getattr(_glidestone, cls)) if not m.startswith("_") or m == "__init__"}
        assert actual - stubbed - {"__init__"} == set(), cls


def test_version_and_constants():
    assert glidestone.__version__.count(".") == 2
    assert glidestone.STONE_COUNT == 16 and glidestone.SHOT_SLOT == 15
    assert glidestone.PASS_SPEED == 3.0
    assert (glidestone.X, glidestone.Y, glidestone.ANGLE, glidestone.VX, glidestone.VY, glidestone.OMEGA) == tuple(
        range(6)
    )
