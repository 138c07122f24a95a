#include "plan/PlanText.h"

#include "line/Cp1251.h"

namespace tulex::plan {

std::optional<DecodedText> DecodePlanText(std::string_view bytes, std::string& error) {
    constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        error = "файл в кодировке UTF-16: сохраните его как CSV в UTF-8 или Windows-1251";
        return std::nullopt;
    }
    if (bytes.starts_with(kUtf8Bom)) {
        const std::string_view rest = bytes.substr(kUtf8Bom.size());
        if (!IsValidUtf8(rest)) {
            error = "файл начинается с метки UTF-8, но дальше не UTF-8";
            return std::nullopt;
        }
        return DecodedText{std::string(rest), TextEncoding::Utf8WithBom};
    }
    if (IsValidUtf8(bytes)) return DecodedText{std::string(bytes), TextEncoding::Utf8};
    return DecodedText{Cp1251ToUtf8(bytes), TextEncoding::Windows1251};
}

const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf8WithBom: return "UTF-8 с BOM";
    case TextEncoding::Windows1251: return "Windows-1251";
    }
    return "";
}

}  // namespace tulex::plan
