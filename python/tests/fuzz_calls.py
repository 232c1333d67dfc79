"""Random calls to the glidestone module with random arguments, and mutated pickles of every class it
exports: run as a child interpreter by test_fuzz.py, so that a crash ends only this process.

    python fuzz_calls.py SEED CASES

Every call must return a sound result or raise TypeError or ValueError (subclasses included:
ShotError, RequestError); BatchCancelled when a random progress callback said stop. An accepted call
must not produce NaN where a number is promised. Before each case its number and name go to standard
output, so that the parent can say which case a crash was in. The last line is a summary:
"cases N calls C pickles P refused R".
"""

import copyreg
import io
import json
import math
import pickle
import pickletools
import random
import sys
import time

import numpy as np

import glidestone as g
from glidestone import _glidestone

ALLOWED = (TypeError, ValueError, g.BatchCancelled)

FLOATS = [0.0, -0.0, 1.0, -1.0, 0.05, 38.405, -38.405, 1e-46, 1e-40, 1e-30, 1e-6, 1e-7, 1e3, 1001.0, 1e6, 1e9, 1.0000001e9,
          1e19, 1e20, 1e21, 1e36, 1.1e36, 3e38, 1e39, 1e300, math.inf, -math.inf, math.nan, 1e4, 1e7, 1.5e4,
          2e7, 0.145]
INTS = [0, 1, -1, 2, 15, 16, 17, 255, 256, 1024, 1025, 2**31 - 1, 2**31, 2**63 - 1, 2**63, 2**64 - 1, 2**64,
        -(2**63), 10**400]
LINE_PARTS = ['{"stone1":[0.0,38.405,0],"shot":[0.0,-38.405,-1]}', '{"shot":[0.2,38.1,1]}',
              '{"stone1":[1e39,0,1],"shot":[0,35,1]}', '{"shot":[0,35,1e300]}', "[]", "{", "",
              '{"stone1":[0.3,37.9,0],"stone2":[0.3,37.9,0],"shot":[0.0,-38.0,1]}', "\n", "\udcff", b"\xff\xfe",
              '{"shot":[0,38,1]}\n', '{"shot":[0,38,1]}\n\n']


