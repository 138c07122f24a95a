#pragma once
// The two reports a controller command shows in the balloon: the decoded
// parameter registers and the master card. Both read only the data that
// arrived: a field that is missing or not hex shows "?".

#include <optional>
#include <string>
#include <string_view>

namespace tulex {

struct ReportText {
    std::string title;  // UTF-8
    std::string text;   // UTF-8
};

// Reply data of "$$02011310111617121819": registers 02, 01, 13, 10, 11, 16,
// 17, 12, 18, 19, two hex digits each.
ReportText ParameterReport(std::string_view replyData);

// Reply data of "$$20212223241415": the card number (ten characters, shown
// as received), the waiting time (register 14) and the memory-clearing hold
// time (register 15).
ReportText MasterCardReport(std::string_view replyData);

// Register 01 as its two characters, the model digit first.
std::string TypeAndVersionText(char model, char version);

// The value of `length` hex digits (either case) at `position`, or nullopt
// if the data ends before them or one is not a hex digit.
std::optional<int> HexField(std::string_view data, std::size_t position, std::size_t length);

}  // namespace tulex
