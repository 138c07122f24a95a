// The reports built from reply bytes: a controller's parameters and master
// card, and the converter's parameters, on arbitrary replies.
//
// Checked: every title and text is UTF-8 with no zero byte (which would cut
// the balloon's text short), and a hex field read from the reply is a value
// its digits can hold.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controller/Reports.h"
#include "converter/ConverterReport.h"
#include "fuzz/FuzzCheck.h"

namespace tulex::fuzz {
namespace {

void CheckText(std::string_view text, std::string_view what) {
    RequireUtf8(text, what);
    Require(text.find('\0') == std::string_view::npos, what);
}

void CheckReport(const ReportText& report, std::string_view what) {
    Require(!report.title.empty() && !report.text.empty(), what);
    CheckText(report.title, what);
    CheckText(report.text, what);
}

// A field is read exactly when its digits are all there and all hex, and
// its value fits them.
void CheckHexFields(std::string_view reply) {
    constexpr std::string_view kHexDigits = "0123456789ABCDEFabcdef";
    for (std::size_t length = 1; length <= 4; ++length) {
        for (std::size_t position = 0; position <= reply.size() && position < 24; ++position) {
            const auto value = HexField(reply, position, length);
            const bool readable =
                position + length <= reply.size() &&
                reply.substr(position, length).find_first_not_of(kHexDigits) == std::string_view::npos;
            Require(value.has_value() == readable, "a hex field is read when its digits are there and hex");
            Require(!value || (*value >= 0 && *value < 1 << (4 * length)), "a hex field holds what its digits can");
        }
    }
}

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    CheckReport(tulex::ParameterReport(reply), "the parameter report is UTF-8 without a zero byte");
    CheckReport(tulex::MasterCardReport(reply), "the master-card report is UTF-8 without a zero byte");
    const std::string converter = tulex::BuildConverterReport(reply);
    Require(!converter.empty(), "the converter report is not empty");
    CheckText(converter, "the converter report is UTF-8 without a zero byte");
    if (reply.size() >= 2)
        CheckText(tulex::TypeAndVersionText(reply[0], reply[1]), "the type and version are UTF-8 without a zero byte");
    CheckHexFields(reply);
    return 0;
}
