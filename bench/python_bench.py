#!/usr/bin/env python3
"""Python-side figures, each a ratio measured in one run.

1. play_many throughput against glidestone-batch on the same input (the
   determinism corpus, every line, repeated), for 1 and 2 threads; best of
   several alternating runs each. Target: play_many at least 0.9x the tool.
2. The cost of one Simulator.step call from Python against the same step in
   C++ (glidestone-step-cost): the same scenes stepped in the same rounds.
3. Environment steps a second: CurlingEnv (one game at a time) against the
   same deliveries played by Game.play, and VectorCurlingEnv(num_envs=2)
   against the same deliveries through play_games, two games a call; both
   also against play_batch of the same shots from the same stones (on one
   and two threads), which plays them without the rules. The learner's
   actions are drawn before the clocks start. Target: the environment adds
   at most 20 %.

Usage: /usr/bin/python3 bench/python_bench.py [--build build/release] [--repeat N]
Needs the build's glidestone-batch, glidestone-step-cost and Python module.
"""

import argparse
import json
import os
import pathlib
import resource
import subprocess
import sys
import tempfile
import time

import numpy as np

ROOT = pathlib.Path(__file__).resolve().parents[1]

TAKEOUT = (
    '{"stone1":[-0.22,39.65,1],"stone2":[-0.46,37.13,1],"stone3":[0.42,36.86,1],"stone4":[-1.25,37.45,1],'
    '"stone5":[-1.43,39.22,1],"stone6":[0.10,38.97,1],"stone7":[1.70,38.06,1],"stone8":[-0.15,35.76,1],'
    '"stone9":[-0.04,37.12,1],"stone10":[1.06,39.17,1],"stone11":[1.64,36.03,1],"stone12":[0.15,35.64,1],'
    '"stone13":[0.60,39.10,1],"stone14":[0.29,39.29,1],"stone15":[1.53,36.51,1],"shot":[0.3,-37,1]}'
)


def corpus_lines(repeat):
    lines = [
        line
        for line in (ROOT / "tests/data/corpus.jsonl").read_bytes().split(b"\n")
        if line and not line.startswith(b"#")
    ]
    return lines * repeat


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def throughput(glidestone, batch, lines, threads, rounds):
    """Best (lines per wall second, lines per CPU second) of each side."""
    with tempfile.NamedTemporaryFile(suffix=".jsonl") as requests:
        requests.write(b"".join(line + b"\n" for line in lines))
        requests.flush()
        tool = [float("inf"), float("inf")]
        module = [float("inf"), float("inf")]
        def run_tool():
            start, cpu = time.perf_counter(), children_cpu()
            subprocess.run([batch, "-j", str(threads), "-o", os.devnull, requests.name], check=False)
            tool[:] = [min(tool[0], time.perf_counter() - start), min(tool[1], children_cpu() - cpu)]

        def run_module():
            start, cpu = time.perf_counter(), time.process_time()
            glidestone.play_many(lines, threads=threads, progress=False)
            module[:] = [min(module[0], time.perf_counter() - start), min(module[1], time.process_time() - cpu)]

        # Alternating which goes first, so that neither always meets the
        # same share of a busy machine.
        for round in range(rounds):
            for run in (run_tool, run_module) if round % 2 == 0 else (run_module, run_tool):
                run()
    return [len(lines) / t for t in tool], [len(lines) / t for t in module]


