// The Win32 port on a COM port whose other side is tulex-sim with
// controllers G and H: opening and its errors, the settings, whole frames out
// and the answers back in order, the idle wait, the close that wakes a
// waiting reader, and exclusive use.

#include "serial/Win32SerialPort.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "tests/support/LineFrames.h"
#include "tests/win32/LinePort.h"

namespace tulex::test {
namespace {

using namespace std::chrono_literals;

class Win32SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        name = LinePortName();
        ASSERT_FALSE(name.empty()) << "set TULEX_TEST_PORT to a COM port whose other side is "
                                      "tulex-sim --controllers G,H (tests/wine does)";
    }
    void OpenLine(const std::string& speed = "9600") {
        ASSERT_EQ(port.Open(name), PortError::None) << "system error " << port.lastError;
        ASSERT_EQ(port.Configure(speed), PortError::None);
    }

    std::string name;
    Win32SerialPort port;
};

TEST_F(Win32SerialPortTest, OpensAtEveryOfferedSpeedAndTheControllerAnswers) {
    for (const char* speed : {"9600", "19200", "38400", "57600", "115200"}) {
        SCOPED_TRACE(speed);
        OpenLine(speed);
        EXPECT_TRUE(port.IsOpen());
        EXPECT_FALSE(port.IsGone());
        EXPECT_EQ(port.Name(), name);
        ASSERT_TRUE(port.Write(Poll(kG)));
        EXPECT_EQ(Receive(port, 1), "!");
        port.Close();
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(Win32SerialPortTest, AnswersToFramesWrittenBackToBackArriveInOrder) {
    OpenLine("115200");
    // Each controller acknowledges its register read and hands the data over
    // at its poll, followed by another acknowledgement.
    for (const std::string& frame : {Request(kG, "$$01"), Request(kH, "$$01"), Poll(kG), Poll(kH)})
        ASSERT_TRUE(port.Write(frame));
    const std::string expected = "!!G:21?!H:21?!";
    EXPECT_EQ(Receive(port, expected.size()), expected);
}

TEST_F(Win32SerialPortTest, ReadsNothingAndTimesOutOnASilentLine) {
    OpenLine();
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.ReadByte(byte));
    EXPECT_EQ(port.WaitForInput(100), Port::WaitState::Timeout);
    EXPECT_EQ(port.WaitForInput(0), Port::WaitState::Timeout);
    // The read left waiting meanwhile still takes the next answer.
    ASSERT_TRUE(port.Write(Poll(kH)));
    EXPECT_EQ(Receive(port, 1), "!");
}

TEST_F(Win32SerialPortTest, CloseWakesAReaderWaitingWithoutLimit) {
    OpenLine();
    std::promise<void> waiting;
    auto woke = std::async(std::launch::async, [&] {
        waiting.set_value();
        return port.WaitForInput(-1);
    });
    waiting.get_future().wait();
    std::this_thread::sleep_for(50ms);  // let it fall asleep in the wait
    port.Close();
    ASSERT_EQ(woke.wait_for(5s), std::future_status::ready) << "the reader still sleeps after Close";
    EXPECT_EQ(woke.get(), Port::WaitState::Closed);
}

TEST_F(Win32SerialPortTest, AClosedPortNeitherReadsNorWritesAndClosesTwiceHarmlessly) {
    OpenLine();
    port.Close();
    port.Close();
    std::uint8_t byte = 0;
    EXPECT_FALSE(port.ReadByte(byte));
    EXPECT_FALSE(port.Write(Poll(kG)));
    EXPECT_EQ(port.WaitForInput(0), Port::WaitState::Closed);
    // And opens again as before.
    OpenLine();
    ASSERT_TRUE(port.Write(Poll(kG)));
    EXPECT_EQ(Receive(port, 1), "!");
}

struct OpenErrorCase {
    const char* name;
    PortError error;
};

class Win32SerialPortOpenErrors : public ::testing::TestWithParam<OpenErrorCase> {};

TEST_P(Win32SerialPortOpenErrors, LeaveThePortClosedAndConfigureRefusesSilently) {
    Win32SerialPort port;
    EXPECT_EQ(port.Open(GetParam().name), GetParam().error);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Configure("9600"), PortError::Refused);
    EXPECT_FALSE(port.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Names, Win32SerialPortOpenErrors,
                         ::testing::Values(OpenErrorCase{"COM99", PortError::NotFound},  // no such port
                                           OpenErrorCase{"", PortError::NotFound},       // the empty port box
                                           OpenErrorCase{"NUL", PortError::Unavailable}  // a device, not a port
                                           ));

TEST_F(Win32SerialPortTest, NotFoundKeepsTheSystemsCode) {
    EXPECT_EQ(port.Open("COM99"), PortError::NotFound);
    EXPECT_EQ(port.lastError, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

struct SpeedCase {
    const char* text;
    PortError error;
};

class Win32SerialPortSpeeds : public Win32SerialPortTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(Win32SerialPortSpeeds, ABadSpeedClosesThePortThatWasOpened) {
    ASSERT_EQ(port.Open(name), PortError::None);
    EXPECT_EQ(port.Configure(GetParam().text), GetParam().error);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Write(Poll(kG)));  // the handle is gone too
    // The port is free again for the next open.
    OpenLine();
}

INSTANTIATE_TEST_SUITE_P(Texts, Win32SerialPortSpeeds,
                         ::testing::Values(SpeedCase{"96OO", PortError::BadSpeed},  // letters O
                                           SpeedCase{"", PortError::BadSpeed}, SpeedCase{"9600 ", PortError::BadSpeed},
                                           SpeedCase{"0", PortError::Refused}, SpeedCase{"-9600", PortError::Refused}));

TEST_F(Win32SerialPortTest, ASecondOpenOfAHeldPortIsRefused) {
    if (RunningUnderWine()) GTEST_SKIP() << "Wine lets a second exclusive open of a COM port through";
    OpenLine();
    Win32SerialPort other;
    EXPECT_EQ(other.Open(name), PortError::Unavailable);
    EXPECT_EQ(other.lastError, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(port.IsOpen());
}

}  // namespace
}  // namespace tulex::test
