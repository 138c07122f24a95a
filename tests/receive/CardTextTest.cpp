// The card pop-up: every layout, status digit and reason, in one table.

#include "display/CardText.h"

#include <gtest/gtest.h>

#include <ostream>

namespace tulex {
namespace {

struct Case {
    const char* name;
    std::string data;  // Windows-1251 event data
    std::string title;
    std::string text;
};

// Test lists show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class CardPopup : public ::testing::TestWithParam<Case> {};

TEST_P(CardPopup, TitleAndText) {
    const Case& c = GetParam();
    const CardText card = BuildCardText(c.data);
    EXPECT_EQ(card.title, c.title) << c.name;
    EXPECT_EQ(card.text, c.text) << c.name;
}

std::string Body(const std::string& reason, const std::string& direction, const std::string& number,
                 const std::string& address = "") {
    std::string text = reason + "\n\nНаправление: " + direction + "\nНомер: " + number;
    if (!address.empty()) text += "\nАдрес: " + address;
    return text;
}

const char* kAllowedAuto = "Доступ разрешен (автоответ)";
const char* kAllowed = "Доступ разрешен";
const char* kDenied = "Доступ запрещен";
const char* kNotInMemory = "Пропуск отсутствует в памяти";

INSTANTIATE_TEST_SUITE_P(Layouts, CardPopup,
                         ::testing::Values(
                             // The codes the receive thread appends to a channel card event.
                             Case{"07",
                                  "1234567890"
                                  "07",
                                  kAllowedAuto, Body(kNotInMemory, "Вход", "1234567890")},
                             Case{"01",
                                  "1234567890"
                                  "01",
                                  kDenied, Body(kNotInMemory, "Вход", "1234567890")},
                             Case{"06",
                                  "1234567890"
                                  "06",
                                  kAllowedAuto, Body(kNotInMemory, "Выход", "1234567890")},
                             Case{"00",
                                  "1234567890"
                                  "00",
                                  kDenied, Body(kNotInMemory, "Выход", "1234567890")},
                             Case{"second digit 2",
                                  "1234567890"
                                  "02",
                                  kAllowed, Body(kNotInMemory, "Выход", "1234567890")},
                             Case{"second digit 7",
                                  "1234567890"
                                  "07",
                                  kAllowedAuto, Body(kNotInMemory, "Вход", "1234567890")},
                             Case{"bit 2 wins over bit 1 clear",
                                  "1234567890"
                                  "04",
                                  kAllowedAuto, Body(kNotInMemory, "Выход", "1234567890")},
                             Case{"lower-case hex",
                                  "1234567890"
                                  "0f",
                                  kAllowedAuto, Body(kNotInMemory, "Вход", "1234567890")},
                             // Reasons from the first status digit.
                             Case{"expired",
                                  "1234567890"
                                  "20",
                                  kDenied, Body("Окончен срок действия пропуска", "Выход", "1234567890")},
                             Case{"time violation",
                                  "1234567890"
                                  "10",
                                  kDenied, Body("Нарушение времени прохода", "Выход", "1234567890")},
                             Case{"wrong passage",
                                  "1234567890"
                                  "30",
                                  kDenied, Body("Некорректный переход", "Выход", "1234567890")},
                             Case{"longer than 12, not 20: no address",
                                  "1234567890"
                                  "00"
                                  "ABCDE",
                                  kDenied, Body(kNotInMemory, "Выход", "1234567890")},
                             // The 20-character layout: address in 16-19.
                             Case{"20 chars, address all zero, first digit 0",
                                  "1234567890"
                                  "00"
                                  "xxxx"
                                  "0000",
                                  kDenied, Body(kNotInMemory, "Выход", "1234567890")},
                             Case{"20 chars, address set: suffix (1), awaiting confirmation",
                                  "1234567890"
                                  "03"
                                  "xxxx"
                                  "0012",
                                  kAllowed, Body("Ожидается подтверждение прохода", "Вход", "1234567890", "0012 (1)")},
                             Case{"20 chars, first digit 8: suffix (2) even for a zero address",
                                  "1234567890"
                                  "80"
                                  "xxxx"
                                  "0000",
                                  kDenied, Body("Ожидается подтверждение прохода", "Выход", "1234567890", "0000 (2)")},
                             Case{"20 chars, first digit B: reason from bits 0 and 1",
                                  "1234567890"
                                  "B7"
                                  "xxxx"
                                  "0A0B",
                                  kAllowedAuto, Body("Некорректный переход", "Вход", "1234567890", "0A0B (2)")},
                             Case{"21 chars: no address",
                                  "1234567890"
                                  "00"
                                  "xxxx"
                                  "00120",
                                  kDenied, Body(kNotInMemory, "Выход", "1234567890")},
                             // Number characters are Windows-1251 bytes.
                             Case{"cyrillic number",
                                  "\xC6\xC6"
                                  "34567890"
                                  "00",
                                  kDenied, Body(kNotInMemory, "Выход", "ЖЖ34567890")},
                             // What cannot carry a decision.
                             Case{"empty", "", "Неверный формат данных", ""},
                             Case{"one character", "1", "Неверный формат данных", "Данные: 1"},
                             Case{"eleven characters",
                                  "1234567890"
                                  "0",
                                  "Неверный формат данных", "Данные: 12345678900"},
                             Case{"channel event with short card data",
                                  "123456"
                                  "07",
                                  "Неверный формат данных", "Данные: 12345607"},
                             Case{"first status not hex",
                                  "1234567890"
                                  "G0",
                                  "Неверный формат данных", "Данные: 1234567890G0"},
                             Case{"second status not hex",
                                  "1234567890"
                                  "0?",
                                  "Неверный формат данных", "Данные: 12345678900?"}));

}  // namespace
}  // namespace tulex