def python_step_ns(glidestone, rounds):
    np = __import__("numpy")
    simulator = glidestone.Simulator()

    def best(start, frames):
        best_ns = float("inf")
        step = simulator.step
        for _ in range(rounds):
            simulator.set_stones(start[0][:, :2], start[0][:, 3:5], start[0][:, 5], start[0][:, 2], start[1])
            begin = time.perf_counter_ns()
            for _ in range(frames):
                step()
            best_ns = min(best_ns, (time.perf_counter_ns() - begin) / frames)
        return best_ns

    request = json.loads(TAKEOUT)
    positions = [request[f"stone{n}"][:2] for n in range(1, 16)] + [[0.0, 0.0]]
    vx, vy = glidestone.estimate_shot_velocity(0.3, 37.0, 3.0, False)
    velocities = np.zeros((16, 2))
    velocities[15] = (vx, vy)
    omegas = np.zeros(16)
    omegas[15] = 1.57
    simulator.set_stones(positions, velocities, omegas)
    while simulator.positions()[15, 1] < np.float32(32.0):
        simulator.step()
    sixteen = (simulator.stones(), simulator.present())

    vx, vy = glidestone.estimate_shot_velocity(0.0, 35.0, 0.0, False)
    draw = np.zeros((16, 6), np.float32)
    draw[15, 3:6] = (vx, vy, 1.57)
    present = np.zeros(16, bool)
    present[15] = True
    return {"sixteen_stones": best(sixteen, 120), "one_stone": best((draw, present), 500)}


def environment_games(glidestone, games, rules):
    """What `games` CurlingEnv games (seeds 0, 1, ...) play: for each game, the learner's actions (its
    action space seeded with the game's seed, drawn in turn) and every delivery's action in order."""
    from glidestone.env import CurlingEnv

    def action_of(line):
        action = json.loads(line)["action"]
        if "shot" in action:
            x, y, spin = action["shot"]
            return glidestone.Shot(x, abs(y), y < 0, spin)
        return glidestone.Release(*action["release"])

    env = CurlingEnv(rules)
    learner, played, before = [], [], []
    for seed in range(games):
        _, info = env.reset(seed=seed)
        outcomes = list(info["outcomes"])
        env.action_space.seed(seed)
        actions = []
        terminated = False
        while not terminated:
            actions.append(env.action_space.sample())
            _, _, terminated, _, info = env.step(actions[-1])
            outcomes += info["outcomes"]
        learner.append(actions)
        played.append([action_of(line) for line in env.game.record if '"action"' in line])
        before += [o.before_positions[o.before_in_play] for o in outcomes]
    # The same deliveries as play_batch rows: the stones in play before each
    # (at most 15) and its shot, without the rules.
    shots = [shot for actions in played for shot in actions]
    stones = np.full((len(shots), 15, 2), np.nan, np.float32)
    for row, lying in enumerate(before):
        stones[row, : len(lying)] = lying
    targets = np.array([[s.x, s.y, s.pass_target, s.spin] for s in shots], np.float64)
    return learner, played, (stones, targets)


