#include "plan/ParameterText.h"

#include "controller/Reports.h"
#include "line/HexDigits.h"
#include "plan/FieldValues.h"

namespace tulex::plan {

namespace {

std::string InputRow(std::uint8_t reg) {
    std::string row;
    for (int bit = 0; bit < 8; ++bit) {
        if (bit > 0) row += ' ';
        row += (reg >> bit) & 1 ? "+" : "—";
    }
    return row;
}

std::string ModeText(std::uint8_t reg13) {
    const int high = reg13 >> 4;
    if (high & 2) return "автономный";
    if (high & 4) return "off-line";
    return "on-line";
}

}  // namespace

std::string HoldTimeText(std::uint8_t tenths) { return tenths == 0xFF ? "INF" : TenthsText(tenths); }

ParameterText DescribeParameters(const ParameterRegisters& r) {
    ParameterText t;
    const std::string type = HexByte(r.type);
    t.type = TypeAndVersionText(type[0], type[1]);
    t.mode = ModeText(r.mode);
    for (std::size_t relay = 0; relay < 4; ++relay) t.relays[relay] = HoldTimeText(r.relays[relay]);
    t.prohibition = HoldTimeText(r.prohibition);
    t.inputs1 = InputRow(r.inputs1);
    t.inputs2 = InputRow(r.inputs2);
    t.relay1BySensor = (r.mode & 1) != 0;
    t.relay2BySensor = (r.mode & 2) != 0;
    t.readersBlocked = (r.mode & 4) != 0;
    return t;
}

}  // namespace tulex::plan
