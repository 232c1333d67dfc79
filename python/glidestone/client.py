"""A client of a running ``glidestone-server``, for agents on another machine than the simulator.

``Client(host, port)`` connects; ``handle(line)`` sends one request line and
returns the reply text, exactly what ``Session.handle`` returns for the same
line after the same earlier lines (one connection is one session: the server
serves one client and exits when it closes). The server answers each request
with one JSON object and no terminator, so the client reads until the bytes
received form one complete JSON object.
"""

from __future__ import annotations

import socket
from typing import Optional, Union

__all__ = ["Client", "ClientError", "ServerClosed"]


class ClientError(ConnectionError):
    """The connection to the server failed or cannot be used any more."""


class ServerClosed(ClientError):
    """The server closed the connection before a complete reply.

    The server does so when it refuses a request (bad JSON, wrong types,
    refused values; its standard error says why), as ``Session.handle`` would
    raise ``RequestError``; the connection is then over.
    """


class _ObjectEnd:
    """Finds where the first complete JSON object of a byte stream ends (strings and escapes understood)."""

    def __init__(self) -> None:
        self.depth = 0
        self.started = False
        self.in_string = False
        self.escaped = False

    def feed(self, data: bytes) -> int:
        """The index just past the object's closing brace in `data`, or -1 if it has not ended."""
        for index, byte in enumerate(data):
            if self.in_string:
                if self.escaped:
                    self.escaped = False
                elif byte == 0x5C:  # backslash
                    self.escaped = True
                elif byte == 0x22:  # quote
                    self.in_string = False
            elif byte == 0x22:
                self.in_string = True
            elif byte in (0x7B, 0x5B):  # { [
                self.depth += 1
                self.started = True
            elif byte in (0x7D, 0x5D):  # } ]
                self.depth -= 1
                if self.started and self.depth == 0:
                    return index + 1
        return -1


class Client:
    """One connection to a ``glidestone-server``.

    Client(host="127.0.0.1", port=10000, timeout=30.0, connect_timeout=None)

    port is the TCP port: ``glidestone-server N`` listens on N + 10000.
    timeout: seconds a reply may take (None: wait for ever); a shot takes at
    most about a second. connect_timeout: seconds to connect (default the same
    as timeout). Raises ConnectionRefusedError, TimeoutError or another
    OSError naming the address when it cannot connect.

    Use it as a context manager or call ``close()``; after a timeout or a
    closed connection the client is closed and further calls raise
    ClientError (the server's state is unknown then: start a new server).
    """

    def __init__(
        self,
        host: str = "127.0.0.1",
        port: int = 10000,
        timeout: Optional[float] = 30.0,
        connect_timeout: Optional[float] = None,
    ) -> None:
        if isinstance(port, bool) or not isinstance(port, int) or not 0 < port < 65536:
            raise ValueError(f"port must be an int from 1 to 65535, not {port!r}")
        for name, value in (("timeout", timeout), ("connect_timeout", connect_timeout)):
            if value is not None and not value > 0:
                raise ValueError(f"{name} must be positive or None, not {value!r}")
        self.host, self.port, self.timeout = host, port, timeout
        wait = timeout if connect_timeout is None else connect_timeout
        try:
            self._socket: Optional[socket.socket] = socket.create_connection((host, port), timeout=wait)
        except OSError as error:
            raise type(error)(error.errno, f"cannot connect to glidestone-server at {host}:{port}: {error.strerror or error}") from error
        self._socket.settimeout(timeout)
        self._socket.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    @property
    def closed(self) -> bool:
        """Whether the connection has been closed (by close(), the context manager or a failure)."""
        return self._socket is None

    def handle(self, line: Union[str, bytes]) -> str:
        """The server's reply text for one request line (a JSON object), as ``Session.handle`` returns it.

        A single trailing line-feed is ignored; any other line-feed is a
        ValueError (nothing is sent). Raises TimeoutError when the reply takes
        longer than ``timeout``, ServerClosed when the server closes the
        connection instead of replying (it refused the request), ClientError
        on a closed client; the client is closed after any of those.
        """
        if isinstance(line, str):
            data = line.encode("utf-8", "surrogateescape")
        elif isinstance(line, (bytes, bytearray)):
            data = bytes(line)
        else:
            raise TypeError(f"line must be str or bytes, not {type(line).__name__}")
        if data.endswith(b"\n"):
            data = data[:-1]
        if b"\n" in data:
            raise ValueError("a request line must not contain a line-feed (one request a line)")
        if self._socket is None:
            raise ClientError(f"the client of {self.host}:{self.port} is closed")
        try:
            self._socket.sendall(data + b"\n")
            return self._read_reply().decode("utf-8", "surrogateescape")
        except socket.timeout as error:
            self.close()
            raise TimeoutError(f"no complete reply from {self.host}:{self.port} within {self.timeout} s") from error
        except ServerClosed:
            self.close()
            raise
        except OSError as error:
            self.close()
            raise ClientError(f"the connection to {self.host}:{self.port} failed: {error}") from error

    def _read_reply(self) -> bytes:
        assert self._socket is not None
        scanner = _ObjectEnd()
        received = bytearray()
        while True:
            chunk = self._socket.recv(65536)
            if not chunk:
                raise ServerClosed(
                    f"glidestone-server at {self.host}:{self.port} closed the connection without a complete reply "
                    f"({len(received)} bytes received); it refuses such a request (its standard error says why)"
                )
            end = scanner.feed(chunk)
            if end >= 0:
                received += chunk[:end]
                return bytes(received)
            received += chunk

    def close(self) -> None:
        """Closes the connection (the server then exits); calling it again does nothing."""
        if self._socket is not None:
            try:
                self._socket.close()
            finally:
                self._socket = None

    def __enter__(self) -> "Client":
        return self

    def __exit__(self, *args) -> bool:
        self.close()
        return False

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    def __repr__(self) -> str:
        return f"<glidestone.Client {self.host}:{self.port}{' closed' if self.closed else ''}>"
