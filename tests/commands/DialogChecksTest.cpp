// The checks of the index-change and relay hold-time dialogs.

#include <gtest/gtest.h>

#include "controller/DialogText.h"
#include "controller/IndexInput.h"
#include "controller/RelayTimeInput.h"
#include "line/Cp1251.h"

namespace tulex {
namespace {

TEST(DialogText, TrimsBlanksAndControlCharactersAtBothEndsOnly) {
    EXPECT_EQ(TrimDialogText("  H  "), "H");
    EXPECT_EQ(TrimDialogText("\t\r\nH\x01\x1F"), "H");
    EXPECT_EQ(TrimDialogText(" 2 5 "), "2 5");
    EXPECT_EQ(TrimDialogText(" \t "), "");
    EXPECT_EQ(TrimDialogText(" Ж "), "Ж");  // bytes of other characters stay
}

struct IndexCase {
    const char* typed;
    bool accepted;
    int index;  // when accepted
    const char* trimmed;
    const char* caption;  // refusal
    const char* message;
};

TEST(IndexInput, AcceptsOneIndexCharacterAndRefusesEverythingElse) {
    const IndexCase cases[] = {
        {"H", true, 0x48, "H", "", ""},
        {"  H  ", true, 0x48, "H", "", ""},
        {"\tH\r\n", true, 0x48, "H", "", ""},
        {"G", true, 0x47, "G", "", ""},
        {"Ж", true, 0xC6, "Ж", "", ""},
        {"ь", true, 0xFC, "ь", "", ""},
        {"", false, 0, "", "Предупреждение", "Неверное значение."},
        {"    ", false, 0, "", "Предупреждение", "Неверное значение."},
        {"HH", false, 0, "HH", "Информация", "HH — неверное значение."},
        {" H H ", false, 0, "H H", "Информация", "H H — неверное значение."},
        {"ЖЖ", false, 0, "ЖЖ", "Информация", "ЖЖ — неверное значение."},
        {"F", false, 0, "F", "Предупреждение", "F — неверное значение."},
        {"?", false, 0, "?", "Предупреждение", "? — неверное значение."},
        {"э", false, 0, "э", "Предупреждение", "э — неверное значение."},  // 0xFD
        {"я", false, 0, "я", "Предупреждение", "я — неверное значение."},  // 0xFF
        {"€", true, 0x88, "€", "", ""},                                    // 0x88 is an index too
        {"0", false, 0, "0", "Предупреждение", "0 — неверное значение."},
        {"中", false, 0, "中", "Предупреждение", "中 — неверное значение."},  // not in Windows-1251
    };
    for (const auto& c : cases) {
        const IndexInput r = CheckIndexInput(c.typed);
        EXPECT_EQ(r.accepted, c.accepted) << c.typed;
        EXPECT_EQ(r.trimmed, c.trimmed) << c.typed;
        if (c.accepted) {
            EXPECT_EQ(r.index, c.index) << c.typed;
        } else {
            EXPECT_EQ(r.messageCaption, c.caption) << c.typed;
            EXPECT_EQ(r.messageText, c.message) << c.typed;
        }
    }
}

struct RelayCase {
    const char* typed;
    const char* hex;  // empty: refused
    const char* trimmed;
};

TEST(RelayTimeInput, ConvertsSecondsToTenthsCutNotRounded) {
    const RelayCase cases[] = {
        {"0.15", "01", "0.15"}, {"2.5", "19", "2.5"},     {"25.5", "FF", "25.5"}, {"0.1", "01", "0.1"},
        {"1", "0A", "1"},       {" 2.50 ", "19", "2.50"}, {"0.19", "01", "0.19"}, {"25.49", "FE", "25.49"},
        {"1.0", "0A", "1.0"},   {"3", "1E", "3"},
    };
    for (const auto& c : cases) {
        const RelayTimeInput r = CheckRelayTimeInput(c.typed);
        EXPECT_TRUE(r.accepted) << c.typed;
        EXPECT_EQ(r.hex, c.hex) << c.typed;
        EXPECT_EQ(r.trimmed, c.trimmed) << c.typed;
    }
}

TEST(RelayTimeInput, RefusesOutOfRangeAndNonNumbersWithTheRangeMessage) {
    const char* refused[] = {"25.6", "0.09", "2,5", "0", "-1", "abc", "2.5с", "2.5 5", "nan", "inf", "1e3", "0x10"};
    for (const char* typed : refused) {
        const RelayTimeInput r = CheckRelayTimeInput(typed);
        EXPECT_FALSE(r.accepted) << typed;
        EXPECT_EQ(r.messageText,
                  std::string(typed) + " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с")
            << typed;
    }
    const RelayTimeInput empty = CheckRelayTimeInput("   ");
    EXPECT_FALSE(empty.accepted);
    EXPECT_EQ(empty.trimmed, "");
    EXPECT_EQ(empty.messageText, " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с");
}

// tulex-cli hands the checks its arguments as they come, which need not be
// UTF-8 (overlong, surrogate, cut-short or stray bytes). The refusal still
// names what was typed, each malformed byte shown as "?", so the message is
// UTF-8 wherever it is shown.
TEST(DialogInputs, RefusalOfTextThatIsNotUtf8IsUtf8) {
    struct NotUtf8Case {
        const char* typed;
        const char* shown;
    };
    const NotUtf8Case cases[] = {
        {"\xFF", "?"}, {"H\x80", "H?"}, {"\xC1\xBE", "??"}, {"Ж\xED\xA0\x80", "Ж???"}, {"\xF4\x90\x80\x80", "????"},
        {"\xD0", "?"},
    };
    for (const auto& c : cases) {
        const IndexInput index = CheckIndexInput(c.typed);
        EXPECT_FALSE(index.accepted) << c.shown;
        EXPECT_EQ(index.messageText, std::string(c.shown) + " — неверное значение.");
        EXPECT_TRUE(IsValidUtf8(index.messageText)) << c.shown;

        const RelayTimeInput relay = CheckRelayTimeInput(std::string("2.5") + c.typed);
        EXPECT_FALSE(relay.accepted) << c.shown;
        EXPECT_EQ(relay.messageText,
                  "2.5" + std::string(c.shown) + " — неверное значение.\n\nДиапазон значений времени: 0.1 — 25.5 с");
    }
}

}  // namespace
}  // namespace tulex
