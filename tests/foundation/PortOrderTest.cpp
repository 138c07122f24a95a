// The order in which the port list offers its names.

#include "serial/PortOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tulex {
namespace {

TEST(PortOrder, NumbersCountByValue) {
    std::vector<std::string> names{"COM10", "COM2", "COM1", "COM256", "COM3", "COM100"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM10", "COM100", "COM256"}));
}

TEST(PortOrder, TextBeforeNumbersDecidesFirst) {
    std::vector<std::string> names{"ttyUSB10", "ttyACM2", "ttyUSB9", "SIM1", "ttyS0", "ttyACM10"};
    std::sort(names.begin(), names.end(), NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"SIM1", "ttyACM2", "ttyACM10", "ttyS0", "ttyUSB9", "ttyUSB10"}));
}

struct OrderCase {
    const char* before;
    const char* after;
};

class PortOrderPairs : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PortOrderPairs, StrictAndTotal) {
    const auto [before, after] = GetParam();
    EXPECT_TRUE(NaturalLess(before, after)) << before << " < " << after;
    EXPECT_FALSE(NaturalLess(after, before)) << after << " < " << before;
    EXPECT_FALSE(NaturalLess(before, before));
}

INSTANTIATE_TEST_SUITE_P(Names, PortOrderPairs,
                         ::testing::Values(OrderCase{"COM2", "COM10"}, OrderCase{"COM9", "COM10"},
                                           OrderCase{"COM", "COM1"},    // a prefix first
                                           OrderCase{"com2", "COM3"},   // letters without case
                                           OrderCase{"COM01", "COM1"},  // equal values: as text
                                           OrderCase{"COM1", "com1"},   // equal without case: as text
                                           OrderCase{"COM99999999999999999999", "COM100000000000000000000"},
                                           OrderCase{"COM1a", "COM1b"}, OrderCase{"COM1", "COM1a"},
                                           OrderCase{"", "COM1"}));

}  // namespace
}  // namespace tulex
