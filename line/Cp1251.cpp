#include "line/Cp1251.h"

#include <array>

namespace tulex {
namespace {

// Unicode code points of the bytes 0x80..0xFF. Byte 0x98 has no character in
// Windows-1251; it maps to U+0098 so that every byte survives a round trip.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out.push_back(c);
        else
            AppendUtf8(out, kHigh[b - 0x80]);
    }
    return out;
}

bool NextUtf8CodePoint(std::string_view text, std::size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    int len = 0;
    if (b0 < 0x80) {
        cp = b0;
        len = 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F;
        len = 2;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F;
        len = 3;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07;
        len = 4;
    } else
        return false;
    if (i + len > text.size()) return false;
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += len;
    return true;
}

bool IsValidUtf8(std::string_view text) {
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();)
        if (!NextUtf8CodePoint(text, i, cp)) return false;
    return true;
}

std::string ReplaceMalformedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t start = i;
        if (NextUtf8CodePoint(text, i, cp)) {
            out.append(text.substr(start, i - start));
        } else {
            out.push_back('?');
            ++i;
        }
    }
    return out;
}

std::optional<char> UnicodeToCp1251(char32_t cp) {
    if (cp < 0x80) return static_cast<char>(cp);
    for (std::size_t k = 0; k < kHigh.size(); ++k)
        if (kHigh[k] == cp) return static_cast<char>(0x80 + k);
    return std::nullopt;
}

std::optional<std::string> Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        if (!NextUtf8CodePoint(text, i, cp)) return std::nullopt;
        const auto b = UnicodeToCp1251(cp);
        if (!b) return std::nullopt;
        out.push_back(*b);
    }
    return out;
}

std::string Utf8ToCp1251Lossy(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        if (!NextUtf8CodePoint(text, i, cp)) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(UnicodeToCp1251(cp).value_or('?'));
    }
    return out;
}

}  // namespace tulex
