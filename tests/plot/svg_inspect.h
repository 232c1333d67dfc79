#pragma once

// Reading back the SVG pictures in tests: elements, their attributes and
// whether the tags nest, without an XML library. Hand-written scanning, as
// std::regex recurses per character and overflows on long attribute values.

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace glidestone::plot::test {

struct Element {
    std::string name;
    std::string text;  // the start tag, from '<' to '>'

    std::optional<std::string> Attribute(const std::string& key) const {
        std::string const needle = " " + key + "=\"";
        std::size_t const at = text.find(needle);
        if (at == std::string::npos) return std::nullopt;
        std::size_t const start = at + needle.size();
        return text.substr(start, text.find('"', start) - start);
    }
    double Number(const std::string& key) const {
        std::optional<std::string> const value = Attribute(key);
        return value ? std::stod(*value) : std::nan("");
    }
    bool HasClass(const std::string& word) const {
        std::optional<std::string> const classes = Attribute("class");
        if (!classes) return false;
        std::string const padded = " " + *classes + " ";
        return padded.find(" " + word + " ") != std::string::npos;
    }
};

struct Tag {
    std::string name;
    bool closing = false;       // </name>
    bool self_closing = false;  // <name .../>
    std::size_t begin = 0;
    std::size_t end = 0;  // one past '>'
};

inline std::vector<Tag> Tags(const std::string& svg) {
    std::vector<Tag> tags;
    for (std::size_t at = svg.find('<'); at != std::string::npos; at = svg.find('<', at + 1)) {
        Tag tag;
        tag.begin = at;
        std::size_t i = at + 1;
        if (i < svg.size() && svg[i] == '/') tag.closing = true, ++i;
        std::size_t const name_start = i;
        while (i < svg.size() && std::isalpha(static_cast<unsigned char>(svg[i]))) ++i;
        tag.name = svg.substr(name_start, i - name_start);
        std::size_t const close = svg.find('>', i);
        if (tag.name.empty() || close == std::string::npos) continue;
        tag.self_closing = svg[close - 1] == '/';
        tag.end = close + 1;
        tags.push_back(tag);
    }
    return tags;
}

// Every start (or empty-element) tag, in document order.
inline std::vector<Element> Elements(const std::string& svg) {
    std::vector<Element> elements;
    for (const Tag& tag : Tags(svg))
        if (!tag.closing) elements.push_back({tag.name, svg.substr(tag.begin, tag.end - tag.begin)});
    return elements;
}

inline std::vector<Element> WithClass(const std::string& svg, const std::string& word, const std::string& name = "") {
    std::vector<Element> found;
    for (const Element& e : Elements(svg))
        if (e.HasClass(word) && (name.empty() || e.name == name)) found.push_back(e);
    return found;
}

// Empty when every tag is closed in order, '<' appears only in tags and
// nothing but whitespace follows the root; otherwise what is wrong.
inline std::string NestingFault(const std::string& svg) {
    std::vector<std::string> open;
    std::size_t end_of_root = std::string::npos;
    std::vector<Tag> const tags = Tags(svg);
    std::size_t lt = 0;
    for (char c : svg) lt += c == '<';
    if (lt != tags.size()) return "a '<' outside a tag";
    for (const Tag& tag : tags) {
        if (end_of_root != std::string::npos) return "content after the root element";
        if (tag.closing) {
            if (open.empty() || open.back() != tag.name) return "</" + tag.name + "> closes nothing open";
            open.pop_back();
            if (open.empty()) end_of_root = tag.end;
        } else if (!tag.self_closing) {
            open.push_back(tag.name);
        }
    }
    if (!open.empty()) return "<" + open.back() + "> never closed";
    if (end_of_root == std::string::npos) return "no root element";
    if (svg.find_first_not_of(" \n", end_of_root) != std::string::npos) return "text after the root element";
    return "";
}

// The numbers of a list such as "M1,2 3.5;-4L5e-3".
inline std::vector<double> Numbers(const std::string& text) {
    std::vector<double> numbers;
    const char* p = text.c_str();
    while (*p) {
        if (std::isdigit(static_cast<unsigned char>(*p)) ||
            (*p == '-' && std::isdigit(static_cast<unsigned char>(p[1])))) {
            char* end = nullptr;
            numbers.push_back(std::strtod(p, &end));
            p = end;
        } else {
            ++p;
        }
    }
    return numbers;
}

inline std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t const at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos) return parts;
        start = at + 1;
    }
}

}  // namespace glidestone::plot::test
