"""Players of whole games: the library's agents, as callables on a ``glidestone.Game``.

``RandomAgent``, ``HeuristicAgent`` and ``MonteCarloAgent`` are the agents of
``glidestone-game match`` (the README's "Agents and matches" tells what each
does); ``Agent(config)`` makes any of them from its config text, as the
command line names it (``"montecarlo:candidates=32,samples=64"``).

``agent(game)`` (or ``agent.act(game)``) returns the ``Shot`` or ``Release``
for the game's next delivery, for the team to deliver; ``game.play(agent(game))``
plays it. An agent is deterministic: its seed, the game's number and the
delivery's number decide every random draw, so a Python loop playing
``Game(rules, seed, g)`` with the agents seeded ``AgentSeed`` as a match seeds
them plays exactly that match's game g. The move is chosen in C++ with the GIL
released; one agent may serve several Python threads (their calls take
turns). Ctrl-C is seen once the move is chosen.

Environments: an opponent of ``glidestone.env.CurlingEnv`` (and
``VectorCurlingEnv``) is normally called with an observation, which holds too
little for these agents (the rules, totals and game number are not in it).
An agent has ``takes_game = True``, and the environments call such an
opponent with the ``glidestone.Game`` itself; on every reset they call its
``reseed(seed)``, so that the opponent's draws differ from episode to episode.

Agents pickle as their config and seed (so that Dask can ship them).
"""

from __future__ import annotations

from typing import Union

from . import _glidestone

__all__ = ["Agent", "HeuristicAgent", "MonteCarloAgent", "RandomAgent"]

_MAX_SEED = 2**64 - 1


def _seed(value) -> int:
    import numpy as np

    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"seed must be an int, not {type(value).__name__}")
    if not 0 <= value <= _MAX_SEED:
        raise ValueError(f"seed must be from 0 to 2**64 - 1, not {value}")
    return int(value)


class Agent:
    """An agent made from its config text: "random", "heuristic" or "montecarlo[:settings]".

    Agent(config, seed=0). ``config`` as ``glidestone-game match`` takes it:
    Monte Carlo settings follow a colon as name=value pairs separated by commas
    (candidates, samples, rollout, threads). Raises ValueError naming what is
    wrong with the text and TypeError for a config that is not a str.

    ``config``: the text; ``name``: "random", "heuristic" or "montecarlo";
    ``seed``: the seed of its draws.
    """

    #: Environments call an opponent with this set with the Game, not an observation.
    takes_game = True

    def __init__(self, config: str, seed: int = 0) -> None:
        if not isinstance(config, str):
            raise TypeError(f"an agent's config must be a str, not {type(config).__name__}")
        self._agent = _glidestone._Agent(config, _seed(seed))

    @property
    def config(self) -> str:
        """The config text that makes this agent (what a record's header names it by)."""
        return self._agent.config

    @property
    def name(self) -> str:
        """The agent's kind: "random", "heuristic" or "montecarlo"."""
        return self._agent.name

    @property
    def seed(self) -> int:
        """The seed of the agent's random draws."""
        return self._agent.seed

    def reseed(self, seed: int) -> None:
        """Draws from now on under ``seed`` (environments call it on every reset)."""
        self._agent = _glidestone._Agent(self.config, _seed(seed))

    def act(self, game):
        """The ``Shot`` or ``Release`` for the next delivery of ``game`` (a glidestone.Game).

        Raises ValueError for a finished game and TypeError for anything but a Game.
        """
        from . import Release, Shot
        from .games import Game

        if not isinstance(game, Game):
            raise TypeError(f"an agent acts on a glidestone.Game, not {type(game).__name__}")
        action = self._agent.act(game._game)
        if action[0] == "shot":
            return Shot(action[1], action[2], action[3], action[4])
        return Release(action[1], action[2], action[3])

    def __call__(self, game):
        """The same as ``act(game)``."""
        return self.act(game)

    def __reduce__(self):
        return (Agent, (self.config, self.seed))

    def __eq__(self, other) -> bool:
        return isinstance(other, Agent) and (self.config, self.seed) == (other.config, other.seed)

    def __hash__(self) -> int:
        return hash((self.config, self.seed))

    def __repr__(self) -> str:
        return f"Agent({self.config!r}, seed={self.seed})"


class RandomAgent(Agent):
    """Targets drawn in and around the house, a draw or a pass, either spin: the floor of any ladder.

    RandomAgent(seed=0); config "random".
    """

    def __init__(self, seed: int = 0) -> None:
        super().__init__("random", seed)

    def __reduce__(self):
        return (RandomAgent, (self.seed,))

    def __repr__(self) -> str:
        return f"RandomAgent(seed={self.seed})"


class HeuristicAgent(Agent):
    """A club curler's rules of thumb (hit the shot stone, guard our own early, draw to the button).

    HeuristicAgent(seed=0); config "heuristic". It draws no random number, so
    the seed changes nothing; it is taken for symmetry with the others.
    """

    def __init__(self, seed: int = 0) -> None:
        super().__init__("heuristic", seed)

    def __reduce__(self):
        return (HeuristicAgent, (self.seed,))

    def __repr__(self) -> str:
        return f"HeuristicAgent(seed={self.seed})"


def _setting(name: str, value, low: int, high: int) -> int:
    import numpy as np

    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be from {low} to {high}, not {value}")
    return int(value)


class MonteCarloAgent(Agent):
    """Weighs candidate shots by playing each many times under the game's noise, and plays the best.

    MonteCarloAgent(candidates=48, samples=144, rollout=1, threads=1, seed=0);
    config "montecarlo:candidates=C,samples=S,rollout=R,threads=T".

    candidates: shots weighed a move (the heuristic's choice, hits, a grid of
        draws and guards). samples: noisy deliveries of each. rollout:
        deliveries played on by the heuristic before the position is valued.
    threads: worker threads of one move (0: every core); the choice does not
        depend on it. The defaults take about a second a move on one core.
    """

    def __init__(
        self, candidates: int = 48, samples: int = 144, rollout: int = 1, threads: int = 1, seed: int = 0
    ) -> None:
        settings = {
            "candidates": _setting("candidates", candidates, 1, 9_999_999),
            "samples": _setting("samples", samples, 1, 9_999_999),
            "rollout": _setting("rollout", rollout, 0, 9_999_999),
            "threads": _setting("threads", threads, 0, 1024),
        }
        super().__init__("montecarlo:" + ",".join(f"{k}={v}" for k, v in settings.items()), seed)
        self.candidates = settings["candidates"]
        self.samples = settings["samples"]
        self.rollout = settings["rollout"]
        self.threads = settings["threads"]

    def __reduce__(self):
        return (MonteCarloAgent, (self.candidates, self.samples, self.rollout, self.threads, self.seed))

    def __repr__(self) -> str:
        return (
            f"MonteCarloAgent(candidates={self.candidates}, samples={self.samples}, rollout={self.rollout}, "
            f"threads={self.threads}, seed={self.seed})"
        )


AgentLike = Union[str, Agent]


def config_of(agent: AgentLike, what: str = "agent") -> str:
    """The config text of an agent or of a config text (checked); ValueError or TypeError naming ``what``."""
    if isinstance(agent, Agent):
        return agent.config
    if isinstance(agent, str):
        try:
            _glidestone._Agent(agent, 0)
        except ValueError as error:
            raise ValueError(f"{what}: {str(error).removeprefix('agent config: ')}") from None
        return agent
    raise TypeError(f"{what} must be a config str or a glidestone.agents.Agent, not {type(agent).__name__}")
