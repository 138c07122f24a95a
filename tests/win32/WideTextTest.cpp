// The edge between the program's UTF-8 and the UTF-16 of the Win32 calls.

#include "serial/WideText.h"

#include <gtest/gtest.h>

namespace tulex {
namespace {

TEST(WideText, RoundTripsCyrillicAndCharactersBeyondTheBasicPlane) {
    const std::string utf8 = "COM3 Журналы \xF0\x9F\x93\x9F";  // a pager: a surrogate pair in UTF-16
    const std::wstring wide = WideFromUtf8(utf8);
    EXPECT_EQ(wide, L"COM3 \u0416\u0443\u0440\u043D\u0430\u043B\u044B \U0001F4DF");
    EXPECT_EQ(Utf8FromWide(wide), utf8);
    EXPECT_EQ(WideFromUtf8(""), L"");
    EXPECT_EQ(Utf8FromWide(L""), "");
}

TEST(WideText, BytesThatAreNotUtf8BecomeReplacementCharacters) {
    EXPECT_EQ(WideFromUtf8("a\xC6z"), L"a\uFFFDz");  // a Windows-1251 byte on its own
    EXPECT_EQ(Utf8FromWide(std::wstring(L"a") + wchar_t(0xD800) + L"z"), "a\xEF\xBF\xBDz");  // a lone surrogate
}

}  // namespace
}  // namespace tulex
