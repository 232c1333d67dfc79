"""The environments: Gymnasium's and PettingZoo's APIs, seeding, vectorized games, wrappers, spaces."""

import inspect
import pickle
import zlib

import numpy as np
import pytest

import glidestone
from glidestone import env as genv
from glidestone import spaces as own_spaces
from glidestone import wrappers

SHORT = dict(ends=2, stones_per_team=3)
NOISY = dict(ends=1, stones_per_team=3, sigma_speed=0.02, sigma_angle=0.002)


def rules(**changes):
    return glidestone.Rules(**{**SHORT, **changes})


def policy_of_observation(kind="target"):
    """An action that depends only on the observation, so two drivers of one game take the same actions."""
    low, high = (genv.TARGET_LOW, genv.TARGET_HIGH) if kind == "target" else (genv.RELEASE_LOW, genv.RELEASE_HIGH)

    def act(observation):
        generator = np.random.default_rng(zlib.crc32(np.asarray(observation, np.float32).tobytes()))
        return generator.uniform(low, high).astype(np.float32)

    return act


def run_episode(env, seed, act):
    """Every (observation bytes, reward, terminated, truncated, score) of one episode."""
    observation, info = env.reset(seed=seed)
    steps = [(observation.tobytes(), None, False, False, info["score"])]
    while True:
        observation, reward, terminated, truncated, info = env.step(act(observation))
        steps.append((observation.tobytes(), reward, terminated, truncated, info["score"]))
        if terminated or truncated:
            return steps


# --- spaces -------------------------------------------------------------------


def test_box_contains_samples_seeds_and_compares():
    box = own_spaces.Box(np.array([-1.0, 0.0]), np.array([1.0, 5.0]), seed=3)
    assert box.shape == (2,) and box.dtype == np.float32
    samples = [box.sample() for _ in range(200)]
    assert all(s.dtype == np.float32 and s.shape == (2,) and box.contains(s) for s in samples)
    again = own_spaces.Box(np.array([-1.0, 0.0]), np.array([1.0, 5.0]), seed=3)
    assert all(np.array_equal(s, again.sample()) for s in samples)
    other = own_spaces.Box(np.array([-1.0, 0.0]), np.array([1.0, 5.0]), seed=4)
    assert not all(np.array_equal(s, other.sample()) for s in samples)
    assert box.contains([0.5, 5.0]) and [0.5, 5.0] in box
    assert not box.contains([1.5, 1.0])
    assert not box.contains(np.array([0.0, 1.0, 2.0], np.float32))
    assert not box.contains(np.array([0.0, 1.0], np.float64))  # not castable to float32 safely
    assert not box.contains("text")
    assert box == own_spaces.Box(np.array([-1.0, 0.0]), np.array([1.0, 5.0]))
    assert box != own_spaces.Box(np.array([-1.0, 0.0]), np.array([1.0, 6.0]))
    assert own_spaces.Box(0.0, 1.0, (3,)).low.tolist() == [0.0, 0.0, 0.0]
    assert "Box(" in repr(box)
    box.seed(9)
    first = box.sample()
    box.seed(9)
    assert np.array_equal(first, box.sample())
    assert isinstance(box.np_random, np.random.Generator)
    with pytest.raises(ValueError):
        own_spaces.Box(1.0, 0.0, (1,))


def test_discrete_contains_samples_seeds_and_compares():
    space = own_spaces.Discrete(5, seed=1)
    drawn = {int(space.sample()) for _ in range(300)}
    assert drawn == {0, 1, 2, 3, 4}
    assert space.contains(4) and space.contains(np.int64(0)) and space.contains(np.array(2))
    assert not space.contains(5) and not space.contains(-1) and not space.contains(1.0) and not space.contains("1")
    assert space == own_spaces.Discrete(5) and space != own_spaces.Discrete(6)
    assert repr(space) == "Discrete(5)"
    assert isinstance(space.sample(), np.int64)
    space.seed(2)
    first = [space.sample() for _ in range(20)]
    space.seed(2)
    assert first == [space.sample() for _ in range(20)]


