"""Shared fixtures: the recorded corpus and the paths the build passes in."""

import os
import pathlib

import pytest

DATA = pathlib.Path(os.environ.get("GLIDESTONE_TEST_DATA", pathlib.Path(__file__).parents[2] / "tests" / "data"))


def parse_sequences(text):
    """The corpus file format: '# sequence N' headers, one line per request or outcome."""
    sequences = []
    for line in text.split("\n")[:-1]:
        if line.startswith("# sequence "):
            assert int(line[len("# sequence "):]) == len(sequences) + 1
            sequences.append([])
        else:
            sequences[-1].append(line)
    return sequences


@pytest.fixture(scope="session")
def corpus():
    """(requests, outcomes): lists of sequences of lines, outcomes as recorded from the server's handling."""
    requests = parse_sequences((DATA / "corpus.jsonl").read_bytes().decode("utf-8", "surrogateescape"))
    outcomes = parse_sequences((DATA / "corpus_replies.txt").read_bytes().decode("utf-8", "surrogateescape"))
    assert len(requests) == len(outcomes) > 0
    return requests, outcomes


def as_wire(line):
    """A corpus line as the bytes a client sends (the corpus may hold bytes that are not UTF-8)."""
    return line.encode("utf-8", "surrogateescape")


@pytest.fixture(scope="session")
def batch_tool():
    path = os.environ.get("GLIDESTONE_BATCH")
    if not path or not os.access(path, os.X_OK):
        pytest.skip("GLIDESTONE_BATCH does not name the glidestone-batch binary")
    return path
