#!/usr/bin/env python3
"""Generates the request corpus of the determinism gate (tests/data/corpus.jsonl).

The corpus is a set of request sequences. Each sequence is replayed in order on
one request handler that starts from the state of a fresh server, so a reply may
depend on the requests before it in its sequence (absent stone slots report what
they last held, and the simulators keep their state), never on other sequences.

File format (also read by tools/corpus.h and glidestone-record-corpus): UTF-8
text with line-feed line ends, the last line included. A line reading exactly
`# sequence N` (N = 1, 2, 3, ... in order) starts a sequence; every other line
is one request line exactly as a client sends it, without its line-feed. A
request line never starts with `#` and never holds a carriage return; it may be
empty or invalid JSON (such requests fail, and the recorded outcome is the
error). The replies file written by glidestone-record-corpus has the same
`# sequence N` lines and one outcome line a request: the exact reply text, or
`!error ` followed by the error text of a request that failed.

The output depends only on the seed and the sequence count: the same arguments
always give the same bytes (random.Random with a fixed seed, numbers written
with repr of rounded floats). Standard library only. After a change to this
script, record the replies again and check the corpus test still passes with
the unchanged server before anything else changes.

    tools/make_corpus.py tests/data/corpus.jsonl
    build/release/bin/glidestone-record-corpus tests/data/corpus.jsonl tests/data/corpus_replies.txt
"""

import argparse
import math
import random
import sys

DEFAULT_SEED = 20240601
DEFAULT_SEQUENCES = 100

STONE_SLOTS = 15
STONE_RADIUS = 0.145
TOUCHING = 2 * STONE_RADIUS

# Where stones gather: around the house and in front of it.
HOUSE_X = (-2.5, 2.5)
HOUSE_Y = (30.0, 42.0)
TEE_Y = 38.4


def number(value, digits=4):
    """A float as a JSON number that prints the same everywhere."""
    return repr(round(float(value), digits))


