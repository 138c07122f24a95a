// The COM port list on Windows: the ports the system knows, each once, in
// natural order; the line's port is among them.

#include "serial/PortList.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "serial/PortOrder.h"
#include "tests/win32/LinePort.h"

namespace tulex::test {
namespace {

TEST(Win32PortList, ListsTheLinesPortOnceInNaturalOrder) {
    const std::string line = LinePortName();
    ASSERT_FALSE(line.empty()) << "set TULEX_TEST_PORT (tests/wine does)";
    const std::vector<PortEntry> entries = ListPortEntries();
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(), [&](const PortEntry& e) { return e.name == line; }), 1);
    // Strictly ascending: sorted and no name twice.
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_TRUE(NaturalLess(entries[i - 1].name, entries[i].name))
            << entries[i - 1].name << " before " << entries[i].name;
    const std::vector<std::string> names = ListPorts();
    ASSERT_EQ(names.size(), entries.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], entries[i].name);
}

}  // namespace
}  // namespace tulex::test
