#pragma once
// Controllers for a scripted line: each keeps its registers, answers an
// addressed request with the acknowledgement (or the positive reply, the
// error reply, or silence) and hands a read's data reply over when it is
// polled with the short frame, followed by another acknowledgement.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "tests/commands/ControllerLine.h"

namespace tulex::test {

enum class Answer { Ack, Positive, Error, Silent };

class FakeControllers {
public:
    // A controller at index with the given registers ("13" -> "47").
    void Add(std::uint8_t index, std::map<std::string, std::string> registers = {}, Answer answer = Answer::Ack);
    // What indexes without a controller do: silence or the error reply.
    void SetAbsent(Answer answer);
    // A reply to send instead of the read's data (e.g. a short or broken one).
    void SetDataOverride(std::uint8_t index, std::string data);
    // Answer a read with the acknowledgement but never hand over the data.
    void SetWithholdData(std::uint8_t index, bool withhold);

    std::string Register(std::uint8_t index, const std::string& number) const;
    bool Has(std::uint8_t index) const;

    // The line script.
    std::string operator()(const LineFrame& frame);
    ControllerLine::Script Script() {
        return [this](const LineFrame& f) { return (*this)(f); };
    }

private:
    struct Controller {
        std::map<std::string, std::string> registers;
        Answer answer = Answer::Ack;
        std::string held;  // data reply waiting for the poll
        std::string dataOverride;
        bool overrideData = false;
        bool withhold = false;
    };
    std::string Execute(std::uint8_t index, Controller& c, const std::string& command);

    mutable std::mutex mutex_;
    std::map<std::uint8_t, Controller> controllers_;
    Answer absent_ = Answer::Silent;
};

// Registers of a typical door controller: index G (47), ОРТИН-31 8.5.
std::map<std::string, std::string> DoorRegisters(std::uint8_t index);

}  // namespace tulex::test
