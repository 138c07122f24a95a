#include "serial/SerialPort.h"

#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

namespace tulex {
namespace {

using namespace std::chrono_literals;
using test::Pty;

class SerialPortTest : public ::testing::Test {
protected:
    bool OpenOnPty(const std::string& speed = "9600") {
        return port.Open(pty.slavePath()) == PortError::None && port.Configure(speed) == PortError::None;
    }
    // Reads until nothing more is waiting.
    std::string Drain() {
        std::string got;
        std::uint8_t b = 0;
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (port.ReadByte(b)) {
                got.push_back(static_cast<char>(b));
                continue;
            }
            if (port.WaitForInput(100) != SerialPort::WaitState::Readable) break;
        }
        return got;
    }

    Pty pty;
    SerialPort port;
};

TEST_F(SerialPortTest, NameThatDoesNotExist) {
    for (const std::string name : {"ttyNOSUCH99", ""}) {
        EXPECT_EQ(port.Open(name), PortError::NotFound) << name;
        // Configure after a failed Open fails too, and the port stays closed.
        EXPECT_NE(port.Configure("9600"), PortError::None);
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(SerialPortTest, SecondOpenOfAHeldPortIsUnavailable) {
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(OpenOnPty());
    SerialPort other;
    EXPECT_EQ(other.Open(pty.slavePath()), PortError::Unavailable);
    // Once released, the port can be opened again.
    port.Close();
    EXPECT_EQ(other.Open(pty.slavePath()), PortError::None);
}

TEST_F(SerialPortTest, PathThatIsNotATerminalIsRefusedAsUnavailable) {
    test::TempDir dir;
    const auto file = dir.path() / "plain";
    std::ofstream(file) << "x";
    EXPECT_EQ(port.Open(file.string()), PortError::Unavailable);
    EXPECT_EQ(port.lastError, ENOTTY);
}

TEST_F(SerialPortTest, PortWhosePermissionsKeepTheUserOutIsPermissionDenied) {
    // A serial device of the group dialout, opened by a user outside it.
    ASSERT_TRUE(pty.ok());
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0), 0);
    const int status = test::RunUnprivileged([&] {
        SerialPort denied;
        if (denied.Open(pty.slavePath()) != PortError::PermissionDenied) return 1;
        if (denied.lastError != EACCES) return 2;
        return denied.IsOpen() ? 3 : 0;
    });
    EXPECT_EQ(status, 0) << "1: not PermissionDenied, 2: errno not EACCES, 3: open";
    // Every other failure to have the port stays Unavailable (the held port
    // and the plain file above), and the permissions alone decide here.
    ASSERT_EQ(chmod(pty.slavePath().c_str(), 0666), 0);
    EXPECT_EQ(test::RunUnprivileged([&] { return SerialPort().Open(pty.slavePath()) == PortError::None ? 0 : 1; }), 0);
}

TEST_F(SerialPortTest, SpeedThatIsNotAnIntegerClosesThePort) {
    for (const std::string speed : {"96OO", "", "9600 ", "9.6"}) {
        ASSERT_EQ(port.Open(pty.slavePath()), PortError::None);
        EXPECT_EQ(port.Configure(speed), PortError::BadSpeed) << speed;
        EXPECT_FALSE(port.IsOpen());
        // The descriptor was released: the port can be opened again at once.
        EXPECT_EQ(port.Open(pty.slavePath()), PortError::None);
        port.Close();
    }
}

TEST_F(SerialPortTest, RefusedRateClosesThePort) {
    for (const std::string speed : {"0", "-9600"}) {
        ASSERT_EQ(port.Open(pty.slavePath()), PortError::None);
        EXPECT_EQ(port.Configure(speed), PortError::Refused) << speed;
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(SerialPortTest, NonStandardRateIsAccepted) {
    // A pseudo-terminal takes any rate through termios2.
    EXPECT_TRUE(OpenOnPty("12345"));
    EXPECT_EQ(port.isOpen.load(), 1);
}

TEST_F(SerialPortTest, BytesArriveByteExactAndAreCutAtZero) {
    ASSERT_TRUE(OpenOnPty());
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    ASSERT_TRUE(port.Write(all));
    EXPECT_EQ(pty.Receive(2s, all.size()), all);

    ASSERT_TRUE(port.Write(std::string("ab\0cd", 5)));
    EXPECT_EQ(pty.Receive(200ms), "ab");

    ASSERT_TRUE(pty.Send(all));
    EXPECT_EQ(Drain(), all);
}

TEST_F(SerialPortTest, ReadWithNothingWaitingReturnsAtOnce) {
    ASSERT_TRUE(OpenOnPty());
    std::uint8_t b = 0x55;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 100ms);
    EXPECT_EQ(b, 0x55);
    EXPECT_FALSE(port.IsGone());
}

TEST_F(SerialPortTest, CloseTwiceIsHarmlessAndClosedPortDoesNothing) {
    ASSERT_TRUE(OpenOnPty());
    port.Close();
    port.Close();
    EXPECT_EQ(port.isOpen.load(), 0);
    std::uint8_t b = 0;
    EXPECT_FALSE(port.ReadByte(b));
    EXPECT_FALSE(port.Write("x"));
    EXPECT_EQ(port.WaitForInput(0), SerialPort::WaitState::Closed);
}

TEST_F(SerialPortTest, IsOpenDropsBeforeTheDescriptorIsReleased) {
    // A reader that sees isOpen == 1 must never find the descriptor gone
    // under it in a way that blocks; the reader polls as the receive thread.
    ASSERT_TRUE(OpenOnPty());
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        std::uint8_t b = 0;
        while (port.isOpen.load()) {
            port.ReadByte(b);
            port.WaitForInput(1);
        }
        stop = true;
    });
    std::this_thread::sleep_for(20ms);
    port.Close();
    reader.join();
    EXPECT_TRUE(stop.load());
}

