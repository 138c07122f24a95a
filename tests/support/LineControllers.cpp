#include "tests/support/LineControllers.h"

#include "line/HexDigits.h"
#include "sim/SimController.h"

namespace tulex::test {

void LineControllers::Add(std::uint8_t index, const Registers& registers, Answer answer) {
    line_.With([&](sim::SimLine& line) {
        line.RemoveController(index);
        sim::ControllerBehaviour behaviour;
        behaviour.reply = answer == Answer::Positive ? sim::ReplyStyle::Positive : sim::ReplyStyle::Ack;
        behaviour.errorReply = answer == Answer::Error;
        behaviour.silent = answer == Answer::Silent;
        sim::SimController* c = line.AddController(index, behaviour);
        for (const auto& [number, value] : registers)
            if (number != "02") c->SetRegister(sim::ParseRegisterNumber(number), ParseHexByte(value).value());
        return 0;
    });
}

void LineControllers::SetAbsent(Answer answer) {
    line_.With([answer](sim::SimLine& line) { return line.Config().absentError = answer == Answer::Error; });
}

void LineControllers::SetDataOverride(std::uint8_t index, std::string data) {
    line_.With([&](sim::SimLine& line) {
        if (sim::SimController* c = line.Find(index)) c->Behaviour().dataPayload = std::move(data);
        return 0;
    });
}

void LineControllers::SetWithholdData(std::uint8_t index, bool withhold) {
    line_.With([&](sim::SimLine& line) {
        if (sim::SimController* c = line.Find(index)) c->Behaviour().noDataAfterAck = withhold;
        return 0;
    });
}

void LineControllers::Change(std::uint8_t index, const std::function<void(sim::ControllerBehaviour&)>& change) {
    line_.With([&](sim::SimLine& line) {
        if (sim::SimController* c = line.Find(index)) change(c->Behaviour());
        return 0;
    });
}

std::string LineControllers::Register(std::uint8_t index, int number) const {
    return line_.With([&](sim::SimLine& line) {
        const sim::SimController* c = line.Find(index);
        return c ? HexByte(c->Register(number)) : std::string();
    });
}

bool LineControllers::Has(std::uint8_t index) const {
    return line_.With([&](sim::SimLine& line) { return line.Find(index) != nullptr; });
}

Registers DoorRegisters() {
    return {{"01", "65"}, {"13", "43"}, {"10", "14"}, {"11", "14"}, {"16", "14"}, {"17", "14"},
            {"12", "14"}, {"18", "63"}, {"19", "73"}, {"14", "1E"}, {"15", "0A"}, {"20", "00"},
            {"21", "00"}, {"22", "1A"}, {"23", "2B"}, {"24", "3C"}};
}

}  // namespace tulex::test
