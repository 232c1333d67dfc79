// Feeds arbitrary bytes to the request handling as one request line. A line is
// either refused (the JSON library's errors, RequestError, ShotError) or
// answered; an answer must be a JSON object whose every stone lies at a finite
// position. Each input starts from a fresh handler, so any finding reproduces
// on its own, as a request to a freshly started server.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "server/request_handler.h"
#include "shot/shot.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& reply) {
    std::fprintf(stderr, "%s\nreply: %.2000s\n", what, reply.c_str());
    std::abort();
}

void CheckReply(const std::string& text) {
    nlohmann::json const reply = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!reply.is_object()) Fail("reply is not a JSON object", text);
    for (int n = 1; n <= 16; ++n) {
        auto const stone = reply.find("stone" + std::to_string(n));
        if (stone == reply.end() || !stone->is_array() || stone->size() < 2) Fail("reply lacks a stone", text);
        if (!(*stone)[0].is_number_float() || !(*stone)[1].is_number_float())
            Fail("a stone's rest position is not finite", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static glidestone::RequestHandler handler;
    handler.ResetToFreshState();
    std::string_view const line(reinterpret_cast<const char*>(data), size);
    std::string reply;
    try {
        reply = handler.Handle(line);
    } catch (const nlohmann::json::exception&) {
        return 0;
    } catch (const glidestone::RequestError&) {
        return 0;
    } catch (const glidestone::ShotError&) {
        return 0;
    }
    CheckReply(reply);
    return 0;
}