TEST_F(SerialPortTest, CloseWakesAWaitingReader) {
    ASSERT_TRUE(OpenOnPty());
    SerialPort::WaitState state = SerialPort::WaitState::Timeout;
    std::thread reader([&] { state = port.WaitForInput(-1); });
    std::this_thread::sleep_for(20ms);
    port.Close();
    reader.join();  // would hang if the close were not noticed
    EXPECT_EQ(state, SerialPort::WaitState::Closed);
}

TEST_F(SerialPortTest, DeviceThatHangsUpIsReportedGone) {
    ASSERT_TRUE(OpenOnPty());
    pty.HangUp();
    // The wait wakes (readable or gone), the read fails, and from then on
    // the port says it is gone instead of "no byte" for ever.
    std::uint8_t b = 0;
    for (int i = 0; i < 10 && !port.IsGone(); ++i) {
        if (port.WaitForInput(2000) == SerialPort::WaitState::Gone) break;
        EXPECT_FALSE(port.ReadByte(b));
    }
    EXPECT_TRUE(port.IsGone());
    EXPECT_EQ(port.WaitForInput(2000), SerialPort::WaitState::Gone);
}

TEST_F(SerialPortTest, ConcurrentFramesNeverInterleave) {
    ASSERT_TRUE(OpenOnPty());
    const std::string a(200, 'a');
    const std::string b(200, 'b');
    constexpr int kEach = 20;
    std::thread ta([&] {
        for (int i = 0; i < kEach; ++i) port.Write(a);
    });
    std::thread tb([&] {
        for (int i = 0; i < kEach; ++i) port.Write(b);
    });
    const std::string got = pty.Receive(5s, 2 * kEach * a.size());
    ta.join();
    tb.join();
    ASSERT_EQ(got.size(), 2 * kEach * a.size());
    for (std::size_t i = 0; i < got.size(); i += a.size())
        EXPECT_EQ(got.substr(i, a.size()).find_first_not_of(got[i]), std::string::npos) << "frame at " << i;
}

TEST_F(SerialPortTest, WriteGivesUpWhenNobodyReads) {
    // Nobody drains the master side: the output queue fills and the write is
    // bounded by 100 ms per byte instead of blocking for ever.
    ASSERT_TRUE(OpenOnPty());
    const std::string frame(10, 'x');  // gives up after 1 s once the queue is full
    bool failedOnce = false;
    for (int i = 0; i < 1'000'000 && !failedOnce; ++i) failedOnce = !port.Write(frame);
    EXPECT_TRUE(failedOnce);
}

}  // namespace
}  // namespace tulex
