// The checks of what the operator types into the dialogs (the index change,
// the relay hold time, the converter's poll range and raw command), on
// arbitrary text: tulex-cli hands them its arguments as they are.
//
// Checked: an accepted value is in range (an index of the index table that
// is the character typed; a relay time of 0.1 to 25.5 s as 1..255 tenths in
// two hex digits; a poll range ending from H to Ж; a raw command that reads
// back as typed); a refusal has a caption and a text; every text is UTF-8.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controller/IndexInput.h"
#include "controller/RelayTimeInput.h"
#include "converter/ConverterInput.h"
#include "fuzz/FuzzCheck.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/HexDigits.h"

namespace tulex::fuzz {
namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Trimmed text: no blank or control at either end, cut from the text typed.
void CheckTrimmed(std::string_view typed, std::string_view trimmed) {
    Require(trimmed.empty() || (!IsBlankOrControl(trimmed.front()) && !IsBlankOrControl(trimmed.back())),
            "trimmed text has no blank or control at either end");
    Require(typed.find(trimmed) != std::string_view::npos, "trimmed text is cut from the text typed");
    if (IsValidUtf8(typed)) RequireUtf8(trimmed, "trimmed UTF-8 stays UTF-8");
}

// The character typed is the line byte.
bool TypedAs(std::string_view trimmed, std::uint8_t byte) {
    return Cp1251ToUtf8(std::string(1, static_cast<char>(byte))) == trimmed;
}

void CheckIndex(std::string_view typed) {
    const IndexInput input = CheckIndexInput(typed);
    CheckTrimmed(typed, input.trimmed);
    if (input.accepted) {
        Require(IsIndexByte(input.index) && TypedAs(input.trimmed, input.index),
                "an accepted index is the index character typed");
        return;
    }
    Require(!input.messageCaption.empty() && !input.messageText.empty(), "a refused index says why");
    RequireUtf8(input.messageCaption, "the index refusal's caption is UTF-8");
    RequireUtf8(input.messageText, "the index refusal's text is UTF-8");
}

void CheckRelayTime(std::string_view typed) {
    const RelayTimeInput input = CheckRelayTimeInput(typed);
    CheckTrimmed(typed, input.trimmed);
    if (input.accepted) {
        Require(input.tenths >= 1 && input.tenths <= 255, "an accepted relay time is 0.1 to 25.5 s");
        Require(input.hex == HexByte(input.tenths), "an accepted relay time goes out as its two hex digits");
        return;
    }
    Require(!input.messageText.empty(), "a refused relay time says why");
    RequireUtf8(input.messageText, "the relay time refusal is UTF-8");
}

void CheckRefusal(const InputRefusal& refusal, std::string_view what) {
    Require(!refusal.caption.empty() && !refusal.text.empty(), what);
    RequireUtf8(refusal.caption, what);
    RequireUtf8(refusal.text, what);
}

void CheckPoll(std::string_view typed) {
    const std::string trimmed = TrimInput(typed);
    CheckTrimmed(typed, trimmed);
    Require(TrimInput(trimmed) == trimmed, "trimming trimmed text changes nothing");
    const PollRangeCheck check = CheckPollRange(trimmed);
    if (check.index) {
        Require(*check.index >= kPollRangeLowest && *check.index <= kPollRangeHighest,
                "an accepted poll range ends from H to Ж");
        Require(IsIndexByte(*check.index) && TypedAs(trimmed, *check.index),
                "an accepted poll range ends at the index character typed");
        return;
    }
    CheckRefusal(check.refusal, "a refused poll range says why, in UTF-8");
}

void CheckRaw(std::string_view typed) {
    const RawCommandCheck check = CheckRawCommand(typed);
    if (check.bytes) {
        Require(Cp1251ToUtf8(*check.bytes) == typed, "a raw command goes on the line as typed");
        return;
    }
    CheckRefusal(check.refusal, "a refused raw command says why, in UTF-8");
}

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    CheckIndex(typed);
    CheckRelayTime(typed);
    CheckPoll(typed);
    CheckRaw(typed);
    return 0;
}
