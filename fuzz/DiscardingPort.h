#pragma once
// A port that is never open, reads nothing and drops what is written to it,
// for driving LineSession's event handling without a line. It checks what
// the session writes: only addressed requests to an index of the index table
// (the automatic answers).

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/FuzzCheck.h"
#include "line/Frame.h"
#include "serial/Port.h"

namespace tulex::fuzz {

class DiscardingPort final : public Port {
public:
    PortError Open(const std::string& name) override {
        name_ = name;
        return PortError::Unavailable;
    }
    PortError Configure(const std::string&) override { return PortError::Refused; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool IsGone() const override { return false; }
    std::string Name() const override { return name_; }

    bool Write(std::string_view frame) override {
        constexpr std::string_view kPrefixRun = "\xFF\xFF\xFF\xFF";
        Require(frame.size() > 6 && frame.substr(0, 4) == kPrefixRun, "a written frame is an addressed request");
        const auto index = static_cast<std::uint8_t>(frame[4]);
        Require(IsIndexByte(index) && frame[5] == frame[4], "a request goes to an index of the index table");
        return true;
    }
    bool ReadByte(std::uint8_t&) override { return false; }
    WaitState WaitForInput(int) override { return WaitState::Closed; }

private:
    std::string name_;
};

}  // namespace tulex::fuzz
