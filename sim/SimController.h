#pragma once
// One controller on the virtual line: its registers and what it does with
// the command text of a request addressed to it. Answer styles, delays and
// the output buffer's hand-over are the line's business (SimLine).

#include "sim/SimTypes.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace tulex::sim {

// What a command text asks of the controller.
struct CommandResult {
    bool accepted = false;                 // false: a command it cannot parse ("&?")
    std::optional<std::string> data;       // data reply payload (between ":" and "?")
    int dataDelayMs = 0;                   // the payload is ready only after this time
    std::optional<std::uint8_t> newIndex;  // "$0": answer to this index from now on
};

class SimController {
public:
    static constexpr int kRegisterCount = 100;  // two-digit register numbers

    SimController(std::uint8_t index, ControllerBehaviour behaviour = {});

    std::uint8_t Index() const { return index_; }
    void SetIndex(std::uint8_t index);

    std::uint8_t Register(int number) const;
    void SetRegister(int number, std::uint8_t value);

    // The five standard parameter sets by name: door, door-sensor, turnstile,
    // turnstile-confirm, terminal. False for an unknown name.
    bool ApplyPreset(const std::string& name);

    // Parses a command text (what stands between the doubled index and "?").
    CommandResult HandleCommand(std::string_view command);

    ControllerBehaviour& Behaviour() { return behaviour_; }
    const ControllerBehaviour& Behaviour() const { return behaviour_; }

    // Data replies waiting to be handed over at the next poll frame.
    std::deque<std::string>& OutputBuffer() { return outputBuffer_; }
    const std::deque<std::string>& OutputBuffer() const { return outputBuffer_; }

    // Set by "$4"; cleared when a master card is presented.
    bool WaitingForMasterCard() const { return waitingForMasterCard_; }
    // Presents a card while the controller waits: registers 20..24 take its
    // number (ten hex digits). False if not waiting or the number is malformed.
    bool PresentMasterCard(std::string_view tenHexDigits);

private:
    CommandResult ReadRegisters(std::string_view numbers) const;
    CommandResult WriteRegisters(std::string_view pairs);

    std::uint8_t index_;
    ControllerBehaviour behaviour_;
    std::array<std::uint8_t, kRegisterCount> registers_{};
    std::deque<std::string> outputBuffer_;
    bool waitingForMasterCard_ = false;
};

// Two decimal digits -> register number, or -1.
int ParseRegisterNumber(std::string_view two);

}  // namespace tulex::sim
