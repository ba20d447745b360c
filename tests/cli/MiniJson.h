#pragma once

#include <cctype>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::testing {

// A small strict JSON reader for checking the program's --json output: any
// syntax error throws, so a test that parses the output also proves it is
// valid JSON.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& key) const
    {
        const auto it = members.find(key);
        if (kind != Kind::Object || it == members.end())
            throw std::runtime_error("no member " + key);
        return it->second;
    }
};

class JsonReader {
public:
    static JsonValue Parse(const std::string& text)
    {
        JsonReader reader(text);
        JsonValue value = reader.value();
        reader.blanks();
        if (reader.at_ != text.size())
            throw std::runtime_error("text after the JSON value");
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : text_(text) {}

    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(at_));
    }
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    void blanks()
    {
        while (at_ < text_.size() && (peek() == ' ' || peek() == '\n' || peek() == '\t' || peek() == '\r'))
            ++at_;
    }
    void expect(char c)
    {
        blanks();
        if (peek() != c)
            fail(std::string("expected ") + c);
        ++at_;
    }
    void word(const std::string& w)
    {
        if (text_.compare(at_, w.size(), w) != 0)
            fail("expected " + w);
        at_ += w.size();
    }

    JsonValue value()
    {
        blanks();
        JsonValue v;
        const char c = peek();
        if (c == '{') {
            v.kind = JsonValue::Kind::Object;
            ++at_;
            blanks();
            if (peek() == '}') { ++at_; return v; }
            for (;;) {
                blanks();
                std::string key = string();
                expect(':');
                v.members[key] = value();
                blanks();
                if (peek() == ',') { ++at_; continue; }
                expect('}');
                return v;
            }
        }
        if (c == '[') {
            v.kind = JsonValue::Kind::Array;
            ++at_;
            blanks();
            if (peek() == ']') { ++at_; return v; }
            for (;;) {
                v.items.push_back(value());
                blanks();
                if (peek() == ',') { ++at_; continue; }
                expect(']');
                return v;
            }
        }
        if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.text = string();
            return v;
        }
        if (c == 't' || c == 'f') {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = c == 't';
            word(c == 't' ? "true" : "false");
            return v;
        }
        if (c == 'n') {
            word("null");
            return v;
        }
        v.kind = JsonValue::Kind::Number;
        const std::size_t start = at_;
        if (peek() == '-') ++at_;
        if (!std::isdigit(static_cast<unsigned char>(peek()))) fail("expected a value");
        while (std::isdigit(static_cast<unsigned char>(peek())) || peek() == '.' || peek() == 'e' || peek() == 'E' ||
               peek() == '+' || peek() == '-')
            ++at_;
        v.number = std::stod(text_.substr(start, at_ - start));
        return v;
    }

    static void appendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) { out += static_cast<char>(code); return; }
        if (code < 0x800) { out += static_cast<char>(0xC0 | code >> 6); }
        else { out += static_cast<char>(0xE0 | code >> 12); out += static_cast<char>(0x80 | (code >> 6 & 0x3F)); }
        out += static_cast<char>(0x80 | (code & 0x3F));
    }

    std::string string()
    {
        if (peek() != '"') fail("expected a string");
        ++at_;
        std::string out;
        for (;;) {
            if (at_ >= text_.size()) fail("unterminated string");
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return out;
            if (c < 0x20) fail("raw control character in a string");
            if (c != '\\') { out += static_cast<char>(c); continue; }
            const char e = text_[at_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (at_ + 4 > text_.size()) fail("short \\u escape");
                appendUtf8(out, static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16)));
                at_ += 4;
                break;
            }
            default: fail("unknown escape");
            }
        }
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

}  // namespace vantrel::testing
