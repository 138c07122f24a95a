// The monitor's compact line store gives back every line exactly as it was
// added (stamp, shared prefix, text), across arena boundaries, for long
// lines, with more prefixes than its table holds, and after a clear.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/LineStore.h"

namespace tulex {
namespace {

struct Added {
    int h, m, s;
    std::string prefix;
    std::string text;
    std::string Expected() const {
        char stamp[16];
        std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", h, m, s);
        return stamp + prefix + text;
    }
};

void AddAll(LineStore& store, const std::vector<Added>& lines) {
    for (const Added& a : lines) store.Append(LineStore::PackStamp(a.h, a.m, a.s), a.prefix, a.text);
}

void ExpectAll(const LineStore& store, const std::vector<Added>& lines) {
    ASSERT_EQ(store.Count(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(store.Line(i), lines[i].Expected()) << "line " << i;
}

TEST(LineStore, GivesBackEveryLineAsAdded) {
    const std::string received = "   COM1   \x97\x97>   ";
    const std::string sent = "   COM1   <\x97\x97   ";
    const std::vector<Added> lines = {
        {14, 3, 27, "   COM1   ---   ", "\xCF\xEE\xF0\xF2 \xEE\xF2\xEA\xF0\xFB\xF2"},
        {14, 3, 27, received, "OK"},
        {14, 3, 27, sent, "G   \x97   request"},
        {14, 3, 28, received, ""},
        {14, 3, 28, "", "   TIMEOUT"},
        {23, 59, 60, received, "G;0123456789AB?"},  // a leap second prints as it came
        {0, 0, 0, received, std::string("\xFF\x01\x7F", 3)},
        {14, 3, 27, received, "OK"},  // the clock went back: the stamp still follows the line
    };
    LineStore store;
    AddAll(store, lines);
    ExpectAll(store, lines);
    EXPECT_EQ(store.Line(lines.size()), "") << "past the end";
}

TEST(LineStore, LinesCrossManyArenasAndALongLineGetsItsOwn) {
    std::vector<Added> lines;
    for (int i = 0; i < 300000; ++i) lines.push_back({1, 2, i % 60, "   P   >   ", "frame " + std::to_string(i)});
    lines.push_back({1, 2, 3, "   P   >   ", std::string(3 << 20, 'x')});  // beyond one arena
    lines.push_back({1, 2, 4, "   P   >   ", "after the long one"});
    LineStore store;
    AddAll(store, lines);
    ExpectAll(store, lines);
}

TEST(LineStore, MorePrefixesThanTheTableHoldsStillComeBack) {
    std::vector<Added> lines;
    for (int i = 0; i < 70000; ++i) lines.push_back({5, 6, 7, "   port" + std::to_string(i) + "   ", "x"});
    LineStore store;
    AddAll(store, lines);
    ExpectAll(store, lines);
}

TEST(LineStore, ClearStartsAfresh) {
    LineStore store;
    AddAll(store, {{1, 1, 1, "   A   ", "one"}, {1, 1, 2, "   B   ", "two"}});
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    const std::vector<Added> after = {{2, 2, 2, "   B   ", "three"}, {2, 2, 3, "", "four"}};
    AddAll(store, after);
    ExpectAll(store, after);
}

}  // namespace
}  // namespace tulex
