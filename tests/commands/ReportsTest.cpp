// The parameter and master-card reports, decoded from reply data alone.

#include <gtest/gtest.h>

#include <ostream>

#include "controller/ControllerTransaction.h"
#include "controller/Reports.h"

namespace tulex {
namespace {

// Registers 02 01 13 10 11 16 17 12 18 19 of a door controller at G.
constexpr const char* kDoor = "47654314141414146373";

const std::string kDoorText =
    "Тип и версия: ОРТИН-31 версия 8.5\n"
    "Режим работы: off-line\n\n"
    "Время удержания реле:\n"
    "Реле 1 — 2.0 с    Реле 3 — 2.0 с\n"
    "Реле 2 — 2.0 с    Реле 4 — 2.0 с\n\n"
    "Индикация запрета — 2.0 с"
    "\n\nУправление-контроль входов:\n"
    "1   2   3   4   5   6   7   8\n"
    "+  +  —  —  —  +  +  —\n"
    "+  +  —  —  +  +  +  —"
    "\n\nОтпускание реле 1 по датчику — Да\n"
    "Отпускание реле 2 по датчику — Да\n"
    "Блокировка считывателей — Нет";

TEST(ParameterReport, DecodesEveryRegisterOfAFullReply) {
    const ReportText r = ParameterReport(kDoor);
    EXPECT_EQ(r.title, "Параметры контроллера с индексом G");
    EXPECT_EQ(r.text, kDoorText);
}

TEST(ParameterReport, SetsTheReportColourThroughTheUnit) {
    ControllerTransaction transaction;
    transaction.ReportParameters(kDoor);
    EXPECT_EQ(transaction.balloonTitle, "Параметры контроллера с индексом G");
    EXPECT_EQ(transaction.balloonText, kDoorText);
    EXPECT_EQ(transaction.balloonColour, kReportColour);
}

// Replaces the two characters of one register in the door reply.
std::string With(std::size_t position, const std::string& value) {
    std::string d = kDoor;
    d.replace(position, value.size(), value);
    return d;
}

struct FieldCase {
    const char* name;
    std::size_t position;
    const char* value;
    const char* expected;  // a piece of the report text
};

// Test lists show the case's name, not its bytes.
void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

class ParameterFields : public ::testing::TestWithParam<FieldCase> {};

TEST_P(ParameterFields, ShowsTheDecodedField) {
    const FieldCase& c = GetParam();
    const std::string text = ParameterReport(With(c.position, c.value)).text;
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Registers, ParameterFields,
    ::testing::Values(FieldCase{"Relay1Inf", 6, "FF", "\nРеле 1 — INF    Реле 3"},
                      FieldCase{"Relay1InfLowerCase", 6, "ff", "\nРеле 1 — INF    Реле 3"},
                      FieldCase{"Relay1Tenth", 6, "01", "\nРеле 1 — 0.1 с    "},
                      FieldCase{"Relay1Zero", 6, "00", "\nРеле 1 — 0.0 с    "},
                      FieldCase{"Relay1Max", 6, "FE", "\nРеле 1 — 25.4 с    "},
                      FieldCase{"Relay2", 8, "19", "Реле 2 — 2.5 с    Реле 4"},
                      FieldCase{"Relay3", 10, "0F", "Реле 3 — 1.5 с\n"},
                      FieldCase{"Relay4Inf", 12, "FF", "Реле 4 — INF\n\n"},
                      FieldCase{"ProhibitionInf", 14, "FF", "Индикация запрета — INF\n\n"},
                      FieldCase{"ModeOnline", 4, "0", "Режим работы: on-line\n"},
                      FieldCase{"ModeAutonomous", 4, "6", "Режим работы: автономный \n"},
                      FieldCase{"ModeAutonomousBit2Only", 4, "2", "Режим работы: автономный \n"},
                      FieldCase{"ModeOfflineHighBits", 4, "C", "Режим работы: off-line\n"},
                      FieldCase{"ModeLowerCase", 4, "e", "Режим работы: автономный \n"},
                      FieldCase{"OptionsAll", 5, "7",
                                "датчику — Да\nОтпускание реле 2 по датчику — Да\nБлокировка считывателей — Да"},
                      FieldCase{"OptionsNone", 5, "0",
                                "датчику — Нет\nОтпускание реле 2 по датчику — Нет\nБлокировка считывателей — Нет"},
                      FieldCase{"OptionsRelay2Only", 5, "A",
                                "1 по датчику — Нет\nОтпускание реле 2 по датчику — Да\nБлокировка считывателей — Нет"},
                      FieldCase{"Row1AllInputs", 16, "FF", "8\n+  +  +  +  +  +  +  +\n"},
                      FieldCase{"Row2NoInputs", 18, "00", "\n—  —  —  —  —  —  —  —\n\n"},
                      FieldCase{"Row2Input8Only", 18, "80", "\n—  —  —  —  —  —  —  +\n\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParameterReport, TypeAndVersionFollowTheRegisterCharacters) {
    const struct {
        const char* reg01;
        const char* text;
    } cases[] = {
        {"10", "ОРТИН-21 версия b3.4-3.6"},
        {"11", "ОРТИН-21 версия b3.7"},
        {"12", "ОРТИН-21 версия b3.8"},
        {"13", "ОРТИН-21 версия b4.0"},
        {"14", "ОРТИН-21 версия b4.1"},
        {"15", "?"},
        {"20", "ОРТИН-22 версия 1.11"},
        {"21", "ОРТИН-22 версия 1.2"},
        {"22", "ОРТИН-22 версия 1.3"},
        {"23", "ОРТИН-22 версия 1.4"},
        {"24", "ОРТИН-22 версия 1.5"},
        {"25", "ОРТИН-22 версия 1.6"},
        {"26", "ОРТИН-22 версия 1.7"},
        {"27", "?"},
        {"30", "ОРТИН-22 версия 1-1.1"},
        {"31", "?"},
        {"40", "?"},
        {"50", "ОРТИН-31 версия 7.a"},
        {"5A", "?"},
        {"65", "ОРТИН-31 версия 8.5"},
        {"6B", "ОРТИН-31 версия 8.B"},
        {"70", "ОРТИН-3 версия 9.0"},
        {"7f", "ОРТИН-3 версия 9.f"},
        {"80", "?"},
        {"A0", "?"},
        {"1a", "?"},
    };
    for (const auto& c : cases) {
        const std::string text = ParameterReport(With(2, c.reg01)).text;
        EXPECT_EQ(text.substr(0, text.find('\n')), std::string("Тип и версия: ") + c.text) << c.reg01;
    }
}

TEST(ParameterReport, TitleShowsTheIndexOfRegister02AsItsCharacter) {
    EXPECT_EQ(ParameterReport(With(0, "C6")).title, "Параметры контроллера с индексом Ж");
    EXPECT_EQ(ParameterReport(With(0, "fc")).title, "Параметры контроллера с индексом ь");
    // Zero would end the title; missing or broken digits are unknown.
    EXPECT_EQ(ParameterReport(With(0, "00")).title, "Параметры контроллера с индексом ?");
    EXPECT_EQ(ParameterReport(With(0, "4X")).title, "Параметры контроллера с индексом ?");
}

TEST(ParameterReport, ShortReplyShowsWhatArrivedAndMarksTheRestUnknown) {
    // Registers 02, 01, 13 and relay 1 only, and the first digit of relay 2.
    const std::string text = ParameterReport("476543141").text;
    EXPECT_EQ(text,
              "Тип и версия: ОРТИН-31 версия 8.5\n"
              "Режим работы: off-line\n\n"
              "Время удержания реле:\n"
              "Реле 1 — 2.0 с    Реле 3 — ?\n"
              "Реле 2 — ?    Реле 4 — ?\n\n"
              "Индикация запрета — ?"
              "\n\nУправление-контроль входов:\n"
              "1   2   3   4   5   6   7   8\n"
              "?  ?  ?  ?  ?  ?  ?  ?\n"
              "?  ?  ?  ?  ?  ?  ?  ?"
              "\n\nОтпускание реле 1 по датчику — Да\n"
              "Отпускание реле 2 по датчику — Да\n"
              "Блокировка считывателей — Нет");
}

TEST(ParameterReport, HalfARowUsesTheDigitThatArrived) {
    // Register 19 lost its low digit: columns 5-8 come from the high digit.
    const std::string text = ParameterReport(std::string(kDoor).substr(0, 19)).text;
    EXPECT_NE(text.find("\n?  ?  ?  ?  +  +  +  —\n\n"), std::string::npos) << text;
}

TEST(ParameterReport, EmptyReplyIsAllUnknown) {
    const ReportText r = ParameterReport("");
    EXPECT_EQ(r.title, "Параметры контроллера с индексом ?");
    EXPECT_NE(r.text.find("Тип и версия: ?\nРежим работы: ?\n\n"), std::string::npos);
    EXPECT_NE(r.text.find("Блокировка считывателей — ?"), std::string::npos);
}

TEST(ParameterReport, NeverReadsPastTheReplyData) {
    // The bytes after the reply are valid digits in memory; the report must
    // not take them.
    const std::string memory = std::string(kDoor) + "FFFFFFFF";
    const std::string_view reply = std::string_view(memory).substr(0, 6);
    const std::string text = ParameterReport(reply).text;
    EXPECT_NE(text.find("Реле 1 — ?    Реле 3 — ?"), std::string::npos) << text;
    EXPECT_EQ(text.find("INF"), std::string::npos);
}

TEST(ParameterReport, NonHexFieldsAreUnknownWithoutDisturbingTheOthers) {
    std::string d = kDoor;
    d[7] = 'G';   // relay 1
    d[5] = ':';   // option bits
    d[16] = 'x';  // row 1 high digit
    const std::string text = ParameterReport(d).text;
    EXPECT_NE(text.find("\nРеле 1 — ?    Реле 3 — 2.0 с\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n+  +  —  —  ?  ?  ?  ?\n"), std::string::npos) << text;
    EXPECT_NE(text.find("датчику — ?\nОтпускание реле 2 по датчику — ?\nБлокировка считывателей — ?"),
              std::string::npos);
    EXPECT_NE(text.find("Режим работы: off-line\n"), std::string::npos);
}

TEST(MasterCardReport, ShowsNumberAsReceivedAndTimesInGeneralForm) {
    const ReportText r = MasterCardReport("00001A2B3C1E0A");
    EXPECT_EQ(r.title, "Информация");
    EXPECT_EQ(r.text,
              "\nНомер мастер-карты — 00001A2B3C"
              "\n\nВремя ожидания мастер-карты — 3 с"
              "\n\nВремя удержания для очистки памяти — 1 с");
    ControllerTransaction transaction;
    transaction.ReportMasterCard("00001A2B3C1E0A");
    EXPECT_EQ(transaction.balloonText, r.text);
    EXPECT_EQ(transaction.balloonColour, kReportColour);
}

TEST(MasterCardReport, TimesHaveNoTrailingZerosAndFFIsNotInfinite) {
    const struct {
        const char* hex;
        const char* shown;
    } cases[] = {{"19", "2.5"}, {"FF", "25.5"}, {"01", "0.1"}, {"14", "2"}, {"00", "0"}, {"ff", "25.5"}, {"0f", "1.5"}};
    for (const auto& c : cases) {
        const std::string text = MasterCardReport(std::string("abcdef0123") + c.hex + c.hex).text;
        EXPECT_NE(text.find(std::string("мастер-карты — ") + c.shown + " с\n"), std::string::npos) << c.hex;
        EXPECT_NE(text.find(std::string("памяти — ") + c.shown + " с"), std::string::npos) << c.hex;
    }
}

TEST(MasterCardReport, ShortOrBrokenReplyShowsWhatArrived) {
    EXPECT_EQ(MasterCardReport("00001A2B").text,
              "\nНомер мастер-карты — 00001A2B\n\nВремя ожидания мастер-карты — ?"
              "\n\nВремя удержания для очистки памяти — ?");
    EXPECT_EQ(MasterCardReport("00001A2B3C1E0").text,
              "\nНомер мастер-карты — 00001A2B3C\n\nВремя ожидания мастер-карты — 3 с"
              "\n\nВремя удержания для очистки памяти — ?");
    EXPECT_EQ(MasterCardReport("00001A2B3C1EZ0").text,
              "\nНомер мастер-карты — 00001A2B3C\n\nВремя ожидания мастер-карты — 3 с"
              "\n\nВремя удержания для очистки памяти — ?");
    const std::string memory = "00001A2B3C1E0A";
    EXPECT_EQ(MasterCardReport(std::string_view(memory).substr(0, 11)).text,
              "\nНомер мастер-карты — 00001A2B3C\n\nВремя ожидания мастер-карты — ?"
              "\n\nВремя удержания для очистки памяти — ?");
}

TEST(HexField, ReadsEitherCaseAndRefusesMissingOrForeignCharacters) {
    EXPECT_EQ(HexField("aF", 0, 2), 0xAF);
    EXPECT_EQ(HexField("12", 1, 1), 2);
    EXPECT_EQ(HexField("12", 1, 2), std::nullopt);
    EXPECT_EQ(HexField("12", 3, 1), std::nullopt);
    EXPECT_EQ(HexField("1g", 0, 2), std::nullopt);
    EXPECT_EQ(HexField(" 1", 0, 2), std::nullopt);
}

}  // namespace
}  // namespace tulex