class Generator:
    def __init__(self, seed):
        self.rng = random.Random(seed)
        self.counts = {}

    def count(self, what, n=1):
        self.counts[what] = self.counts.get(what, 0) + n

    # ---- values -------------------------------------------------------------

    def spin(self):
        """A spin as JSON text: mostly 1 and -1, sometimes 0 and a few others."""
        r = self.rng.random()
        if r < 0.38:
            return "1"
        if r < 0.76:
            return "-1"
        if r < 0.86:
            return "0"
        return self.rng.choice(["2", "1.5", "-3", "1.0", "-1.0", "0.5", "3", "-2"])

    def house_point(self, spread=1.0):
        rng = self.rng
        x = rng.uniform(*HOUSE_X) * spread
        y = min(max(rng.gauss(TEE_Y, 2.2 * spread), HOUSE_Y[0]), HOUSE_Y[1])
        return x, y

    def draw_target(self):
        rng = self.rng
        return rng.uniform(-2.0, 2.0), rng.uniform(31.5, 41.0)

    def coordinate(self, value, digits=4):
        """A coordinate, now and then written as an integer or with trailing zeros."""
        rng = self.rng
        r = rng.random()
        if r < 0.03:
            return str(int(round(value)))
        if r < 0.05:
            return "%.2f" % value  # e.g. 37.50
        if r < 0.06:
            return "%.3e" % value  # e.g. 3.750e+01
        return number(value, digits)

    # ---- stones -------------------------------------------------------------

    def stone_text(self, x, y, plain=False):
        """A present stone: mostly [x,y,1], sometimes another shape."""
        rng = self.rng
        xs, ys = self.coordinate(x), self.coordinate(y)
        if plain:
            return "[%s,%s,1]" % (xs, ys)
        r = rng.random()
        if r < 0.06:
            self.count("two-element stones")
            return "[%s,%s]" % (xs, ys)
        if r < 0.09:
            flag = rng.choice(["2", "1.0", "true", "false", "null", "-1", '"1"', '"0"', "0.5"])
            self.count("present stones with an unusual flag")
            return "[%s,%s,%s]" % (xs, ys, flag)
        if r < 0.11:
            extra = rng.choice(['"id7"', "1.50", "[1,2]", "{}", "null", "-4"])
            return "[%s,%s,1,%s]" % (xs, ys, extra)
        if r < 0.115:
            self.count("boolean coordinates")
            if rng.random() < 0.8:
                return "[%s,%s,1]" % (rng.choice(["true", "false"]), ys)
            return "[%s,%s,1]" % (xs, rng.choice(["true", "false"]))
        return "[%s,%s,1]" % (xs, ys)

    def end_flag(self):
        r = self.rng.random()
        if r < 0.8:
            return "0"
        return self.rng.choice(["0.0", "-0.0", "-0", "0e0"])

    def ended_list(self, stones, plain=False, after=0):
        """Stone members for `stones`, the list ended by a numeric 0 flag unless
        all fifteen slots are used; `after` more members follow the end with
        other values (they are ignored, and report their slot's history)."""
        rng = self.rng
        members = []
        for i, (x, y) in enumerate(stones):
            members.append(('stone%d' % (i + 1), self.stone_text(x, y, plain)))
        n = len(stones)
        if n < STONE_SLOTS:
            x, y = self.house_point() if rng.random() < 0.5 else (0.0, 0.0)
            members.append(('stone%d' % (n + 1), "[%s,%s,%s]" % (number(x), number(y), self.end_flag())))
            if after:
                self.count("requests with members after the end flag")
            for k in range(n + 2, min(STONE_SLOTS, n + 1 + after) + 1):
                x, y = self.house_point()
                members.append(('stone%d' % k, self.stone_text(x, y, plain=True)))
        return members

    def crowded_house(self, count):
        """Stones spread over the house, none overlapping much."""
        stones = []
        attempts = 0
        while len(stones) < count and attempts < 500:
            attempts += 1
            x, y = self.house_point(spread=0.8)
            if all((x - a) ** 2 + (y - b) ** 2 >= (0.9 * TOUCHING) ** 2 for a, b in stones):
                stones.append((x, y))
        return stones

    def path_stones(self, target, count, jitter=0.25):
        """Stones close to the straight line from the release point to `target`."""
        rng = self.rng
        tx, ty = target
        stones = []
        for _ in range(count):
            y = rng.uniform(HOUSE_Y[0], max(HOUSE_Y[0] + 0.5, min(ty + 1.5, HOUSE_Y[1])))
            x = tx * y / ty + rng.uniform(-jitter, jitter)
            stones.append((x, y))
        return stones

    def cluster(self, count, overlap=False):
        """Stones in a chain or a heap: touching, nearly touching, or overlapping."""
        rng = self.rng
        cx, cy = self.house_point(spread=0.6)
        stones = [(cx, cy)]
        while len(stones) < count:
            bx, by = rng.choice(stones)
            if overlap and rng.random() < 0.5:
                d = rng.uniform(0.0, TOUCHING)
            else:
                d = TOUCHING + rng.choice([0.0, 0.0, 0.0001, 0.001, 0.01, -0.0001])
            angle = rng.uniform(0.0, 2.0 * math.pi)
            stones.append((bx + d * math.cos(angle), by + d * math.sin(angle)))
        return stones

    # ---- requests -----------------------------------------------------------

    def shot_text(self, p0, p1, spin=None):
        return "[%s,%s,%s]" % (self.coordinate(p0), self.coordinate(p1), spin if spin is not None else self.spin())

    def extra_members(self):
        rng = self.rng
        pool = [
            ('id', str(rng.randint(0, 99999))),
            ('id', '"r-%d"' % rng.randint(0, 999)),
            ('name', '"caf\\u00e9 \\u2603"'),
            ('name', '"\\ud83e\\udd4c stone"'),
            ('note', '"tab\\tquote\\"back\\\\slash\\nline"'),
            ('weight', "1.50"),
            ('weight', "19.960"),
            ('ratio', "0.1"),
            ('count', "-7"),
            ('big', "1e3"),
            ('huge', "12345678901234567890"),
            ('flags', "[true,false,null]"),
            ('meta', '{"end":1,"team":"red","scores":[1,0,2.25]}'),
            ('stone0', "[1,2,3]"),
            ('stone17', "[0.5,36.0,1]"),
            ('stone16', "[9.0,9.0,0,\"x\"]"),
            ('Shot', "[0,35,1]"),
            ('\\u00e9', "1"),
            ('', '""'),
        ]
        return [rng.choice(pool) for _ in range(rng.randint(1, 3))]

    def request(self, stone_members, shot, extra=(), order="natural"):
        rng = self.rng
        members = list(stone_members) + [('shot', shot)] + list(extra)
        if order == "shot-first":
            members = [members[len(stone_members)]] + members[:len(stone_members)] + members[len(stone_members) + 1:]
        elif order == "shuffled":
            rng.shuffle(members)
        spaced = rng.random() < 0.08
        sep, colon = (", ", ": ") if spaced else (",", ":")
        body = sep.join('"%s"%s%s' % (k, colon, v) for k, v in members)
        if spaced:
            return "{ " + body + " }"
        return "{" + body + "}"

    def order(self):
        r = self.rng.random()
        if r < 0.6:
            return "natural"
        if r < 0.8:
            return "shot-first"
        return "shuffled"

    def draw(self, stones, after=0, extra=(), target=None):
        tx, ty = target or self.draw_target()
        self.count("draws")
        return self.request(self.ended_list(stones, after=after), self.shot_text(tx, ty), extra, self.order())

    def takeout(self, stones, after=0, extra=()):
        """A pass shot at 3 m/s aimed at one of the stones (or at the tee)."""
        rng = self.rng
        if stones and rng.random() < 0.9:
            tx, ty = rng.choice(stones)
            tx += rng.uniform(-0.12, 0.12)
        else:
            tx, ty = rng.uniform(-1.0, 1.0), TEE_Y
        self.count("passing shots")
        return self.request(self.ended_list(stones, after=after), self.shot_text(tx, -abs(ty)), extra, self.order())

    def out_of_range(self, stones):
        """Targets nearer than the fitted range: the velocity comes back null."""
        rng = self.rng
        self.count("out-of-range targets")
        choice = rng.randrange(5)
        if choice == 0:
            p0, p1 = rng.uniform(-1.0, 1.0), 20.0
        elif choice == 1:
            p0, p1 = 0.0, -5.0
        elif choice == 2:
            p0, p1 = 0.0, 0.0
        elif choice == 3:
            p0, p1 = rng.uniform(-2.0, 2.0), rng.uniform(5.0, 29.0)
        else:
            p0, p1 = rng.uniform(-2.0, 2.0), -rng.uniform(1.0, 8.0)
        return self.request(self.ended_list(stones), self.shot_text(p0, p1), (), self.order())

    def failing(self, stones):
        """A request the server refuses: the recorded outcome is the error."""
        rng = self.rng
        self.count("failing requests")
        members = self.ended_list(stones, plain=True)
        shot = self.shot_text(*self.draw_target())
        kind = rng.randrange(16)
        if kind == 0:
            return "{}"
        if kind == 1:
            return self.request(members, shot)[:-1]  # no closing brace
        if kind == 2:
            return ""
        if kind == 3:
            return rng.choice(["null", "[]", "42", '"shot"', "shot", "{\"shot\":[0,35,1],}", "{'shot':[0,35,1]}"])
        if kind == 4:
            return self.request(members, '"draw"')
        if kind == 5:
            return self.request(members, "[0.5,%s,\"cw\"]" % number(rng.uniform(32, 40)))
        if kind == 6:
            return self.request(members, "[0.5,%s]" % number(rng.uniform(32, 40)))  # no spin
        if kind == 7:
            return self.request(members, "[0.5,%s,1e308]" % number(rng.uniform(32, 40)))  # spin out of range
        if kind == 8:
            return self.request([('stone1', '[0.5,"37.0",1]')] + members[1:], shot)
        if kind == 9:
            return self.request([('stone1', '[1e39,37.0,1]')] + members[1:], shot)  # not finite as float
        if kind == 10:
            return self.request([('stone1', '38.0')] + members[1:], shot)
        if kind == 11:
            # No stone members at all: stone1 reads as [null, null, null].
            return '{"shot":%s}' % shot
        if kind == 12:
            # A gap: stone2 missing before the list ends.
            return self.request([('stone1', '[0.3,37.0,1]'), ('stone3', '[0,0,0]')], shot)
        if kind == 13:
            return self.request(members, shot, [('deep', '[' * 300 + ']' * 300)])
        if kind == 14:
            return self.request(members, shot, [('bad', '"\\ud800"')])  # lone surrogate
        return self.request(members, shot) + " }"  # trailing garbage

    def odd_but_valid(self, stones):
        """Requests in unusual forms; nearly all of them valid."""
        rng = self.rng
        members = self.ended_list(stones)
        tx, ty = self.draw_target()
        kind = rng.randrange(10)
        if kind == 0:
            # Booleans in the shot: unlike stone coordinates, the shot's numbers
            # are read as doubles, so these fail (a spin only after planning).
            self.count("failing requests")
            self.count("booleans in the shot")
            if rng.random() < 0.6:
                return self.request(members, "[%s,%s,%s]" % (number(tx), number(ty), rng.choice(["true", "false"])))
            return self.request(members, "[true,%s,1]" % number(ty))
        self.count("unusual valid requests")
        if kind in (1, 2):
            return self.request(members, "[%s,%s,-1,\"extra\",7]" % (number(tx), number(ty)))  # longer shot
        if kind == 3:
            # Duplicate member: the last one counts.
            return self.request(members, self.shot_text(tx, ty), [('shot', self.shot_text(-tx, ty))])
        if kind == 4:
            return "\t " + self.request(members, self.shot_text(tx, ty)) + "  "
        if kind == 5:
            # Far away stones, out of play.
            far = [(rng.uniform(-50, 50), rng.uniform(-20, 120)) for _ in range(3)]
            return self.request(self.ended_list(far + stones[:5]), self.shot_text(tx, ty))
        if kind == 6:
            # A stone on the release point, overlapping the shot stone.
            self.count("stones on the release point")
            return self.request(self.ended_list([(0.0, 0.0)] + stones[:6]), self.shot_text(tx, ty))
        if kind == 7:
            self.count("spins written as floats")
            spin = rng.choice(["1.0", "-1.0", "1.9999", "1e0"])
            return self.request(members, "[%s,%s,%s]" % (number(tx), number(ty), spin))
        if kind == 8:
            # Numbers in exponent form and spaces inside the shot.
            return self.request(members, "[ %.5e , %.5e , %s ]" % (tx, ty, self.spin()))
        # The shot stone's own member is never read, only overwritten.
        return self.request(members, self.shot_text(tx, ty), [('stone16', '[5,5,5,5]')])

    # ---- sequences ----------------------------------------------------------

    def sequence(self, index):
        rng = self.rng
        theme = index % 7
        length = rng.randint(20, 26)
        requests = []
        # Stones that stay on the ice for a while, so that later requests with
        # fewer stones leave slots absent that held stones before.
        stones = []
        for position in range(length):
            if theme in (0, 6) and rng.random() < 0.35:
                stones = []
            # Now and then a target out of the fitted range or a failing request.
            odd = rng.random()
            if odd < 0.03:
                requests.append(self.out_of_range(stones))
                continue
            if odd < 0.075:
                requests.append(self.failing(stones))
                continue
            r = rng.random()
            if theme == 0:  # open draws, the house filling up
                if len(stones) < STONE_SLOTS and rng.random() < 0.5:
                    stones.append(self.house_point())
                requests.append(self.draw(stones))
            elif theme == 1:  # takeouts into crowded houses
                stones = self.crowded_house(rng.randint(6, 15))
                if r < 0.75:
                    requests.append(self.takeout(stones))
                else:
                    requests.append(self.draw(stones))
            elif theme == 2:  # raises: stones in the path of the shot
                target = self.draw_target()
                stones = self.path_stones(target, rng.randint(1, 4)) + self.crowded_house(rng.randint(0, 6))
                if r < 0.6:
                    requests.append(self.draw(stones, target=target))
                else:
                    requests.append(self.takeout(stones))
            elif theme == 3:  # touching and overlapping stones
                stones = self.cluster(rng.randint(2, 9), overlap=rng.random() < 0.4)
                if r < 0.5:
                    requests.append(self.takeout(stones))
                else:
                    cx, cy = stones[0]
                    requests.append(self.draw(stones, target=(cx, cy)))
            elif theme == 4:  # slot history: long lists, then short ones
                if position % 4 == 0:
                    stones = self.crowded_house(rng.randint(10, 15))
                else:
                    stones = stones[: rng.randint(0, max(0, len(stones) - 1))]
                after = rng.randint(1, 6) if rng.random() < 0.6 else 0
                if r < 0.5:
                    requests.append(self.takeout(stones, after=after))
                else:
                    requests.append(self.draw(stones, after=after))
            elif theme == 5:  # unusual forms and extra members
                stones = self.crowded_house(rng.randint(0, 8))
                if r < 0.45:
                    requests.append(self.odd_but_valid(stones))
                elif r < 0.75:
                    requests.append(self.draw(stones, extra=self.extra_members()))
                else:
                    requests.append(self.takeout(stones, extra=self.extra_members()))
            else:  # a mixture
                if rng.random() < 0.4 and len(stones) < STONE_SLOTS:
                    stones.append(self.house_point())
                if r < 0.4:
                    requests.append(self.draw(stones, after=rng.randint(0, 3)))
                elif r < 0.8:
                    requests.append(self.takeout(stones))
                else:
                    requests.append(self.odd_but_valid(stones))
        return requests