def test_seeding_is_gymnasiums():
    generator, entropy = own_spaces.np_random(42)
    expected = np.random.Generator(np.random.PCG64(np.random.SeedSequence(42)))
    assert entropy == 42
    assert generator.bit_generator.state == expected.bit_generator.state
    with pytest.raises(ValueError):
        own_spaces.np_random(-1)
    with pytest.raises(TypeError):
        own_spaces.np_random(1.5)


# --- CurlingEnv: what Gymnasium's check_env checks -------------------------------


def test_signatures_and_attributes():
    env = genv.CurlingEnv(rules())
    reset = inspect.signature(env.reset)
    assert reset.parameters["seed"].kind == inspect.Parameter.KEYWORD_ONLY
    assert reset.parameters["seed"].default is None and reset.parameters["options"].default is None
    assert list(inspect.signature(env.step).parameters) == ["action"]
    assert env.metadata["render_modes"] == ["ansi", "svg"]
    assert env.unwrapped is env and env.spec is None and env.render_mode is None
    assert env.observation_space.shape == (genv.OBSERVATION_SIZE,) and env.observation_space.dtype == np.float32
    assert env.action_space.shape == (4,)
    assert genv.CurlingEnv(rules(), action="release").action_space.shape == (3,)
    assert isinstance(env.np_random, np.random.Generator)
    for bad in (dict(action="speed"), dict(reward="points"), dict(render_mode="human"), dict(team=2)):
        with pytest.raises(ValueError):
            genv.CurlingEnv(rules(), **bad)
    with pytest.raises(TypeError):
        genv.CurlingEnv(rules={"ends": 2})
    with pytest.raises(RuntimeError, match="reset"):
        env.step(env.action_space.sample())


