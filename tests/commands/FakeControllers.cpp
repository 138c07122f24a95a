#include "tests/commands/FakeControllers.h"

#include "line/HexDigits.h"

namespace tulex::test {

void FakeControllers::Add(std::uint8_t index, std::map<std::string, std::string> registers, Answer answer) {
    std::lock_guard lock(mutex_);
    Controller c;
    c.registers = std::move(registers);
    c.registers["02"] = HexByte(index);
    c.answer = answer;
    controllers_[index] = std::move(c);
}

void FakeControllers::SetAbsent(Answer answer) {
    std::lock_guard lock(mutex_);
    absent_ = answer;
}

void FakeControllers::SetDataOverride(std::uint8_t index, std::string data) {
    std::lock_guard lock(mutex_);
    controllers_[index].dataOverride = std::move(data);
    controllers_[index].overrideData = true;
}

void FakeControllers::SetWithholdData(std::uint8_t index, bool withhold) {
    std::lock_guard lock(mutex_);
    controllers_[index].withhold = withhold;
}

std::string FakeControllers::Register(std::uint8_t index, const std::string& number) const {
    std::lock_guard lock(mutex_);
    const auto c = controllers_.find(index);
    if (c == controllers_.end()) return {};
    const auto r = c->second.registers.find(number);
    return r == c->second.registers.end() ? std::string() : r->second;
}

bool FakeControllers::Has(std::uint8_t index) const {
    std::lock_guard lock(mutex_);
    return controllers_.count(index) != 0;
}

std::string FakeControllers::Execute(std::uint8_t index, Controller& c, const std::string& command) {
    std::string data;
    bool read = false;
    if (command.rfind("$$", 0) == 0) {
        read = true;
        for (std::size_t i = 2; i + 1 < command.size(); i += 2) {
            const auto r = c.registers.find(command.substr(i, 2));
            data += r == c.registers.end() ? "00" : r->second;
        }
        if (c.overrideData) data = c.dataOverride;
    } else if (command.size() >= 5 && command[0] == '!') {
        for (std::size_t i = 1; i + 4 <= command.size(); i += 4)
            c.registers[command.substr(i, 2)] = command.substr(i + 2, 2);
    }
    (void)index;
    if (c.answer == Answer::Positive) return read && !c.withhold ? Positive() + DataReply(index, data) : Positive();
    if (read && !c.withhold) c.held = DataReply(index, data);
    return Ack();
}

std::string FakeControllers::operator()(const LineFrame& frame) {
    std::lock_guard lock(mutex_);
    if (frame.kind == LineFrame::Kind::Short) {
        const auto c = controllers_.find(frame.index);
        if (c == controllers_.end() || c->second.answer != Answer::Ack) return {};
        std::string reply = c->second.held + Ack();
        c->second.held.clear();
        return reply;
    }
    auto c = controllers_.find(frame.index);
    const Answer answer = c == controllers_.end() ? absent_ : c->second.answer;
    if (answer == Answer::Silent) return {};
    if (answer == Answer::Error) return ErrorReply();
    if (c == controllers_.end()) return {};
    // The index command renames the controller; it answers under the old index.
    if (frame.command.size() == 4 && frame.command.rfind("$0", 0) == 0 && frame.command[2] == frame.command[3]) {
        const auto to = static_cast<std::uint8_t>(frame.command[2]);
        Controller moved = c->second;
        controllers_.erase(c);
        moved.registers["02"] = HexByte(to);
        controllers_[to] = moved;
        return moved.answer == Answer::Positive ? Positive() : Ack();
    }
    return Execute(frame.index, c->second, frame.command);
}

std::map<std::string, std::string> DoorRegisters(std::uint8_t index) {
    return {{"02", HexByte(index)}, {"01", "65"}, {"13", "43"}, {"10", "14"}, {"11", "14"}, {"16", "14"},
            {"17", "14"},           {"12", "14"}, {"18", "63"}, {"19", "73"}, {"14", "1E"}, {"15", "0A"},
            {"20", "00"},           {"21", "00"}, {"22", "1A"}, {"23", "2B"}, {"24", "3C"}};
}

}  // namespace tulex::test