class Fuzz:
    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.calls = self.pickles = self.refused = 0
        self.problems = []

    # Values -----------------------------------------------------------------------------------------------

    def number(self):
        r = self.rng.random()
        if r < 0.4:
            return self.rng.choice(FLOATS)
        if r < 0.6:
            return self.rng.choice(INTS)
        if r < 0.7:
            return self.rng.choice([np.float32(1.5), np.float64(-2.0), np.int64(3), np.uint64(2**64 - 1),
                                    np.float32(np.nan), np.bool_(True)])
        return self.rng.uniform(-50.0, 50.0)

    def value(self, depth=0):
        r = self.rng.random()
        if r < 0.45:
            return self.number()
        if r < 0.5:
            return self.rng.choice([None, True, False, "", "0", b"1", 1j, object(), [], (), {}])
        if r < 0.75 and depth < 2:
            n = self.rng.choice([0, 1, 2, 2, 3, 6, 7, 10, 16, 17])
            items = [self.value(depth + 1) for _ in range(n)]
            return tuple(items) if self.rng.random() < 0.5 else items
        if r < 0.9:
            return self.array()
        return self.rng.choice(self.objects())

    def array(self):
        shape = self.rng.choice([(0,), (1, 2), (3, 2), (15, 2), (16, 2), (17, 2), (2,), (2, 3), (16,), (4, 2, 1)])
        dtype = self.rng.choice([np.float64, np.float32, np.int32, np.bool_, np.complex64, object, "U3"])
        data = np.array([self.rng.choice(FLOATS + [0.5, 30.0, 38.0]) for _ in range(int(np.prod(shape)))])
        try:
            return data.reshape(shape).astype(dtype)
        except (TypeError, ValueError, OverflowError):
            return data.reshape(shape)

    def stones(self):
        r = self.rng.random()
        if r < 0.5:
            n = self.rng.randint(0, 15)
            return [(self.rng.uniform(-2.3, 2.3), self.rng.uniform(30.0, 41.0)) for _ in range(n)]
        if r < 0.6:
            return [(0.0, 38.0)] * self.rng.randint(2, 15)  # on top of each other
        return self.value()

    def shot(self):
        if self.rng.random() < 0.6:
            return g.Shot(self.rng.uniform(-2.0, 2.0), self.rng.uniform(0.0, 45.0), self.rng.random() < 0.5,
                          self.rng.choice([1, -1, 0, 1.5, 2.0]))
        fields = [self.number(), self.number(), self.rng.choice([True, False, 1, "no", None]), self.number()]
        try:
            return g.Shot(*fields)
        except ALLOWED:
            self.refused += 1
            shot = g.Shot(0.0, 38.0)
            object.__setattr__(shot, self.rng.choice(["x", "y", "pass_target", "spin"]), self.value())
            return shot

    def noise(self):
        return self.rng.choice([None, (0.0, 0.0), (0.05, 0.01), (1e7, 1e4), (1e21, 0.0), (0.0, 1e20),
                                (-1.0, 0.0), (math.nan, 0.0), (1e7, 0.0), self.value()])

    def small(self, high):
        return self.rng.randint(0, high) if self.rng.random() < 0.85 else self.value()

    def lines(self):
        return [self.rng.choice(LINE_PARTS) for _ in range(self.rng.randint(0, 4))]

    def progress(self):
        answer = self.rng.choice([None, True, False, 0, 1, "", "x", np.array([1, 2]), np.False_])
        return self.rng.choice([None, False, True, lambda done, total: answer])

    def objects(self):
        sim = g.Simulator()
        return [sim, sim.save(), g.Session(), g.Shot(0.0, 38.0), g.Collision.__new__(g.Collision),
                g.CollisionStone.__new__(g.CollisionStone), g.ShotResult.__new__(g.ShotResult),
                g.ScoreDistribution.__new__(g.ScoreDistribution)]

    # Calls ------------------------------------------------------------------------------------------------

    def simulator(self):
        sim = g.Simulator(self.rng.choice([0.05, 0.02, 1e-6, 1e3, 1.0]))
        if self.rng.random() < 0.8:
            n = self.rng.randint(1, 16)
            speeds = [1.0, 3.0, 1e9, -1e9, 0.0]
            sim.set_stones(
                [(self.rng.choice([0.0, 0.2, 1e36, -1e36, self.rng.uniform(-3, 3)]),
                  self.rng.choice([0.0, 38.0, 1e36, self.rng.uniform(0, 40)])) for _ in range(n)],
                velocities=[(self.rng.choice(speeds), self.rng.choice(speeds)) for _ in range(n)],
                angular_velocities=[self.rng.choice(speeds) for _ in range(n)],
                angles=[self.rng.choice([0.0, 3e38, -1.0]) for _ in range(n)],
                present=[self.rng.random() < 0.8 for _ in range(n)],
            )
        return sim

    def call(self):
        """One random call; returns (name, thunk)."""
        rng = self.rng
        choices = {
            "play": lambda: g.play(self.stones(), self.shot(), self.noise(), self.small(2**64)),
            "evaluate": lambda: g.evaluate(self.stones(), self.shot(), self.value() if rng.random() < 0.3 else
                                           [rng.randint(0, 1) for _ in range(16)], self.small(20), self.noise(),
                                           self.small(99), self.rng.choice([None, 1, 2, 0, self.value()])),
            "evaluate teams": lambda: g.evaluate([(0.1, 38.0)], self.shot(), [1, 0], self.small(12), self.noise(),
                                                 self.small(9), self.rng.choice([None, 1, 2])),
            "play_many": lambda: g.play_many(self.lines(), self.rng.choice([None, 1, 2, 0, self.value()]),
                                             self.progress(), self.noise(), self.small(9)),
            "score_end": lambda: g.score_end(self.stones(), self.value()),
            "shot_svg": lambda: g.shot_svg(self.stones(), self.shot(), noise=self.noise(), seed=self.small(9),
                                           view=rng.choice(["house", "sheet", "x", None]),
                                           animate=rng.random() < 0.2, teams=rng.choice([None, "halves", "x"]),
                                           every=rng.choice([1, 10, 0, -1, 2**40, 1.5])),
            "Shot": lambda: g.Shot(*[self.value() for _ in range(rng.randint(0, 5))]),
            "estimate_shot_velocity": lambda: g.estimate_shot_velocity(
                *[self.value() if rng.random() < 0.3 else rng.uniform(-5, 60) for _ in range(rng.randint(0, 4))]),
            "Simulator": lambda: g.Simulator(*[self.value() for _ in range(rng.randint(0, 2))]),
            "set_stones": lambda: g.Simulator().set_stones(*[self.value() for _ in range(rng.randint(0, 5))]),
            "simulator steps": lambda: self.steps(self.simulator()),
            "simulator methods": lambda: self.methods(self.simulator()),
            "snapshot methods": lambda: self.methods(self.simulator().save()),
            "snapshot state": lambda: self.snapshot_state(),
            "collision state": lambda: rng.choice([g.Collision, g.CollisionStone]).__new__(
                rng.choice([g.Collision, g.CollisionStone])).__setstate__(self.value()),
            "session": lambda: self.session(),
            "half-made": lambda: self.methods(rng.choice(self.classes()).__new__(rng.choice(self.classes()))),
            "pickle": lambda: self.mutated_pickle(),
        }
        # The ways to a crash are in pickles and half-made objects: more of those.
        names = sorted(choices) + ["pickle"] * 6 + ["half-made", "snapshot state", "collision state"] * 2
        name = rng.choice(names)
        return name, choices[name]

    def classes(self):
        return [g.Snapshot, g.Simulator, g.Collision, g.CollisionStone, _glidestone._Session, g.Session,
                g.ShotResult, g.ScoreDistribution, g.Shot]

    def steps(self, sim):
        for _ in range(self.rng.randint(1, 4)):
            what = self.rng.random()
            if what < 0.4:
                sim.step(self.rng.choice([1, 2, 50, 200]))
            elif what < 0.6:
                sim.run(self.rng.choice([10, 500, 2000]))
            elif what < 0.8:
                sim.load(self.simulator().save())
            else:
                frames = self.value()
                if isinstance(frames, (int, np.integer)) and abs(int(frames)) > 10_000:
                    frames = 10_000  # a valid count this large only takes time
                sim.step(frames)
            self.check_finite(sim.stones(), "simulator stones")

    def methods(self, obj):
        names = [n for n in dir(obj) if not n.startswith("__") or n in ("__repr__", "__getstate__", "__eq__",
                                                                          "__copy__", "__deepcopy__")]
        for name in self.rng.sample(names, min(len(names), 4)):
            attribute = getattr(obj, name)
            if not callable(attribute):
                continue
            if name in ("step", "run", "svg", "_repr_svg_"):
                args = [self.rng.choice([0, 1, 3])] if name in ("step", "run") else []
            else:
                args = [self.value() for _ in range(self.rng.randint(0, 2))]
            try:
                attribute(*args)
            except ALLOWED:
                self.refused += 1

    def snapshot_state(self):
        state = list(self.simulator().save().__getstate__())
        stones = [list(s) for s in state[2]]
        for _ in range(self.rng.randint(1, 3)):
            r = self.rng.random()
            if r < 0.5 and stones:
                stones[self.rng.randrange(len(stones))][self.rng.randrange(7)] = self.value()
            elif r < 0.7:
                state[self.rng.randrange(4)] = self.value()
            elif r < 0.85:
                state[3] = [[self.rng.choice([0, 1, 15, 16, -1, self.value()])] + [self.number() for _ in range(9)]
                            for _ in range(self.rng.choice([0, 1, 3, 121]))]
            elif stones:
                del stones[self.rng.randrange(len(stones))]
        state[2] = stones if isinstance(state[2], list) else state[2]
        snapshot = self.simulator().save()
        snapshot.__setstate__(tuple(state))
        # Accepted: it must behave as a simulator's own state.
        sim = g.Simulator.from_snapshot(snapshot)
        sim.step(20)
        self.check_finite(sim.stones(), "loaded snapshot")

    def session(self):
        session = g.Session()
        for _ in range(self.rng.randint(1, 3)):
            r = self.rng.random()
            if r < 0.6:
                line = self.rng.choice(LINE_PARTS) if self.rng.random() < 0.8 else self.value()
                try:
                    reply = session.handle(line)
                except (g.RequestError, ValueError, TypeError):
                    self.refused += 1
                    continue
                self.check_reply(reply)
            elif r < 0.9:
                self.check_result(session.play(self.stones(), self.shot()))
            else:
                session.reset()

    # Pickles ----------------------------------------------------------------------------------------------

    def picklable(self):
        sim = self.simulator()
        sim.step(3)
        result = g.play([(0.0, 38.405)], g.Shot.takeout(0.0, 38.405, -1))
        stones = [(0.0, 30.0), (0.0, 30.3)]
        collider = g.Simulator()
        collider.set_stones(stones, velocities=[(0.0, 3.0), (0.0, 0.0)])
        collider.step(5)
        objects = [sim.save(), result, g.evaluate([], g.Shot.draw(0.0, 38.0), [0], samples=2),
                   g.Shot.draw(0.1, 38.0, -1)]
        collisions = collider.collisions()
        if collisions:
            objects += [collisions[0], collisions[0].a]
        return objects + [g.Collision.__new__(g.Collision), g.CollisionStone.__new__(g.CollisionStone)]

    def mutated_pickle(self):
        obj = self.rng.choice(self.picklable())
        data = bytearray(pickle.dumps(obj, protocol=self.rng.randint(0, pickle.HIGHEST_PROTOCOL)))
        for _ in range(self.rng.randint(1, 4)):
            r = self.rng.random()
            i = self.rng.randrange(len(data))
            if r < 0.5:
                data[i] = self.rng.randrange(256)
            elif r < 0.65:
                del data[i]
            elif r < 0.8:
                data.insert(i, self.rng.randrange(256))
            elif r < 0.9:
                data[i] = ord(self.rng.choice("0bNRt)(.])c\x81\x93"))
            else:
                del data[i:]
                data += b"."
        self.pickles += 1
        self.last_pickle = bytes(data)
        if huge_memo(self.last_pickle):
            self.refused += 1
            return
        try:
            loaded = Restricted(io.BytesIO(bytes(data))).load()
        except Exception:  # a damaged pickle may fail in any way pickle itself fails; a crash is what counts
            self.refused += 1
            return
        self.use(loaded)

    def use(self, obj):
        """What a program does with something it unpickled: each use is sound or TypeError/ValueError."""
        uses = [repr, lambda o: pickle.loads(pickle.dumps(o)), lambda o: o == o]
        if isinstance(obj, g.Snapshot):
            uses += [lambda o: g.Simulator.from_snapshot(o).step(10), lambda o: g.Simulator().load(o),
                     lambda o: (o.stones(), o.present(), o.collisions(), o.seconds_per_frame)]
        elif isinstance(obj, g.Shot):
            uses += [lambda o: self.check_result(g.play([(0.0, 38.0)], o)), lambda o: o.wire()]
        elif isinstance(obj, g.ShotResult):
            uses += [lambda o: o.svg(), lambda o: o.in_play(), lambda o: o.shot_position]
        elif isinstance(obj, g.ScoreDistribution):
            uses += [lambda o: o.samples]
        elif isinstance(obj, (g.Collision, g.CollisionStone)):
            uses += [lambda o: o.__getstate__()]
        for use in uses:
            try:
                use(obj)
            except ALLOWED:
                self.refused += 1

    # Checks -----------------------------------------------------------------------------------------------

    def check_finite(self, values, what):
        if not np.isfinite(np.asarray(values, dtype=np.float64)).all():
            self.problems.append(f"{what}: not finite")

    def check_result(self, result):
        self.check_finite(result.positions, "result positions")

    def check(self, name, value):
        if isinstance(value, g.ShotResult):
            self.check_result(value)
        elif isinstance(value, g.ScoreDistribution):
            if not math.isfinite(value.mean):
                self.problems.append(f"{name}: mean {value.mean}")
        elif name == "play_many":
            for reply in value:
                self.check_reply(reply)

    def check_reply(self, reply):
        """A reply that is not an error holds numbers only where it reports positions and velocities."""
        document = json.loads(reply, parse_constant=lambda constant: math.nan)
        if isinstance(document, dict) and "error" in document:
            return
        numbers = []

        def walk(node):
            if isinstance(node, dict):
                for item in node.values():
                    walk(item)
            elif isinstance(node, list):
                for item in node:
                    walk(item)
            elif node is None or isinstance(node, float) and not math.isfinite(node):
                numbers.append(node)

        walk(document)
        if numbers:
            self.problems.append(f"reply with null or NaN: {reply}")