def main(argv):
    parser = argparse.ArgumentParser(
        description="Generates the request corpus of the determinism gate: sequences of request lines, "
        "each sequence starting with a line '# sequence N'. The same arguments always give the same file.")
    parser.add_argument("output", help="file to write (for the stored corpus: tests/data/corpus.jsonl)")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED, help="random seed (default %(default)s)")
    parser.add_argument("--sequences", type=int, default=DEFAULT_SEQUENCES,
                        help="number of sequences (default %(default)s)")
    parser.add_argument("--stats", action="store_true", help="print what the corpus holds on standard error")
    args = parser.parse_args(argv)
    if args.sequences < 1:
        parser.error("--sequences must be at least 1")

    generator = Generator(args.seed)
    lines = []
    total = 0
    for index in range(args.sequences):
        requests = generator.sequence(index)
        lines.append("# sequence %d" % (index + 1))
        for request in requests:
            assert "\n" not in request and "\r" not in request and not request.startswith("#"), request
            lines.append(request)
        total += len(requests)
    text = "\n".join(lines) + "\n"

    try:
        with open(args.output, "w", encoding="utf-8", newline="\n") as out:
            out.write(text)
    except OSError as error:
        print("make_corpus.py: cannot write %s: %s" % (args.output, error.strerror or error), file=sys.stderr)
        return 1
    if args.stats:
        print("%d requests in %d sequences" % (total, args.sequences), file=sys.stderr)
        for what in sorted(generator.counts):
            print("  %-45s %d" % (what, generator.counts[what]), file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