@pytest.mark.parametrize("action", ["target", "release"])
@pytest.mark.parametrize("team", [0, 1])
def test_every_observation_lies_in_the_space_and_matches_the_game(action, team):
    env = genv.CurlingEnv(rules(), action=action, team=team)
    env.action_space.seed(5)
    for seed in range(3):
        observation, info = env.reset(seed=seed)
        assert isinstance(info, dict)
        while True:
            assert env.observation_space.contains(observation), observation
            state = env.game.state
            stones = observation[:64].reshape(16, 4)
            assert np.array_equal(stones[:, 2] == 1, state.in_play)
            assert np.array_equal(stones[state.in_play, :2], state.positions[state.in_play])
            assert np.all(stones[~state.in_play, :2] == 0)
            assert np.array_equal(stones[:, 3], np.arange(16) // 8 == team)
            assert observation[genv.OBS_END] == state.end and observation[genv.OBS_DELIVERY] == state.delivery
            assert observation[genv.OBS_HAMMER] == (state.hammer == team)
            assert observation[genv.OBS_SCORE] == state.totals[team] - state.totals[1 - team]
            if state.finished:
                break
            assert state.team_to_deliver == team  # the opponent has played up to the learner's turn
            observation, reward, terminated, truncated, info = env.step(env.action_space.sample())
            assert isinstance(reward, float) and type(terminated) is bool and truncated is False
            assert terminated == env.game.finished
            assert all(outcome.team == (team if n == 0 else 1 - team) for n, outcome in enumerate(info["outcomes"]))


def test_game_reward_is_the_result_at_the_end_only():
    env = genv.CurlingEnv(rules())
    results = set()
    for seed in range(6):
        steps = run_episode(env, seed, policy_of_observation())
        rewards = [s[1] for s in steps[1:]]
        assert all(r == 0 for r in rewards[:-1])
        own, other = steps[-1][4]
        assert rewards[-1] == (own > other) - (own < other)
        results.add(rewards[-1])
    assert len(results) > 1  # the check saw more than one result


def test_end_reward_is_each_ends_score_and_sums_to_the_difference():
    env = genv.CurlingEnv(rules(), reward="end")
    nonzero = 0
    for seed in range(6):
        observation, _ = env.reset(seed=seed)
        total = 0.0
        while True:
            ended = env.game.state.end_scores.shape[0]
            observation, reward, terminated, _, info = env.step(policy_of_observation()(observation))
            scores = env.game.state.end_scores
            expected = sum(int(a - b) if env.team == 0 else int(b - a) for a, b in scores[ended:])
            assert reward == expected
            total += reward
            nonzero += reward != 0
            if terminated:
                break
        assert total == info["score"][0] - info["score"][1]
    assert nonzero > 0


def test_same_seed_same_episode_bit_for_bit_and_a_different_seed_a_different_one():
    act = policy_of_observation()
    for make in (lambda: genv.CurlingEnv(rules()), lambda: genv.CurlingEnv(glidestone.Rules(**NOISY))):
        first = run_episode(make(), 11, act)
        assert run_episode(make(), 11, act) == first
        assert run_episode(make(), 12, act) != first
    # reset() without a seed goes on from the generator: a new game, the same one every time.
    one, two = genv.CurlingEnv(rules()), genv.CurlingEnv(rules())
    run_episode(one, 3, act), run_episode(two, 3, act)
    assert run_episode(one, None, act) == run_episode(two, None, act)
    assert run_episode(one, None, act) != run_episode(genv.CurlingEnv(rules()), 3, act)


def test_reset_seeds_the_generator_as_gymnasium_checks():
    env = genv.CurlingEnv(rules())
    first, _ = env.reset(seed=123)
    state = env.unwrapped._np_random.bit_generator.state
    env.reset()
    assert env.unwrapped._np_random.bit_generator.state != state
    again, _ = env.reset(seed=123)
    assert env.unwrapped._np_random.bit_generator.state == state
    assert np.array_equal(first, again)


def test_noise_seed_comes_from_the_reset_seed():
    env = genv.CurlingEnv(glidestone.Rules(**NOISY))
    env.reset(seed=1)
    seed_one = env.game.seed
    env.reset(seed=1)
    assert env.game.seed == seed_one
    env.reset(seed=2)
    assert env.game.seed != seed_one


def test_opponent_sees_its_own_side_and_is_seeded():
    seen = []

    class Opponent:
        seeds = []

        def seed(self, seed):
            self.seeds.append(seed)

        def __call__(self, observation):
            seen.append(observation)
            return glidestone.Shot.draw(0.5, 37.0)

    opponent = Opponent()
    env = genv.CurlingEnv(rules(), opponent=opponent)
    env.reset(seed=4)
    env.reset(seed=4)
    assert len(opponent.seeds) == 2 and opponent.seeds[0] == opponent.seeds[1]
    env.step([0.0, 38.4, 0.0, 1.0])
    assert seen and all(np.array_equal(o[:64].reshape(16, 4)[:, 3], np.arange(16) >= 8) for o in seen)
    with pytest.raises(TypeError):
        genv.CurlingEnv(rules(), opponent=5)


def test_actions_are_converted_as_documented():
    assert genv.to_action([0.1, 38.0, 0.7, -0.2]) == glidestone.Shot(0.1, 38.0, True, -1.0)
    assert genv.to_action(np.float32([0.1, 38.0, 0.2, 0.0])) == glidestone.Shot(
        float(np.float32(0.1)), 38.0, False, 1.0
    )
    assert genv.to_action([0.1, 2.3, 1.57], "release") == glidestone.Release(0.1, 2.3, 1.57)
    shot = glidestone.Shot.takeout(0, 38.405)
    assert genv.to_action(shot) is shot
    with pytest.raises(ValueError, match="4 numbers"):
        genv.to_action([0.1, 38.0, 1.0])
    with pytest.raises(ValueError, match="not finite"):
        genv.to_action([np.nan, 38.0, 1.0, 1.0])


def test_render_modes_and_close():
    assert genv.CurlingEnv(rules()).render() is None
    text_env = genv.CurlingEnv(rules(), render_mode="ansi")
    text_env.reset(seed=0)
    text_env.step([0.0, 38.405, 0.0, 1.0])
    text = text_env.render()
    assert isinstance(text, str) and "end 1, delivery 3" in text and "stone  0 team 0" in text
    svg_env = genv.CurlingEnv(rules(), render_mode="svg")
    svg_env.reset(seed=0)
    picture = svg_env.render()
    assert isinstance(picture, str) and picture.startswith("<svg") and "first delivery" in picture
    svg_env.step([0.0, 38.405, 0.0, 1.0])
    assert svg_env.render() == svg_env.game._repr_svg_() and svg_env.render().startswith("<svg")
    svg_env.close()
    svg_env.close()


def test_gymnasium_check_env_when_installed():
    try:
        import gymnasium
        from gymnasium.utils.env_checker import check_env
    except ImportError:
        pytest.skip("gymnasium is not installed: its check_env did not run (the tests above check the same)")
    env = genv.CurlingEnv(rules())
    assert isinstance(env, gymnasium.Env)
    check_env(env)
    made = gymnasium.make(genv.ENV_ID, rules=rules())
    assert made.spec.id == genv.ENV_ID


# --- VectorCurlingEnv ---------------------------------------------------------


def vector_runs(vector, seed, episodes, act):
    """Each slot's steps (observation bytes, reward, terminated) over `episodes` episodes."""
    observations, _ = vector.reset(seed=seed)
    runs = [[(o.tobytes(), None, False)] for o in observations]
    done = np.zeros(vector.num_envs, int)
    while np.any(done < episodes):
        actions = np.stack([act(o) for o in observations])
        previous = done.copy()
        observations, rewards, terminated, truncated, infos = vector.step(actions)
        assert not truncated.any()
        for i in range(vector.num_envs):
            if previous[i] < episodes:
                runs[i].append((observations[i].tobytes(), rewards[i], bool(terminated[i])))
        done += terminated
    return runs


def single_runs(rules_, seed, episodes, act):
    """What a CurlingEnv gives the same slot: reset(seed), then reset() after each episode."""
    env = genv.CurlingEnv(rules_)
    observation, _ = env.reset(seed=seed)
    run = [(observation.tobytes(), None, False)]
    for episode in range(episodes):
        while True:
            observation, reward, terminated, _, _ = env.step(act(observation))
            run.append((observation.tobytes(), reward, terminated))
            if terminated:
                break
        if episode + 1 < episodes:
            observation, _ = env.reset()
            run.append((observation.tobytes(), 0.0, False))  # the autoreset step
    return run


def test_vector_of_eight_equals_eight_single_environments():
    act = policy_of_observation()
    runs = vector_runs(genv.VectorCurlingEnv(8, glidestone.Rules(**NOISY), threads=2), 100, 2, act)
    for i, run in enumerate(runs):
        assert run == single_runs(glidestone.Rules(**NOISY), 100 + i, 2, act), i


def test_vector_of_one_equals_curling_env_and_threads_change_nothing():
    act = policy_of_observation("release")
    one = genv.VectorCurlingEnv(1, rules(), action="release", threads=1)
    assert vector_runs(one, 7, 2, act)[0] == single_runs_release(7, act)
    two = vector_runs(genv.VectorCurlingEnv(3, rules(), action="release", threads=2), 7, 1, act)
    single = vector_runs(genv.VectorCurlingEnv(3, rules(), action="release", threads=1), 7, 1, act)
    assert two == single


def single_runs_release(seed, act):
    env = genv.CurlingEnv(rules(), action="release")
    observation, _ = env.reset(seed=seed)
    run = [(observation.tobytes(), None, False)]
    for episode in range(2):
        while True:
            observation, reward, terminated, _, _ = env.step(act(observation))
            run.append((observation.tobytes(), reward, terminated))
            if terminated:
                break
        if episode == 0:
            observation, _ = env.reset()
            run.append((observation.tobytes(), 0.0, False))
    return run


def test_vector_api_spaces_infos_and_autoreset():
    vector = genv.VectorCurlingEnv(2, rules(ends=1, stones_per_team=1), team=1)
    assert vector.num_envs == 2
    assert vector.single_observation_space == genv.observation_space(vector.rules)
    assert vector.observation_space.shape == (2, genv.OBSERVATION_SIZE)
    assert vector.action_space.shape == (2, 4) and vector.single_action_space.shape == (4,)
    assert str(vector.metadata["autoreset_mode"]).endswith(("NEXT_STEP", "NextStep"))
    with pytest.raises(RuntimeError):
        vector.step(np.zeros((2, 4), np.float32))
    observations, infos = vector.reset(seed=[5, 6])
    assert observations.shape == (2, 68) and observations.dtype == np.float32
    assert vector.observation_space.contains(observations)
    assert infos["_end"].tolist() == [True, True] and infos["end"].tolist() == [1, 1]
    # Team 1 has the hammer: one stone each, so the learner's only delivery ends the game.
    actions = np.array([[0.0, 38.405, 0.0, 1.0]] * 2, np.float32)
    observations, rewards, terminated, truncated, infos = vector.step(actions)
    assert terminated.tolist() == [True, True] and set(rewards.tolist()) <= {-1.0, 0.0, 1.0}
    assert len(infos["outcomes"][0]) == 1 and infos["outcomes"][0][0].team == 1
    observations, rewards, terminated, truncated, infos = vector.step(actions)
    assert rewards.tolist() == [0.0, 0.0] and terminated.tolist() == [False, False]
    assert np.all(observations[:, genv.OBS_DELIVERY] == 2)  # new games, after the opponent's first stone
    assert vector.render() is None
    with pytest.raises(ValueError):
        vector.step(actions[:1])
    vector.close()
    assert vector.closed


# --- CurlingAECEnv: what PettingZoo's api_test and seed_test check ---------------


def play_aec(env, seed, act):
    """Every (agent, observation bytes, cumulative reward, terminated, truncated) of one game."""
    env.reset(seed=seed)
    steps = []
    for agent in env.agent_iter():
        observation, reward, terminated, truncated, info = env.last()
        steps.append((agent, observation.tobytes(), reward, terminated, truncated))
        env.step(None if terminated or truncated else act(observation))
    return steps


def test_aec_api():
    env = genv.CurlingAECEnv(rules(), reward="end")
    assert env.possible_agents == ["team_0", "team_1"]
    env.reset(seed=0)
    assert env.agents == ["team_0", "team_1"] and env.num_agents == 2 and env.max_num_agents == 2
    for agent in env.possible_agents:
        assert env.observation_space(agent) is env.observation_space(agent)
        assert env.action_space(agent).shape == (4,)
    act = policy_of_observation()
    totals = {"team_0": 0.0, "team_1": 0.0}
    finished_seen = []
    for agent in env.agent_iter():
        observation, reward, terminated, truncated, info = env.last()
        assert env.observation_space(agent).contains(observation)
        assert np.array_equal(observation, env.observe(agent))
        assert set(env.rewards) == set(env.agents) == set(env._cumulative_rewards) == set(env.infos)
        assert sum(env.rewards.values()) == 0  # zero-sum
        totals[agent] += reward
        if terminated or truncated:
            with pytest.raises(ValueError):
                env.step(act(observation))
            finished_seen.append(agent)
            env.step(None)
            continue
        assert env.game.state.team_to_deliver == int(agent[-1])
        assert observation[genv.OBS_HAMMER] == (env.game.state.hammer == int(agent[-1]))
        env.step(act(observation))
        assert "outcome" in env.infos[agent]
    assert env.agents == [] and sorted(finished_seen) == ["team_0", "team_1"]
    a, b = env.game.state.totals
    assert totals == {"team_0": a - b, "team_1": b - a}
    assert isinstance(env.state(), np.ndarray) and env.state_space.contains(env.state())


def test_aec_game_rewards_go_to_both_at_the_end():
    env = genv.CurlingAECEnv(rules())
    for seed in range(4):
        steps = play_aec(env, seed, policy_of_observation())
        finals = {agent: reward for agent, _, reward, terminated, _ in steps if terminated}
        rewards_before = [reward for _, _, reward, terminated, _ in steps if not terminated]
        assert all(r == 0 for r in rewards_before)
        a, b = env.game.state.totals
        assert finals == {"team_0": float(np.sign(a - b)), "team_1": float(np.sign(b - a))}


def test_aec_seeding():
    act = policy_of_observation()
    env = genv.CurlingAECEnv(glidestone.Rules(**NOISY))
    first = play_aec(env, 3, act)
    assert play_aec(genv.CurlingAECEnv(glidestone.Rules(**NOISY)), 3, act) == first
    assert play_aec(env, 4, act) != first


def test_aec_render():
    env = genv.CurlingAECEnv(rules(), render_mode="ansi")
    env.reset(seed=0)
    assert "end 1, delivery 1" in env.render()
    env = genv.CurlingAECEnv(rules(), render_mode="svg")
    env.reset(seed=0)
    assert "<svg" in env.render()
    assert genv.CurlingAECEnv(rules()).render() is None


def test_pettingzoo_api_test_when_installed():
    try:
        import pettingzoo
        from pettingzoo.test import api_test, seed_test
    except ImportError:
        pytest.skip("pettingzoo is not installed: its api_test and seed_test did not run (the tests above check the same)")
    assert isinstance(genv.CurlingAECEnv(), pettingzoo.AECEnv)
    api_test(genv.CurlingAECEnv(rules()), num_cycles=100)
    seed_test(lambda: genv.CurlingAECEnv(glidestone.Rules(**NOISY)), num_cycles=50)


# --- wrappers -------------------------------------------------------------------


def observation_with(stones):
    """An observation with stones given as (number, x, y, own)."""
    observation = np.zeros(genv.OBSERVATION_SIZE, np.float32)
    for number, x, y, own in stones:
        observation[4 * number : 4 * number + 4] = (x, y, 1.0, own)
    return observation


def test_image_planes():
    images = wrappers.house_planes(observation_with([(0, 0.0, 38.405, 1), (9, -1.0, 33.0, 0), (10, 0.0, 20.0, 0)]))
    assert images.shape == (3, 32, 32) and images.dtype == np.float32
    x_min, x_max, y_min, y_max = wrappers.HOUSE_REGION
    column = int((0.0 - x_min) / (x_max - x_min) * 32)
    row = int((y_max - 38.405) / (y_max - y_min) * 32)
    assert images[0, row, column] == 1 and images[1, row, column] == 0
    assert images[0].sum() >= 1 and images[0].sum() <= 6  # one stone: its own pixel and near neighbours
    far_row = int((y_max - 33.0) / (y_max - y_min) * 32)
    far_column = int((-1.0 - x_min) / (x_max - x_min) * 32)
    assert images[1, far_row, far_column] == 1
    assert images[1].sum() <= 6  # stone 10, short of the region, is not drawn
    assert images[2, row, column] == 1 and images[2, 0, 0] == 0 and images[2, 31, 31] == 0
    house_pixels = images[2].sum() * ((x_max - x_min) / 32) * ((y_max - y_min) / 32)
    assert abs(house_pixels - np.pi * 1.829**2) < 0.15 * np.pi * 1.829**2
    not_in_play = observation_with([(0, 0.0, 38.405, 1)])
    not_in_play[2] = 0.0
    assert wrappers.house_planes(not_in_play)[0].sum() == 0
    batch = wrappers.house_planes(np.stack([observation_with([]), observation_with([(3, 0.5, 36.0, 1)])]), 16, 24)
    assert batch.shape == (2, 3, 16, 24) and batch[0, 0].sum() == 0 and batch[1, 0].sum() >= 1
    with pytest.raises(ValueError):
        wrappers.house_planes(np.zeros(10))


def test_image_observation_wrapper_follows_the_game():
    env = wrappers.ImageObservation(genv.CurlingEnv(rules()), 32, 32)
    assert env.observation_space.shape == (3, 32, 32)
    image, _ = env.reset(seed=2)
    assert env.observation_space.contains(image)
    for _ in range(2):
        image, *_ = env.step([0.3, 38.0, 0.0, 1.0])
        assert env.observation_space.contains(image)
        flat = genv.observation(env.unwrapped.game.state, 0)
        assert np.array_equal(image, wrappers.house_planes(flat))


def test_discrete_actions_order_and_play():
    inner = genv.CurlingEnv(rules())
    env = wrappers.DiscreteActions(inner, xs=[-1.0, 0.0, 1.0], ys=[36.0, 38.405], spins=(1, -1))
    assert env.action_space.n == 3 * 2 * 2 * 2
    for ix, x in enumerate([-1.0, 0.0, 1.0]):
        for iy, y in enumerate([36.0, 38.405]):
            for p in (0, 1):
                for s, spin in enumerate((1, -1)):
                    index = ((ix * 2 + iy) * 2 + p) * 2 + s
                    assert env.table[index].tolist() == [x, np.float32(y), p, spin]
                    assert env.index(x, y, p, spin) == index
                    assert env.shot(index) == glidestone.Shot(x, float(np.float32(y)), bool(p), spin)
    assert wrappers.DiscreteActions(genv.CurlingEnv(rules())).action_space.n == 324
    env.reset(seed=0)
    env.step(7)  # x -1.0, y 38.405, pass, clockwise
    delivery = env.unwrapped.game.record[1]
    assert '"action":{"shot":[-1.0,-38.404998779296875,-1.0]}' in delivery  # a pass is a negative y
    with pytest.raises(ValueError):
        env.action(24)
    with pytest.raises(ValueError):
        wrappers.DiscreteActions(genv.CurlingEnv(rules(), action="release"))


def test_environments_pickle_their_settings():
    env = genv.CurlingEnv(rules(), reward="end")
    copy = pickle.loads(pickle.dumps(env))
    assert copy.rules == env.rules and copy.reward_kind == "end"


def test_the_environments_fast_reads_equal_the_game_state():
    # The environments read a status tuple and an observation built in the
    # extension after every delivery; both must say what GameState says.
    game = glidestone.Game(rules(ends=2, free_guard_zone_stones=0), seed=11)
    generator = np.random.default_rng(3)
    policy = genv.RandomPolicy(seed=4)
    checked = 0
    while True:
        state = game.state
        status = game._game.status()
        assert status == (
            state.finished,
            state.team_to_deliver,
            state.end,
            state.delivery,
            state.hammer,
            int(state.totals[0]),
            int(state.totals[1]),
            state.winner,
        )
        for team in (0, 1):
            fast = game._game.observation(team)
            assert fast.dtype == np.float32 and fast.shape == (genv.OBSERVATION_SIZE,)
            np.testing.assert_array_equal(fast, genv.observation(state, team))
        checked += 1
        if state.finished:
            break
        action = policy(None) if generator.random() < 0.8 else np.float32([0.0, 38.4, 1.0, 1.0])
        game.play(genv.to_action(action))
    assert checked > 10
    with pytest.raises(ValueError, match="team must be 0 or 1"):
        game._game.observation(2)


def test_raw_actions_are_the_actions_to_action_gives():
    from glidestone import games

    for kind, action in [
        ("target", np.float32([0.3, 38.0, 0.7, -0.2])),
        ("target", np.float64([-1.0, 35.0, 0.2, 0.0])),
        ("release", np.float32([0.05, 2.3, 1.5])),
    ]:
        assert genv._raw_action(action, kind) == games._action(genv.to_action(action, kind))
    # Anything else takes to_action's road, with its errors.
    with pytest.raises(ValueError, match="not finite"):
        genv._raw_action(np.float32([0.0, np.nan, 0.0, 1.0]), "target")
    with pytest.raises(ValueError):
        genv._raw_action(np.float32([0.0, -1.0, 0.0, 1.0]), "target")
    with pytest.raises(ValueError, match="4 numbers"):
        genv._raw_action(np.float32([0.0, 38.0, 0.0]), "target")
    shot = glidestone.Shot(0.1, 37.0, True, -1)
    assert genv._raw_action(shot, "target") == games._action(shot)
