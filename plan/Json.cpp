#include "plan/Json.h"

#include <cstdio>

namespace tulex::plan {

const JsonMember* JsonValue::Find(std::string_view key) const {
    for (const auto& m : members)
        if (m.key == key) return &m;
    return nullptr;
}

namespace {

constexpr int kMaxDepth = 64;

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document(JsonError& error) {
        SkipBlanks();
        JsonValue value;
        if (!Value(value, 0)) {
            error = error_;
            return std::nullopt;
        }
        SkipBlanks();
        if (at_ < text_.size()) {
            Fail("после конца данных JSON стоит ещё текст");
            error = error_;
            return std::nullopt;
        }
        return value;
    }

private:
    bool Fail(std::string message) {
        error_ = {line_, column_, std::move(message)};
        return false;
    }

    // Moves past one byte, counting lines and characters.
    void Step() {
        const unsigned char c = static_cast<unsigned char>(text_[at_++]);
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column_;  // a continuation byte belongs to the character before it
        }
    }

    void SkipBlanks() {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
            Step();
        }
    }

    bool Literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return Fail("неверное значение JSON");
        for (std::size_t i = 0; i < word.size(); ++i) Step();
        return true;
    }

    bool Value(JsonValue& value, int depth) {
        if (depth > kMaxDepth) return Fail("слишком глубокая вложенность JSON");
        value.line = line_;
        value.column = column_;
        if (at_ >= text_.size()) return Fail("данные JSON обрываются");
        const char c = text_[at_];
        switch (c) {
        case '{': return Object(value, depth);
        case '[': return Array(value, depth);
        case '"': value.kind = JsonValue::Kind::String; return String(value.text);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return Literal("true");
        case 'f': value.kind = JsonValue::Kind::Bool; return Literal("false");
        case 'n': value.kind = JsonValue::Kind::Null; return Literal("null");
        default:
            if (c == '-' || (c >= '0' && c <= '9')) return Number(value);
            return Fail("неверное значение JSON");
        }
    }

    bool Digits() {
        const std::size_t from = at_;
        while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') Step();
        return at_ > from;
    }

    bool Number(JsonValue& value) {
        value.kind = JsonValue::Kind::Number;
        const std::size_t from = at_;
        if (text_[at_] == '-') Step();
        if (at_ < text_.size() && text_[at_] == '0') {
            Step();
        } else if (!Digits()) {
            return Fail("неверное число");
        }
        if (at_ < text_.size() && text_[at_] == '.') {
            Step();
            if (!Digits()) return Fail("неверное число");
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            Step();
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) Step();
            if (!Digits()) return Fail("неверное число");
        }
        value.text = std::string(text_.substr(from, at_ - from));
        return true;
    }

    static void AppendUtf8(std::string& out, char32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    bool Hex4(char32_t& cp) {
        cp = 0;
        for (int i = 0; i < 4; ++i) {
            if (at_ >= text_.size()) return Fail("данные JSON обрываются");
            const char c = text_[at_];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return Fail("неверная последовательность \\u в строке");
            cp = cp * 16 + static_cast<char32_t>(digit);
            Step();
        }
        return true;
    }

    bool String(std::string& out) {
        Step();  // the opening quote
        while (true) {
            if (at_ >= text_.size()) return Fail("строка не закрыта кавычкой");
            const char c = text_[at_];
            if (c == '"') {
                Step();
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) return Fail("управляющий символ внутри строки");
            if (c != '\\') {
                out += c;
                Step();
                continue;
            }
            Step();
            if (at_ >= text_.size()) return Fail("строка не закрыта кавычкой");
            const char e = text_[at_];
            Step();
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
                char32_t cp = 0;
                if (!Hex4(cp)) return false;
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    char32_t low = 0;
                    if (text_.substr(at_, 2) != "\\u") return Fail("неполная суррогатная пара в строке");
                    Step();
                    Step();
                    if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return Fail("неполная суррогатная пара в строке");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    return Fail("неполная суррогатная пара в строке");
                }
                AppendUtf8(out, cp);
                break;
            }
            default: return Fail("неверная escape-последовательность в строке");
            }
        }
    }

    bool Array(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Array;
        Step();
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == ']') {
            Step();
            return true;
        }
        while (true) {
            SkipBlanks();
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
            SkipBlanks();
            if (at_ >= text_.size()) return Fail("список не закрыт скобкой «]»");
            if (text_[at_] == ']') {
                Step();
                return true;
            }
            if (text_[at_] != ',') return Fail("ожидалась «,» или «]»");
            Step();
        }
    }

    bool Object(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Object;
        Step();
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == '}') {
            Step();
            return true;
        }
        while (true) {
            SkipBlanks();
            if (at_ >= text_.size() || text_[at_] != '"') return Fail("ожидалось имя поля в кавычках");
            JsonMember member;
            member.line = line_;
            member.column = column_;
            if (!String(member.key)) return false;
            SkipBlanks();
            if (at_ >= text_.size() || text_[at_] != ':') return Fail("ожидалось «:» после имени поля");
            Step();
            SkipBlanks();
            if (!Value(member.value, depth + 1)) return false;
            value.members.push_back(std::move(member));
            SkipBlanks();
            if (at_ >= text_.size()) return Fail("объект не закрыт скобкой «}»");
            if (text_[at_] == '}') {
                Step();
                return true;
            }
            if (text_[at_] != ',') return Fail("ожидалась «,» или «}»");
            Step();
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
    int column_ = 1;
    JsonError error_;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, JsonError& error) { return Parser(text).Document(error); }

std::string JsonQuote(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned char>(c));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

}  // namespace tulex::plan
