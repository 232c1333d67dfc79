"""score_end, seeded execution noise on play and play_many, and evaluate."""

import json
import math
import subprocess

import numpy as np
import pytest

import glidestone
from conftest import as_wire

TEE_X, TEE_Y = glidestone.TEE
# A guard, a team-1 stone near the tee, a team-0 stone at the back of the house.
POSITION = [(0.10, 38.05), (-0.60, 35.00), (1.00, 38.90)]
TEAMS = [1, 1, 0, 0]  # then the shot stone's: team 0 throws
DRAW = glidestone.Shot.draw(0.0, 38.405, spin=1)
NOISE = (0.03, 0.004)


def on_tee_line(*offsets):
    return [(TEE_X + dx, TEE_Y) for dx in offsets]


class TestScoreEnd:
    @pytest.mark.parametrize(
        "positions, teams, score",
        [
            ([], [], (None, 0)),
            # Blank end: every stone outside the house (or far off the sheet).
            (on_tee_line(2.5, -3.0) + [(0.0, 120.0)], [0, 1, 0], (None, 0)),
            # One stone in the house scores one whoever is nearer outside it.
            (on_tee_line(1.5, 0.1), [0, 1], (1, 1)),
            # Two of team 0 inside team 1's nearest; a third outside it does not count.
            (on_tee_line(0.1, -0.2, 0.3, 1.2), [0, 0, 1, 0], (0, 2)),
            # All of one team's stones count when the other has none in the house.
            (on_tee_line(0.0, 0.5, -1.0) + [(0.0, 41.0)], [1, 1, 1, 0], (1, 3)),
            # Equally near: nobody scores, even with more stones behind.
            (on_tee_line(0.5, -0.5, 0.7), [0, 1, 0], (None, 0)),
            # A scoring stone exactly as far as the other team's nearest does not count.
            (on_tee_line(0.1, 0.5, -0.5), [0, 1, 0], (0, 1)),
            # Ties within the scoring team change nothing.
            (on_tee_line(0.3, -0.3, 0.9), [1, 1, 0], (1, 2)),
        ],
    )
    def test_rule_book_cases(self, positions, teams, score):
        assert glidestone.score_end(positions, teams) == score
        # Which team is which is only a label.
        swapped = (None if score[0] is None else 1 - score[0], score[1])
        assert glidestone.score_end(positions, [1 - t for t in teams]) == swapped

    def test_the_edge_of_the_house_counts(self):
        # At most house radius + stone radius (both float32) from the tee, in double.
        limit = float(np.float32(1.829)) + float(np.float32(0.145))
        inside = np.float32(limit)
        if float(inside) > limit:
            inside = np.nextafter(inside, np.float32(0))
        outside = np.nextafter(inside, np.float32(10))
        assert glidestone.score_end([(float(inside), TEE_Y)], [1]) == (1, 1)
        assert glidestone.score_end([(float(outside), TEE_Y)], [1]) == (None, 0)
        assert glidestone.score_end(np.array([[0.0, TEE_Y - float(inside)]], np.float32), np.array([0])) == (0, 1)

    @staticmethod
    def reference_score(positions, teams):
        """The rule written out plainly: distances in double from the float32 coordinates."""
        tee = np.array(glidestone.TEE, np.float32).astype(np.float64)
        limit = float(np.float32(1.829)) + float(np.float32(0.145))
        d2 = ((np.asarray(positions, np.float32).astype(np.float64) - tee) ** 2).sum(axis=1)
        in_house = d2 <= limit**2
        nearest = [min(d2[in_house & (teams == side)], default=math.inf) for side in (0, 1)]
        if nearest[0] == nearest[1]:
            return None, 0
        scorer = 0 if nearest[0] < nearest[1] else 1
        return scorer, int((in_house & (teams == scorer) & (d2 < nearest[1 - scorer])).sum())

    def test_agrees_with_the_rule_on_random_ends_and_played_shots(self):
        generator = np.random.default_rng(5)
        for _ in range(300):
            n = int(generator.integers(0, 17))
            positions = generator.normal(glidestone.TEE, 1.6, size=(n, 2))
            teams = generator.integers(0, 2, size=n)
            assert glidestone.score_end(positions, teams) == self.reference_score(positions, teams)
        for noise_seed in range(1, 6):
            result = glidestone.play(POSITION, DRAW, noise=NOISE, seed=noise_seed)
            teams = np.array(TEAMS)
            assert glidestone.score_end(result.in_play(), teams) == self.reference_score(result.in_play(), teams)

    @pytest.mark.parametrize(
        "positions, teams, error, fragment",
        [
            ([(0.0, 38.0)], [2], ValueError, "0 or 1"),
            ([(0.0, 38.0)], [0.5], ValueError, "0 or 1"),
            ([(0.0, 38.0)], [0, 1], ValueError, "2 entries; 1 are needed"),
            ([(0.0, 38.0)], ["a"], TypeError, "real numbers"),
            ([(0.0, 38.0)], None, TypeError, "NoneType"),
            ([(0.0, float("nan"))], [0], ValueError, "not finite"),
            ([(1e39, 38.0)], [0], ValueError, "not finite"),
            ([0.0, 38.0], [0], ValueError, "shape \\(n, 2\\)"),
        ],
    )
    def test_bad_arguments(self, positions, teams, error, fragment):
        with pytest.raises(error, match=fragment):
            glidestone.score_end(positions, teams)


