#pragma once
// The text of a plan file as spreadsheets save it: UTF-8 with or without a
// byte order mark, or Windows-1251 (what a Russian spreadsheet writes as
// "CSV"). Text that is valid UTF-8 is taken as UTF-8; anything else as
// Windows-1251. UTF-16 is refused with advice.

#include <optional>
#include <string>
#include <string_view>

namespace tulex::plan {

enum class TextEncoding { Utf8, Utf8WithBom, Windows1251 };

struct DecodedText {
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
};

std::optional<DecodedText> DecodePlanText(std::string_view bytes, std::string& error);

const char* EncodingName(TextEncoding encoding);

}  // namespace tulex::plan
