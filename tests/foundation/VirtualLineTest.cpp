// The in-memory line behind the port interface: opening rules, what the
// engine writes reaching the line model, the model's answers arriving now or
// when the clock reaches them, raw bytes from the test and a device that goes.

#include "tests/support/VirtualLine.h"

#include <gtest/gtest.h>

#include <future>

#include "line/HexDigits.h"
#include "tests/support/LineFrames.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

class VirtualLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(port->Open(VirtualLine::kPortName), PortError::None);
        ASSERT_EQ(port->Configure("9600"), PortError::None);
    }
    // Everything readable now, without blocking.
    std::string ReadAll() {
        std::string out;
        std::uint8_t b = 0;
        while (port->ReadByte(b)) out.push_back(static_cast<char>(b));
        return out;
    }

    ManualClock clock;
    VirtualLine line{clock};
    std::unique_ptr<Port> port = line.MakePort();
};

TEST(VirtualLinePort, OpenAndConfigureFailLikeAPort) {
    ManualClock clock;
    VirtualLine line(clock);
    const struct {
        std::string name;
        std::string speed;
        PortError open;
        PortError configure;
    } cases[] = {
        {"VLINE9", "9600", PortError::NotFound, PortError::Refused},
        {VirtualLine::kPortName, "96OO", PortError::None, PortError::BadSpeed},
        {VirtualLine::kPortName, "0", PortError::None, PortError::Refused},
        {VirtualLine::kPortName, "19200", PortError::None, PortError::None},
    };
    for (const auto& c : cases) {
        auto port = line.MakePort();
        EXPECT_EQ(port->Open(c.name), c.open) << c.name;
        EXPECT_FALSE(port->IsOpen()) << "open only once configured";
        EXPECT_EQ(port->Configure(c.speed), c.configure) << c.speed;
        EXPECT_EQ(port->IsOpen(), c.configure == PortError::None);
        EXPECT_EQ(port->Name(), c.name);
    }
}

TEST(VirtualLinePort, OnePortAtATime) {
    ManualClock clock;
    VirtualLine line(clock);
    auto first = line.MakePort();
    auto second = line.MakePort();
    ASSERT_EQ(first->Open(VirtualLine::kPortName), PortError::None);
    EXPECT_EQ(second->Open(VirtualLine::kPortName), PortError::Unavailable);
    first->Close();
    EXPECT_EQ(second->Open(VirtualLine::kPortName), PortError::None);
}

TEST_F(VirtualLineTest, AControllerAnswersAtOnceAndHandsItsDataOverAtThePoll) {
    line.AddController(kG)->SetRegister(13, 0x43);
    ASSERT_TRUE(port->Write(Request(kG, "$$13")));
    EXPECT_EQ(ReadAll(), Ack());
    ASSERT_TRUE(port->Write(Poll(kG)));
    EXPECT_EQ(HexBytes(ReadAll()), HexBytes(DataReply(kG, "43") + Ack()));
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(Request(kG, "$$13") + Poll(kG)));
}

TEST_F(VirtualLineTest, ADelayedAnswerComesWhenTheClockReachesIt) {
    sim::ControllerBehaviour slow;
    slow.delayMs = 500;
    line.AddController(kG, slow);
    ASSERT_TRUE(port->Write(Request(kG, "$$02")));
    EXPECT_EQ(ReadAll(), "");
    EXPECT_EQ(line.NextDue(), clock.Now() + 500ms);
    clock.Advance(499ms);
    EXPECT_EQ(ReadAll(), "");
    clock.Advance(1ms);
    EXPECT_EQ(port->WaitForInput(0), Port::WaitState::Readable);
    EXPECT_EQ(ReadAll(), Ack());
}

TEST_F(VirtualLineTest, AWaitingReaderWakesForBytesTheClockDelivers) {
    line.EmitAfter("&?", 2s);
    auto waiting = std::async(std::launch::async, [&] { return port->WaitForInput(-1); });
    EXPECT_EQ(waiting.wait_for(20ms), std::future_status::timeout);
    clock.Advance(2s);
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), Port::WaitState::Readable);
    EXPECT_EQ(ReadAll(), "&?");
}

TEST_F(VirtualLineTest, InjectedBytesAreReadableAtOnce) {
    line.Inject("\x47\x2F\x31\x3F");
    EXPECT_FALSE(line.ReaderIdle()) << "bytes wait to be read";
    EXPECT_EQ(ReadAll(), "\x47\x2F\x31\x3F");
    EXPECT_EQ(line.BytesRead(), 4u);
}

TEST_F(VirtualLineTest, TheWriteEndsAtTheFirstZeroByte) {
    ASSERT_TRUE(port->Write(std::string("\xFF\xFD?\0\xFF", 5)));
    EXPECT_EQ(HexBytes(line.Written()), HexBytes(kClear));
}

TEST_F(VirtualLineTest, WhatTheLineSaysWhileThePortIsClosedIsLost) {
    sim::ControllerBehaviour slow;
    slow.delayMs = 100;
    line.AddController(kG, slow);
    ASSERT_TRUE(port->Write(Request(kG, "$$02")));
    port->Close();
    EXPECT_FALSE(port->Write(Request(kG, "$$02")));
    clock.Advance(1s);
    ASSERT_EQ(port->Open(VirtualLine::kPortName), PortError::None);
    ASSERT_EQ(port->Configure("9600"), PortError::None);
    EXPECT_EQ(ReadAll(), "");
}

TEST_F(VirtualLineTest, CloseWakesAWaitingReader) {
    auto waiting = std::async(std::launch::async, [&] { return port->WaitForInput(-1); });
    EXPECT_EQ(waiting.wait_for(20ms), std::future_status::timeout);
    port->Close();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), Port::WaitState::Closed);
    EXPECT_FALSE(port->IsOpen());
}

TEST_F(VirtualLineTest, AHangUpWakesTheReaderAndTheDeviceStaysGone) {
    auto waiting = std::async(std::launch::async, [&] { return port->WaitForInput(-1); });
    line.HangUp();
    ASSERT_EQ(waiting.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(waiting.get(), Port::WaitState::Gone);
    EXPECT_TRUE(port->IsGone());
    EXPECT_FALSE(port->Write(kClear));
    port->Close();
    EXPECT_FALSE(port->IsGone());
    EXPECT_EQ(port->Open(VirtualLine::kPortName), PortError::NotFound);
}

TEST(LineFrames, SplitsRequestsAndShortFramesAndSkipsTheRest) {
    const std::string written = "xx" + Request(kG, "$$02") + kClear + Poll(kH) + "\xFF\xFF";
    const auto frames = SplitFrames(written);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].IsRequest("$$02"));
    EXPECT_EQ(frames[0].index, kG);
    EXPECT_EQ(HexBytes(frames[0].bytes), HexBytes(Request(kG, "$$02")));
    EXPECT_TRUE(frames[1].IsPoll(0xFD));
    EXPECT_TRUE(frames[2].IsPoll(kH));
    EXPECT_EQ(Requests(written).size(), 1u);
}

}  // namespace
}  // namespace tulex::test
