// The memory test's verdict and the relay hold time read from reply data,
// including data that is short or not hexadecimal.

#include <gtest/gtest.h>

#include "app/DiagnosticCommands.h"

namespace tulex {
namespace {

TEST(EvaluateMemoryTest, FirstTwoCharactersDecide) {
    struct Case {
        const char* data;
        bool success;
        const char* text;
    };
    const Case cases[] = {
        {"21", true, "Тест памяти завершен успешно."},
        {"21FF00", true, "Тест памяти завершен успешно."},
        {"45", false, "Тест памяти завершен с ошибкой."},
        {"23", false, "Ошибка. Попробуйте повторить тест."},
        {"41", false, "Ошибка. Попробуйте повторить тест."},
        {"12", false, "Ошибка. Попробуйте повторить тест."},
        // Short data is never read past its end and never counts as a pass.
        {"2", false, "Ошибка. Попробуйте повторить тест."},
        {"4", false, "Ошибка. Попробуйте повторить тест."},
        {"", false, "Ошибка. Попробуйте повторить тест."},
        {"\xC6\xC6", false, "Ошибка. Попробуйте повторить тест."},
    };
    for (const Case& c : cases) {
        const MemoryTestVerdict v = EvaluateMemoryTest(c.data);
        EXPECT_EQ(v.success, c.success) << c.data;
        EXPECT_EQ(v.text, c.text) << c.data;
    }
}

TEST(ReadHoldTime, TwoHexDigitsInUnitsOf100Ms) {
    struct Case {
        const char* data;
        std::optional<int> value;
    };
    const Case cases[] = {
        {"00", 0},
        {"0A", 10},
        {"0a", 10},
        {"FF", 255},
        {"10", 16},
        {"0A12", 10},  // only the first two characters count
        {"", std::nullopt},
        {"A", std::nullopt},
        {"G1", std::nullopt},
        {"1G", std::nullopt},
        {" 1", std::nullopt},
        {"-1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ReadHoldTime(c.data), c.value) << '"' << c.data << '"';
}

}  // namespace
}  // namespace tulex
