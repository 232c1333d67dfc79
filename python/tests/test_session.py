"""Session.handle: the server's reply text, byte for byte, with the server's history."""

import json
import re

import pytest

import glidestone
from conftest import as_wire

ERROR = "!error "


def outcome(session, line):
    try:
        return session.handle(as_wire(line))
    except glidestone.RequestError as failure:
        return ERROR + str(failure)


def test_corpus_replayed_through_sessions_is_byte_identical(corpus):
    requests, outcomes = corpus
    mismatches = []
    for number, (sequence, expected) in enumerate(zip(requests, outcomes), start=1):
        session = glidestone.Session()
        for position, (line, want) in enumerate(zip(sequence, expected)):
            got = outcome(session, line)
            if got.encode("utf-8", "surrogateescape") != as_wire(want):
                mismatches.append((number, position, line[:80]))
    assert mismatches == []


def test_reset_makes_a_session_fresh_and_history_matters(corpus):
    requests, outcomes = corpus
    # A sequence whose later replies differ from a fresh server's: otherwise
    # this test would prove nothing about history.
    session = glidestone.Session()
    differs = 0
    for sequence, expected in zip(requests[:30], outcomes[:30]):
        for line, want in zip(sequence, expected):
            session.reset()
            differs += outcome(session, line) != want
    assert differs > 0
    session.reset()
    assert outcome(session, requests[0][0]) == outcomes[0][0]


def test_failures_raise_request_error_with_the_servers_message_and_the_session_goes_on():
    session = glidestone.Session()
    good = '{"shot":[0.1,37.5,1],"stone1":[0.3,38.0,1],"stone2":[0,0,0]}'
    first = session.handle(good)
    for bad, fragment in [
        ("{not json", "parse error"),
        ("[]", "cannot use operator[]"),
        ('{"stone1":[0,0,0],"shot":[0,35,true]}', "type must be number"),
        ('{"stone1":[0,0,0],"shot":[0,35,1e300]}', "spin"),
        ('{"stone1":[1e39,0,1],"shot":[0,35,1]}', "not finite"),
    ]:
        with pytest.raises(glidestone.RequestError, match=re.escape(fragment)):
            session.handle(bad)
    assert issubclass(glidestone.RequestError, ValueError)
    again = glidestone.Session()
    assert again.handle(good) == first
    assert json.loads(session.handle(good))["stone16"][2] == 1


def test_line_forms():
    line = '{"shot":[0.1,37.5,1],"stone1":[0,0,0]}'
    session = glidestone.Session()
    reply = session.handle(line)
    assert glidestone.Session().handle(line + "\n") == reply
    assert glidestone.Session().handle(line.encode()) == reply
    with pytest.raises(ValueError, match="line-feed"):
        session.handle(line + "\n" + line)
    with pytest.raises(TypeError, match="str or bytes"):
        session.handle(42)
    with pytest.raises(TypeError):
        session.handle(None)


def test_a_message_quoting_bytes_that_are_not_utf8_still_arrives():
    with pytest.raises(glidestone.RequestError) as failure:
        glidestone.Session().handle(b'{"a":\xff\xfe}')
    assert "parse error" in str(failure.value) and "\ufffd" in str(failure.value)
