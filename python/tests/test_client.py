"""Client: a running glidestone-server's replies, exactly as Session.handle gives them."""

import os
import pathlib
import socket
import subprocess
import threading
import time

import pytest

import glidestone
from conftest import as_wire
from glidestone.client import Client, ClientError, ServerClosed

SERVER = os.environ.get("GLIDESTONE_SERVER") or str(
    pathlib.Path(__file__).parents[2] / "build" / "release" / "bin" / "glidestone-server"
)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Server:
    """A glidestone-server on a port of its own (it listens on N + 10000) and a Client connected to it."""

    def __init__(self, timeout=60.0):
        if not os.access(SERVER, os.X_OK):
            pytest.skip(f"no glidestone-server binary at {SERVER} (set GLIDESTONE_SERVER)")
        for _ in range(20):
            self.port = free_port()
            self.process = subprocess.Popen(
                [SERVER, str(self.port - 10000)], stdout=subprocess.PIPE, stderr=subprocess.PIPE
            )
            self.client = self._connect(timeout)
            if self.client is not None:
                return
            self.process.kill()
            self.process.wait()
        pytest.fail("could not start a glidestone-server on a free port")

    def _connect(self, timeout):
        while self.process.poll() is None:
            try:
                return Client("127.0.0.1", self.port, timeout=timeout)
            except ConnectionRefusedError:
                time.sleep(0.02)  # not listening yet
        return None  # it exited: the port was taken after all

    def finish(self):
        """Closes the client and returns the server's (exit status, stdout, stderr)."""
        self.client.close()
        out, err = self.process.communicate(timeout=60)
        return self.process.returncode, out.decode(), err.decode()


def outcome(handler, line):
    try:
        return handler.handle(as_wire(line))
    except glidestone.RequestError as failure:
        return "!error " + str(failure)


def test_replies_equal_session_handle_over_corpus_sequences(corpus):
    requests, _ = corpus
    # Sequences whose requests the server answers (a refused one ends a connection).
    checked = 0
    for sequence in requests[:40]:
        session = glidestone.Session()
        expected = [outcome(session, line) for line in sequence]
        if any(reply.startswith("!error") for reply in expected) or len(sequence) < 2:
            continue
        server = Server()
        with server.client as client:
            got = [client.handle(as_wire(line)) for line in sequence]
        assert got == expected
        status, out, _ = server.finish()
        assert (status, out) == (0, "connect\n")
        checked += 1
        if checked == 3:
            break
    assert checked == 3


def test_line_forms_and_a_refused_request():
    server = Server()
    client = server.client
    line = '{"shot":[0.1,37.5,1],"stone1":[0,0,0]}'
    session = glidestone.Session()
    assert client.handle(line + "\n") == session.handle(line)
    assert client.handle(line.encode()) == session.handle(line)
    with pytest.raises(ValueError, match="line-feed"):
        client.handle(line + "\n" + line)
    with pytest.raises(TypeError, match="str or bytes"):
        client.handle(42)
    with pytest.raises(ServerClosed, match="closed the connection"):
        client.handle("{not json")
    assert client.closed
    with pytest.raises(ClientError, match="closed"):
        client.handle(line)
    status, _, err = server.finish()
    assert status == 1 and "parse error" in err


def test_connection_refused_names_the_address():
    port = free_port()  # nothing listens there now
    with pytest.raises(ConnectionRefusedError, match=f"127.0.0.1:{port}"):
        Client("127.0.0.1", port, timeout=5)
    with pytest.raises(ValueError):
        Client("127.0.0.1", 0)


class FakeServer:
    """A listening socket whose one connection gets `chunks` after the first line (None: never replies)."""

    def __init__(self, chunks):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(1)
        self.port = self.listener.getsockname()[1]
        self.release = threading.Event()
        self.thread = threading.Thread(target=self._serve, args=(chunks,), daemon=True)
        self.thread.start()

    def _serve(self, chunks):
        connection, _ = self.listener.accept()
        with connection:
            received = b""
            while not received.endswith(b"\n"):
                received += connection.recv(4096)
            if chunks is None:
                self.release.wait(30)
                return
            for chunk in chunks:
                connection.sendall(chunk)
                time.sleep(0.01)  # separate reads
            self.release.wait(30)

    def stop(self):
        self.release.set()
        self.thread.join(30)
        self.listener.close()


def test_a_reply_split_over_reads_with_braces_in_strings_is_read_whole():
    reply = b'{"a":"}{\\"]","b":[1,{"c":[2,3]}],"d":"\\\\"}'
    fake = FakeServer([reply[:5], reply[5:12], reply[12:30], reply[30:]])
    try:
        with Client("127.0.0.1", fake.port, timeout=10) as client:
            assert client.handle("{}") == reply.decode()
    finally:
        fake.stop()


def test_timeout_closes_the_client():
    fake = FakeServer(None)
    try:
        client = Client("127.0.0.1", fake.port, timeout=0.3)
        with pytest.raises(TimeoutError, match="no complete reply"):
            client.handle("{}")
        assert client.closed
    finally:
        fake.stop()