class TestNoisyPlay:
    def test_zero_noise_is_the_plain_shot_bit_for_bit(self):
        plain = glidestone.play(POSITION, DRAW)
        for noise, seed in [(None, 0), ((0.0, 0.0), 0), ((0.0, 0.0), 12345), ((-0.0, 0.0), 2**64 - 1)]:
            quiet = glidestone.play(POSITION, DRAW, noise=noise, seed=seed)
            assert quiet.positions.tobytes() == plain.positions.tobytes()
            assert quiet.present.tobytes() == plain.present.tobytes()
            assert np.array(quiet.release_velocity).tobytes() == np.array(plain.release_velocity).tobytes()
            assert (quiet.angular_velocity, quiet.frames) == (plain.angular_velocity, plain.frames)

    def test_seeded_noise_is_reproducible_and_seeds_differ(self):
        plain = glidestone.play(POSITION, DRAW)
        one = glidestone.play(POSITION, DRAW, noise=NOISE, seed=1)
        again = glidestone.play(POSITION, DRAW, noise=NOISE, seed=1)
        two = glidestone.play(POSITION, DRAW, noise=NOISE, seed=2)
        np.testing.assert_array_equal(one.positions, again.positions)
        assert one.release_velocity == again.release_velocity
        assert one.release_velocity != plain.release_velocity
        assert one.release_velocity != two.release_velocity
        assert not np.array_equal(one.shot_position, two.shot_position)

    def test_the_noise_turns_and_changes_the_planned_release(self):
        plain = np.array(glidestone.play([], DRAW).release_velocity)
        speed_only = np.array(glidestone.play([], DRAW, noise=(0.05, 0.0), seed=3).release_velocity)
        angle_only = np.array(glidestone.play([], DRAW, noise=(0.0, 0.01), seed=3).release_velocity)
        # Speed noise keeps the direction; angle noise keeps the speed.
        cross = plain[0] * speed_only[1] - plain[1] * speed_only[0]
        assert abs(cross) < 1e-5 and np.linalg.norm(speed_only) != pytest.approx(np.linalg.norm(plain), abs=1e-4)
        assert np.linalg.norm(angle_only) == pytest.approx(np.linalg.norm(plain), rel=1e-6)
        assert math.atan2(angle_only[1], angle_only[0]) != pytest.approx(math.atan2(plain[1], plain[0]), abs=1e-5)

    def test_play_is_line_one_of_play_many(self):
        request = json.dumps({"stone1": [0.10, 38.05, 1], "stone2": [0, 0, 0], "shot": DRAW.wire()})
        reply = json.loads(glidestone.play_many([request], threads=1, noise=NOISE, seed=9)[0])
        result = glidestone.play([(0.10, 38.05)], DRAW, noise=NOISE, seed=9)
        assert result.release_velocity == tuple(reply["shot"][:2])
        for slot in (0, 15):
            assert tuple(map(float, result.positions[slot])) == tuple(reply[f"stone{slot + 1}"][:2])

    @pytest.mark.parametrize(
        "noise, seed, error, fragment",
        [
            ("ab", 0, TypeError, "pair"),
            ((0.1,), 0, TypeError, "pair"),
            ((0.1, "x"), 0, TypeError, "sigma_angle"),
            ((-0.1, 0.0), 0, ValueError, "sigma_speed must be finite and not negative"),
            ((0.0, float("inf")), 0, ValueError, "sigma_angle must be finite"),
            ((0.1, 0.0), -1, ValueError, "seed"),
            ((0.1, 0.0), 2**64, ValueError, "seed"),
            ((0.1, 0.0), 1.0, TypeError, "seed must be an int"),
        ],
    )
    def test_bad_noise_and_seed(self, noise, seed, error, fragment):
        with pytest.raises(error, match=fragment):
            glidestone.play(POSITION, DRAW, noise=noise, seed=seed)
        with pytest.raises(error, match=fragment):
            glidestone.play_many(["{}"], noise=noise, seed=seed)