def environment_rates(glidestone, rules, games, rounds):
    """Best deliveries a second of each layer and of the bare path under it, and env steps a second."""
    from glidestone.env import CurlingEnv, VectorCurlingEnv, action_space

    # The learner's actions are drawn before the clocks start: the figures are
    # the environments' own cost, not the policy's.
    learner, played, batch = environment_games(glidestone, games, rules)
    deliveries = sum(len(actions) for actions in played)
    best = {}

    def keep(name, seconds, count, steps=0):
        rate = (count / seconds, steps / seconds)
        if name not in best or rate[0] > best[name][0]:
            best[name] = rate

    for _ in range(rounds):
        env = CurlingEnv(rules)
        start = time.perf_counter()
        steps = 0
        for seed in range(games):
            env.reset(seed=seed)
            for action in learner[seed]:
                env.step(action)
                steps += 1
        keep("CurlingEnv", time.perf_counter() - start, deliveries, steps)

        start = time.perf_counter()
        for actions in played:
            game = glidestone.Game(rules)
            for action in actions:
                game.play(action)
        keep("Game.play", time.perf_counter() - start, deliveries)

        for threads in (1, 2):
            start = time.perf_counter()
            glidestone.play_batch(*batch, threads=threads)
            keep(f"play_batch(threads={threads})", time.perf_counter() - start, deliveries)
        # Two rows a call, as the two-game vector environment plays them.
        stones, targets = batch
        start = time.perf_counter()
        for row in range(0, deliveries, 2):
            glidestone.play_batch(stones[row : row + 2], targets[row : row + 2], threads=2)
        keep("play_batch(2 a call)", time.perf_counter() - start, deliveries)

        # Slot i meets the actions CurlingEnv's game pair + i met: the same deliveries.
        vector = VectorCurlingEnv(2, rules, threads=2)
        count = steps = 0
        start = time.perf_counter()
        for pair in range(0, games, 2):
            vector.reset(seed=pair)
            group = learner[pair : pair + 2]
            for d in range(max(len(a) for a in group)):
                # A slot whose game is over gets any action (it is ignored).
                actions = np.stack([a[min(d, len(a) - 1)] for a in group])
                _, _, terminated, _, infos = vector.step(actions)
                count += sum(len(o) for o in infos["outcomes"])
                steps += 2
        keep("VectorCurlingEnv(2)", time.perf_counter() - start, count, steps)

        start = time.perf_counter()
        for pair in range(0, games, 2):
            group = played[pair : pair + 2]
            boards = [glidestone.Game(rules) for _ in group]
            for d in range(max(len(a) for a in group)):
                live = [i for i, a in enumerate(group) if d < len(a)]
                glidestone.play_games([boards[i] for i in live], [group[i][d] for i in live], threads=2)
        keep("play_games(2 a call)", time.perf_counter() - start, deliveries)
    return deliveries, best


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default=str(ROOT / "build/release"))
    parser.add_argument("--repeat", type=int, default=2, help="copies of the corpus in the throughput input")
    parser.add_argument("--rounds", type=int, default=3, help="runs of each side; the best counts")
    parser.add_argument("--env-games", type=int, default=20, help="games in the environment figures (even)")
    parser.add_argument("--env-ends", type=int, default=4, help="ends a game in the environment figures")
    args = parser.parse_args()
    build = pathlib.Path(args.build)
    sys.path.insert(0, str(build / "python"))
    import glidestone

    lines = corpus_lines(args.repeat)
    print(f"throughput on {len(lines)} request lines (determinism corpus x{args.repeat}), best of {args.rounds}:")
    for threads in (1, 2):
        tool, module = throughput(glidestone, str(build / "bin/glidestone-batch"), lines, threads, args.rounds)
        print(f"  -j {threads}: glidestone-batch {tool[0]:6.0f} lines/s ({tool[1]:4.0f} a CPU second)"
              f"   play_many {module[0]:6.0f} lines/s ({module[1]:4.0f} a CPU second)"
              f"   ratio wall {module[0] / tool[0]:.3f}, CPU {module[1] / tool[1]:.3f}")

    cpp = {}
    out = subprocess.run([str(build / "bin/glidestone-step-cost"), "300"], capture_output=True, text=True, check=True)
    for line in out.stdout.splitlines():
        name, value = line.split()
        cpp[name] = float(value)
    py = python_step_ns(glidestone, 300)
    print("one step, best round (ns a step):")
    for name in ("sixteen_stones", "one_stone"):
        print(f"  {name:15s} C++ {cpp[name]:8.1f}   Python Simulator.step {py[name]:8.1f}"
              f"   call overhead {py[name] - cpp[name]:7.1f} ns   ratio {py[name] / cpp[name]:.2f}")

    rules = glidestone.Rules(ends=args.env_ends)
    deliveries, best = environment_rates(glidestone, rules, args.env_games, args.rounds)
    print(f"environments: {args.env_games} games of {args.env_ends} ends ({deliveries} deliveries), random"
          f" actions, best of {args.rounds}:")
    for layer, bare, batch in (
        ("CurlingEnv", "Game.play", "play_batch(threads=1)"),
        ("VectorCurlingEnv(2)", "play_games(2 a call)", "play_batch(2 a call)"),
    ):
        (rate, steps), bare_rate, batch_rate = best[layer], best[bare][0], best[batch][0]
        print(f"  {layer:20s} {rate:7.0f} deliveries/s ({steps:6.0f} env steps/s)   {bare:20s} {bare_rate:7.0f}"
              f" deliveries/s: the environment adds {100 * (bare_rate / rate - 1):5.1f} %\n"
              f"  {'':20s} {'':33s}   {batch:20s} {batch_rate:7.0f}"
              f" deliveries/s (no rules): game and environment add {100 * (batch_rate / rate - 1):5.1f} %")


if __name__ == "__main__":
    main()
