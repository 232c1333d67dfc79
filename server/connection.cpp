#include "server/connection.h"

// <utility> before Asio: Boost 1.74's (Debian 12's default) uses
// std::exchange without including it, and GCC 12's headers no longer bring
// it in otherwise.
// clang-format off
#include <utility>
#include <boost/asio.hpp>
// clang-format on
#include <exception>
#include <iostream>
#include <string>

#include "protocol/request_handler.h"

namespace glidestone {

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

int SetupFailed(const char* operation, const boost::system::error_code& error) {
    std::cerr << "glidestone-server: " << operation << ": " << error.message() << std::endl;
    return 1;
}

}  // namespace

int Serve(std::uint16_t port) {
    asio::io_context io;
    boost::system::error_code error;

    tcp::acceptor acceptor(io);
    if (acceptor.open(tcp::v4(), error); error) return SetupFailed("open", error);
    if (acceptor.set_option(tcp::acceptor::reuse_address(true), error); error) return SetupFailed("set_option", error);
    if (acceptor.bind(tcp::endpoint(asio::ip::address_v4::any(), port), error); error)
        return SetupFailed("bind", error);
    if (acceptor.listen(asio::socket_base::max_listen_connections, error); error) return SetupFailed("listen", error);

    tcp::socket socket(io);
    if (acceptor.accept(socket, error); error) return SetupFailed("accept", error);
    // Each reply is one write answering one request: send it at once.
    socket.set_option(tcp::no_delay(true), error);
    std::cout << "connect" << std::endl;

    RequestHandler handler;
    for (;;) {
        // A fresh buffer for every request: bytes after the line-feed belong
        // to no request and go with it. The bound keeps a line without a
        // line-feed from growing without limit.
        asio::streambuf buffer(kMaxRequestLineBytes + 1);
        std::string line;
        std::size_t const length = asio::read_until(socket, buffer, '\n', error);
        // The iterators refer into the buffer sequence, which must outlive them.
        auto const data = buffer.data();
        if (!error) {
            auto const begin = asio::buffers_begin(data);
            line.assign(begin, begin + static_cast<std::ptrdiff_t>(length) - 1);
        } else if (error == asio::error::eof) {
            if (buffer.size() == 0) return 0;  // the client is done
            auto const begin = asio::buffers_begin(data);
            line.assign(begin, begin + static_cast<std::ptrdiff_t>(buffer.size()));
        } else if (error == asio::error::not_found) {
            std::cerr << "glidestone-server: request line longer than " << kMaxRequestLineBytes << " bytes"
                      << std::endl;
            return 1;
        } else {
            std::cout << "receive failed: " << error.message() << std::endl;
            // The empty line fails below, as any unreadable request does.
        }

        std::string reply;
        try {
            reply = handler.Handle(line);
        } catch (const std::exception& failure) {
            std::cerr << "glidestone-server: " << failure.what() << std::endl;
            socket.close(error);
            return 1;
        }
        // A failed write is noticed by the next read.
        asio::write(socket, asio::buffer(reply), error);
    }
}

}  // namespace glidestone