def huge_memo(data):
    """Whether the pickle puts to a memo index in the millions: CPython's unpickler then grows its memo
    to that size (gigabytes), which says nothing about this module and would only thrash memory."""
    try:
        for opcode, argument, _ in pickletools.genops(data):
            if opcode.name in ("LONG_BINPUT", "PUT") and int(argument) > 1_000_000:
                return True
    except Exception:  # the loader stops where the walk stops
        pass
    return False


class Restricted(pickle.Unpickler):
    """An unpickler that loads only what this module's pickles name, as a careful program would use."""

    ALLOWED = {
        ("glidestone._glidestone", name) for name in ("Snapshot", "Collision", "CollisionStone", "Simulator")
    } | {("glidestone", name) for name in ("Shot", "ShotResult", "ScoreDistribution", "Session")} | {
        ("copyreg", "__newobj__"), ("copyreg", "_reconstructor"), ("builtins", "object"),
        ("numpy.core.multiarray", "_reconstruct"), ("numpy.core.multiarray", "scalar"), ("numpy", "ndarray"),
        ("numpy", "dtype"), ("_codecs", "encode"),
    }

    def find_class(self, module, name):
        if (module, name) not in self.ALLOWED:
            raise pickle.UnpicklingError(f"{module}.{name} is not loaded here")
        return super().find_class(module, name)


def main():
    seed, cases = int(sys.argv[1]), int(sys.argv[2])
    fuzz = Fuzz(seed)
    for case in range(cases):
        name, thunk = fuzz.call()
        print(case, name, flush=True)
        fuzz.calls += 1
        started = time.monotonic()
        try:
            fuzz.check(name, thunk())
        except ALLOWED:
            fuzz.refused += 1
        except Exception as error:
            fuzz.problems.append(f"case {case} {name}: {type(error).__name__}: {error}")
        if time.monotonic() - started > 1.0:
            print(f"slow: case {case} {name} {time.monotonic() - started:.1f} s", flush=True)
            if name == "pickle":
                print(f"slow pickle: {fuzz.last_pickle!r}", flush=True)
    for problem in fuzz.problems:
        print("PROBLEM", problem)
    print(f"cases {cases} calls {fuzz.calls} pickles {fuzz.pickles} refused {fuzz.refused}", flush=True)
    return 1 if fuzz.problems else 0


if __name__ == "__main__":
    copyreg  # noqa: B018 (named for the unpickler)
    sys.exit(main())