class TestNoisyPlayMany:
    def batch_output(self, batch_tool, lines, speed, angle, seed):
        done = subprocess.run(
            [batch_tool, "-j", "2", "--noise-speed", repr(speed), "--noise-angle", repr(angle), "--seed", str(seed)],
            input=b"".join(line + b"\n" for line in lines),
            capture_output=True,
            timeout=300,
        )
        assert done.returncode in (0, 1), done.stderr
        return done.stdout.decode().split("\n")[:-1]

    @pytest.fixture(scope="class")
    def lines(self, corpus):
        # The first request of every sequence: what a fresh server answers.
        return [as_wire(sequence[0]) for sequence in corpus[0]]

    def test_matches_the_batch_tool_line_for_line_on_any_thread_count(self, lines, batch_tool):
        want = self.batch_output(batch_tool, lines, 0.02, 0.002, 77)
        assert glidestone.play_many(lines, threads=1, noise=(0.02, 0.002), seed=77) == want
        assert glidestone.play_many(lines, threads=2, noise=(0.02, 0.002), seed=77) == want

    def test_zero_noise_changes_nothing_and_seeds_differ(self, lines):
        plain = glidestone.play_many(lines, threads=2)
        assert glidestone.play_many(lines, threads=2, noise=(0.0, 0.0), seed=5) == plain
        first = glidestone.play_many(lines, threads=2, noise=(0.02, 0.002), seed=1)
        second = glidestone.play_many(lines, threads=2, noise=(0.02, 0.002), seed=2)
        assert first != plain and first != second
        # Errors are errors whatever the noise.
        assert [line.startswith('{"error"') for line in first] == [line.startswith('{"error"') for line in plain]


class TestEvaluate:
    def test_deterministic_across_threads_and_consistent(self):
        one = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=120, noise=NOISE, seed=4, threads=1)
        two = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=120, noise=NOISE, seed=4, threads=2)
        assert one.scores.dtype == np.int32 and one.scores.shape == (120,) and one.samples == 120
        np.testing.assert_array_equal(one.scores, two.scores)
        assert one.histogram == two.histogram
        assert (one.mean, one.standard_deviation, one.standard_error) == (
            two.mean,
            two.standard_deviation,
            two.standard_error,
        )
        assert one.mean == sum(int(s) for s in one.scores) / 120
        values, counts = np.unique(one.scores, return_counts=True)
        assert one.histogram == dict(zip(values.tolist(), counts.tolist()))
        assert list(one.histogram) == sorted(one.histogram)
        assert one.standard_deviation == pytest.approx(np.std(one.scores, ddof=1), rel=1e-12)
        assert one.standard_error == pytest.approx(one.standard_deviation / math.sqrt(120), rel=1e-12)
        # Noise this large spreads the outcomes.
        assert len(one.histogram) > 1
        assert "samples=120" in repr(one)

    def test_sample_n_is_play_under_the_same_seed(self):
        evaluation = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=3, noise=NOISE, seed=11, threads=2)
        result = glidestone.play(POSITION, DRAW, noise=NOISE, seed=11)
        team, points = glidestone.score_end(result.in_play(), TEAMS)
        signed = 0 if team is None else points if team == 0 else -points
        assert evaluation.scores[0] == signed

    def test_without_noise_every_sample_is_the_plain_shot(self):
        evaluation = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=5, seed=3)
        result = glidestone.play(POSITION, DRAW)
        team, points = glidestone.score_end(result.in_play(), TEAMS)
        signed = 0 if team is None else points if team == 0 else -points
        assert evaluation.histogram == {signed: 5}
        assert (evaluation.standard_deviation, evaluation.standard_error) == (0.0, 0.0)

    def test_seeds_differ(self):
        a = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=60, noise=NOISE, seed=1)
        b = glidestone.evaluate(POSITION, DRAW, TEAMS, samples=60, noise=NOISE, seed=2)
        assert not np.array_equal(a.scores, b.scores)

    @pytest.mark.parametrize(
        "changes, error, fragment",
        [
            ({"teams": [0, 1, 0]}, ValueError, "then the shot stone's"),
            ({"teams": [0, 1, 0, 2]}, ValueError, "0 or 1"),
            ({"samples": 0}, ValueError, "samples"),
            ({"samples": 2.0}, TypeError, "samples must be an int"),
            ({"threads": 0}, ValueError, "threads"),
            ({"threads": "2"}, TypeError, "threads"),
            ({"noise": (0.1, -1.0)}, ValueError, "sigma_angle"),
            ({"seed": -3}, ValueError, "seed"),
            ({"shot": (0.0, 38.0)}, TypeError, "glidestone.Shot"),
            ({"stones": [(0.0, float("nan"))] * 3}, ValueError, "not finite"),
            ({"stones": np.zeros((16, 2)), "teams": [0] * 17}, ValueError, "at most 15"),
        ],
    )
    def test_bad_arguments(self, changes, error, fragment):
        arguments = {"stones": POSITION, "shot": DRAW, "teams": TEAMS, "samples": 4, "noise": NOISE}
        arguments.update(changes)
        with pytest.raises(error, match=fragment):
            glidestone.evaluate(**arguments)

    def test_spin_out_of_range_is_a_shot_error(self):
        with pytest.raises(glidestone.ShotError, match="spin"):
            glidestone.evaluate([], glidestone.Shot(0.0, 38.0, False, 1e300), [0], samples=2)
