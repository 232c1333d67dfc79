#include "protocol/strict_request.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>
#include <system_error>

namespace glidestone {

namespace {

// Reads the grammar above from a line, and nothing more: every refusal is
// the caller's cue to take the JSON library's way.
class Reader {
public:
    explicit Reader(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {}

    void SkipSpace() {
        while (at_ != end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r')) ++at_;
    }

    bool AtEnd() const { return at_ == end_; }

    bool Take(char c) {
        SkipSpace();
        if (at_ == end_ || *at_ != c) return false;
        ++at_;
        return true;
    }

    // A member name without escapes: 0 for "shot", N for "stoneN" (1 to 15,
    // no leading zero), -1 for anything else.
    int MemberName() {
        if (!Take('"')) return -1;
        const char* const begin = at_;
        while (at_ != end_ && *at_ != '"' && *at_ != '\\') ++at_;
        if (at_ == end_ || *at_ != '"') return -1;
        std::string_view const name(begin, static_cast<std::size_t>(at_ - begin));
        ++at_;
        if (name == "shot") return 0;
        if (name.size() < 6 || name.size() > 7 || name.substr(0, 5) != "stone") return -1;
        int n = 0;
        for (char c : name.substr(5)) {
            if (c < '0' || c > '9') return -1;
            n = 10 * n + (c - '0');
        }
        if (name[5] == '0' || n > 15) return -1;
        return n;
    }

    // A JSON number. Integers of up to nine digits are kept as integers, as
    // the library keeps them; longer ones are left to it (it would hold some
    // as unsigned, some as doubles, and the handler narrows them to int).
    bool Number(StrictNumber* out) {
        SkipSpace();
        const char* const begin = at_;
        const char* p = at_;
        bool const negative = p != end_ && *p == '-';
        if (negative) ++p;
        const char* const digits = p;
        if (p == end_) return false;
        if (*p == '0') {
            ++p;
        } else if (*p >= '1' && *p <= '9') {
            while (p != end_ && *p >= '0' && *p <= '9') ++p;
        } else {
            return false;
        }
        const char* const integer_end = p;
        bool integer = true;
        if (p != end_ && *p == '.') {
            ++p;
            if (!SkipDigits(&p)) return false;
            integer = false;
        }
        if (p != end_ && (*p == 'e' || *p == 'E')) {
            ++p;
            if (p != end_ && (*p == '+' || *p == '-')) ++p;
            if (!SkipDigits(&p)) return false;
            integer = false;
        }
        at_ = p;
        out->integer = integer;
        if (integer) {
            if (integer_end - digits > 9) return false;
            std::int64_t value = 0;
            for (const char* d = digits; d != integer_end; ++d) value = 10 * value + (*d - '0');
            // "-0" is the integer 0, as the library reads it.
            out->as_integer = negative ? -value : value;
            out->value = static_cast<double>(out->as_integer);
            return true;
        }
        // Correctly rounded, as the library's strtod is. Out of range (an
        // infinity or an underflow) is left to the library.
        auto const [end, error] = std::from_chars(begin, p, out->value, std::chars_format::general);
        return error == std::errc() && end == p && std::isfinite(out->value);
    }

    bool Triple(StrictRequest::Triple* out) {
        return Take('[') && Number(&(*out)[0]) && Take(',') && Number(&(*out)[1]) && Take(',') && Number(&(*out)[2]) &&
               Take(']');
    }

private:
    const char* at_;
    const char* end_;

    bool SkipDigits(const char** p) const {
        const char* const first = *p;
        while (*p != end_ && **p >= '0' && **p <= '9') ++*p;
        return *p != first;
    }
};

void AppendDouble(std::string* out, double value) {
    // As the library's serialiser: non-finite numbers become null.
    if (!std::isfinite(value)) {
        out->append("null");
        return;
    }
    char buffer[64];
    char* const end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value);
    out->append(buffer, end);
}

void AppendNumber(std::string* out, const StrictNumber& number) {
    if (!number.integer) {
        AppendDouble(out, number.value);
        return;
    }
    char buffer[24];
    auto const result = std::to_chars(buffer, buffer + sizeof buffer, number.as_integer);
    out->append(buffer, result.ptr);
}

}  // namespace

std::optional<StrictRequest> ReadStrictRequest(std::string_view line) {
    StrictRequest request;
    bool shot_seen = false;
    Reader reader(line);
    if (!reader.Take('{')) return std::nullopt;
    if (!reader.Take('}')) {
        do {
            int const member = reader.MemberName();
            if (member < 0 || !reader.Take(':')) return std::nullopt;
            if (member == 0) {
                if (shot_seen || !reader.Triple(&request.shot)) return std::nullopt;
                shot_seen = true;
            } else {
                auto const index = static_cast<std::size_t>(member - 1);
                if (request.listed[index] || !reader.Triple(&request.stones[index])) return std::nullopt;
                request.listed[index] = true;
            }
        } while (reader.Take(','));
        if (!reader.Take('}')) return std::nullopt;
    }
    reader.SkipSpace();
    if (!reader.AtEnd() || !shot_seen) return std::nullopt;
    return request;
}

std::string WriteStrictReply(const StrictRequest& request, const AllStones& rest, Vector2 velocity) {
    std::string reply;
    reply.reserve(1024);
    reply.append(R"({"shot":[)");
    AppendDouble(&reply, static_cast<double>(velocity.x));
    reply.push_back(',');
    AppendDouble(&reply, static_cast<double>(velocity.y));
    reply.push_back(',');
    AppendNumber(&reply, request.shot[2]);
    reply.push_back(']');
    // The names in the order of a sorted map.
    for (int n : {1, 10, 11, 12, 13, 14, 15, 16, 2, 3, 4, 5, 6, 7, 8, 9}) {
        auto const index = static_cast<std::size_t>(n - 1);
        reply.append(R"(,"stone)");
        reply.append(std::to_string(n));
        reply.append(R"(":[)");
        AppendDouble(&reply, static_cast<double>(rest[index].position.x));
        reply.push_back(',');
        AppendDouble(&reply, static_cast<double>(rest[index].position.y));
        if (n == 16) {
            reply.append(",1");
        } else if (request.listed[index]) {
            reply.push_back(',');
            AppendNumber(&reply, request.stones[index][2]);
        }
        reply.push_back(']');
    }
    reply.push_back('}');
    return reply;
}

}  // namespace glidestone
