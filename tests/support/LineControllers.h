#pragma once
// The controllers of the in-memory line as the engine tests set them up: a
// controller with given registers that answers with the acknowledgement (or
// the positive reply, the error reply, or silence), and what indexes without
// a controller do.

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "tests/support/VirtualLine.h"

namespace tulex::test {

enum class Answer { Ack, Positive, Error, Silent };

// Register number ("13") -> value in hex ("47").
using Registers = std::map<std::string, std::string>;

class LineControllers {
public:
    explicit LineControllers(VirtualLine& line) : line_(line) {}

    // A controller at index (replacing one there) with the given registers
    // set over the model's defaults.
    void Add(std::uint8_t index, const Registers& registers = {}, Answer answer = Answer::Ack);
    // What indexes without a controller do: silence or the error reply.
    void SetAbsent(Answer answer);
    // The controller's data replies carry this instead of its registers.
    void SetDataOverride(std::uint8_t index, std::string data);
    // It acknowledges a read but never hands the data over.
    void SetWithholdData(std::uint8_t index, bool withhold);
    // Changes the controller's behaviour in place.
    void Change(std::uint8_t index, const std::function<void(sim::ControllerBehaviour&)>& change);

    // The register's value in hex, "" without a controller there.
    std::string Register(std::uint8_t index, int number) const;
    bool Has(std::uint8_t index) const;

private:
    VirtualLine& line_;
};

// Registers of a typical door controller: ОРТИН-31 8.5.
Registers DoorRegisters();

}  // namespace tulex::test
