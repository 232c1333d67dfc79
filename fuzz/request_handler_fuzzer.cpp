// Feeds arbitrary bytes to the request handling as one request line. A line is
// either refused (the JSON library's errors, RequestError, ShotError) or
// answered; an answer must be a JSON object whose every stone lies at a finite
// position. The handler's strict reader and the JSON document must agree on
// the outcome byte for byte. Each input starts from fresh handlers, so any
// finding reproduces on its own, as a request to a freshly started server.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "protocol/request_handler.h"
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

// The reply, or the kind and text of the error.
std::string Outcome(glidestone::RequestHandler& handler, std::string_view line, bool* answered) {
    *answered = false;
    try {
        std::string reply = handler.Handle(line);
        *answered = true;
        return reply;
    } catch (const nlohmann::json::exception& failure) {
        return std::string("json: ") + failure.what();
    } catch (const glidestone::RequestError& failure) {
        return std::string("request: ") + failure.what();
    } catch (const glidestone::ShotError& failure) {
        return std::string("shot: ") + failure.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static glidestone::RequestHandler handler;
    static glidestone::RequestHandler document = [] {
        glidestone::RequestHandler made;
        made.SetStrictReader(false);
        return made;
    }();
    handler.ResetToFreshState();
    document.ResetToFreshState();
    std::string_view const line(reinterpret_cast<const char*>(data), size);
    bool answered = false;
    bool document_answered = false;
    std::string const outcome = Outcome(handler, line, &answered);
    if (Outcome(document, line, &document_answered) != outcome || answered != document_answered)
        Fail("the strict reader and the JSON document disagree", outcome);
    if (answered) CheckReply(outcome);
    return 0;
}
