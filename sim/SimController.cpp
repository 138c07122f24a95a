#include "sim/SimController.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

#include <utility>

namespace tulex::sim {

namespace {

struct Preset {
    const char* name;
    // registers 13, 10, 11, 16, 17, 12, 18, 19
    std::uint8_t values[8];
};

constexpr int kPresetRegisters[8] = {13, 10, 11, 16, 17, 12, 18, 19};
constexpr Preset kPresets[] = {
    {"door", {0x40, 0x14, 0x14, 0x14, 0x14, 0x14, 0x03, 0x13}},
    {"door-sensor", {0x43, 0x14, 0x14, 0x14, 0x14, 0x14, 0x63, 0x73}},
    {"turnstile", {0x47, 0x05, 0x05, 0x05, 0x05, 0x14, 0x2F, 0x1F}},
    {"turnstile-confirm", {0x47, 0x05, 0x05, 0x05, 0x05, 0x14, 0x6F, 0x5F}},
    {"terminal", {0x00, 0x0F, 0x0F, 0x1E, 0x0A, 0x14, 0xFF, 0xFF}},
};

}  // namespace

int ParseRegisterNumber(std::string_view two) {
    if (two.size() != 2 || two[0] < '0' || two[0] > '9' || two[1] < '0' || two[1] > '9') return -1;
    return (two[0] - '0') * 10 + (two[1] - '0');
}

SimController::SimController(std::uint8_t index, ControllerBehaviour behaviour)
    : index_(index), behaviour_(std::move(behaviour)) {
    // A door controller without position sensor, firmware 1.2, with a
    // master card on file: what a freshly installed unit plausibly holds.
    registers_[1] = 0x21;
    registers_[2] = index;
    ApplyPreset("door");
    registers_[14] = 0x1E;  // master-card waiting time 3.0 s
    registers_[15] = 0x0A;  // memory-clearing hold time 1.0 s
    const std::uint8_t card[5] = {0x00, 0x00, 0x1A, 0x2B, 0x3C};
    for (int i = 0; i < 5; ++i) registers_[20 + i] = card[i];
}

void SimController::SetIndex(std::uint8_t index) {
    index_ = index;
    registers_[2] = index;
}

std::uint8_t SimController::Register(int number) const {
    if (number < 0 || number >= kRegisterCount) return 0;
    return registers_[static_cast<std::size_t>(number)];
}

void SimController::SetRegister(int number, std::uint8_t value) {
    if (number < 0 || number >= kRegisterCount) return;
    if (number == 2) {
        SetIndex(value);
        return;
    }
    registers_[static_cast<std::size_t>(number)] = value;
}

bool SimController::ApplyPreset(const std::string& name) {
    for (const auto& preset : kPresets) {
        if (name != preset.name) continue;
        for (int i = 0; i < 8; ++i) registers_[kPresetRegisters[i]] = preset.values[i];
        return true;
    }
    return false;
}

bool SimController::PresentMasterCard(std::string_view tenHexDigits) {
    if (!waitingForMasterCard_ || tenHexDigits.size() != 10) return false;
    std::uint8_t bytes[5];
    for (int i = 0; i < 5; ++i) {
        const auto v = ParseHexByte(tenHexDigits.substr(static_cast<std::size_t>(i) * 2, 2));
        if (!v) return false;
        bytes[i] = *v;
    }
    for (int i = 0; i < 5; ++i) registers_[20 + i] = bytes[i];
    waitingForMasterCard_ = false;
    return true;
}

CommandResult SimController::ReadRegisters(std::string_view numbers) const {
    CommandResult r;
    if (numbers.empty() || numbers.size() % 2 != 0) return r;
    std::string payload;
    for (std::size_t i = 0; i < numbers.size(); i += 2) {
        const int reg = ParseRegisterNumber(numbers.substr(i, 2));
        if (reg < 0) return r;
        payload += HexByte(Register(reg));
    }
    r.accepted = true;
    r.data = std::move(payload);
    return r;
}

CommandResult SimController::WriteRegisters(std::string_view pairs) {
    CommandResult r;
    if (pairs.empty() || pairs.size() % 4 != 0) return r;
    // Check every pair before changing anything: a malformed command leaves
    // the registers as they were.
    for (std::size_t i = 0; i < pairs.size(); i += 4) {
        const int reg = ParseRegisterNumber(pairs.substr(i, 2));
        // Type/version is fixed by the firmware; the index changes only
        // through "$0", which the line checks for collisions.
        if (reg < 0 || reg == 1 || reg == 2 || !ParseHexByte(pairs.substr(i + 2, 2))) return r;
    }
    for (std::size_t i = 0; i < pairs.size(); i += 4) {
        registers_[static_cast<std::size_t>(ParseRegisterNumber(pairs.substr(i, 2)))] =
            *ParseHexByte(pairs.substr(i + 2, 2));
    }
    r.accepted = true;
    return r;
}

CommandResult SimController::HandleCommand(std::string_view command) {
    CommandResult r;
    if (command.size() >= 2 && command.substr(0, 2) == "$$") return ReadRegisters(command.substr(2));
    if (!command.empty() && command[0] == '!') return WriteRegisters(command.substr(1));
    if (command.size() == 4 && command.substr(0, 2) == "$0") {
        const auto a = static_cast<std::uint8_t>(command[2]);
        if (a != static_cast<std::uint8_t>(command[3]) || !IsIndexByte(a)) return r;
        r.accepted = true;
        r.newIndex = a;
        return r;
    }
    if (command == "$4") {
        waitingForMasterCard_ = true;
        r.accepted = true;
        return r;
    }
    if (command == "/8") {
        r.accepted = true;
        r.data = behaviour_.eepromFail ? "45" : "21";
        r.dataDelayMs = behaviour_.eepromDelayMs;
        return r;
    }
    // Relay triggers 1 to 4; ">" and "<" are also the PC's automatic answers
    // to on-line requests and "+" its answer to a sensor event.
    if (command == ">" || command == "<" || command == "08" || command == "09" || command == "+") {
        r.accepted = true;
        return r;
    }
    return r;
}

}  // namespace tulex::sim
