#pragma once
// A small JSON reader that keeps where each value stands (line and column),
// so that a plan's errors can name their place, and the quoting of strings
// for the JSON the plan code writes. Numbers keep the text they were written
// with ("2.50"), the way a dialog would have been given them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulex::plan {

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::string text;  // a string's value (UTF-8), or a number as written
    std::vector<JsonValue> items;
    std::vector<JsonMember> members;  // in file order
    int line = 0;                     // 1-based, where the value starts
    int column = 0;                   // 1-based, in characters

    // The member of an object, or null.
    const JsonMember* Find(std::string_view key) const;
};

struct JsonMember {
    std::string key;
    int line = 0;
    int column = 0;  // where the key stands
    JsonValue value;
};

struct JsonError {
    int line = 0;
    int column = 0;
    std::string message;  // UTF-8, Russian
};

// The whole text must be one value (blanks around it allowed).
std::optional<JsonValue> ParseJson(std::string_view text, JsonError& error);

// A JSON string literal, quotes included; control characters escaped.
std::string JsonQuote(std::string_view utf8);

}  // namespace tulex::plan
