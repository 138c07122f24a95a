#include "serial/PortList.h"
#include "serial/SerialPort.h"

#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"
#include "tests/support/Unprivileged.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tulex {
namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty with a device link where a driver is behind the node.
void AddTty(const fs::path& root, const std::string& name, bool device, int uartType = -1) {
    fs::create_directories(root / name);
    if (device) fs::create_directories(root / name / "device");
    if (uartType >= 0) std::ofstream(root / name / "type") << uartType << "\n";
}

TEST(PortList, SerialDevicesSortedAsTextWithRealUartsOnly) {
    test::TempDir sys, sim;
    AddTty(sys.path(), "ttyS0", true, 4);  // a 16550A
    AddTty(sys.path(), "ttyS1", true, 0);  // a reserved slot, no UART
    AddTty(sys.path(), "ttyUSB10", true);
    AddTty(sys.path(), "ttyUSB2", true);
    AddTty(sys.path(), "ttyACM0", true);
    AddTty(sys.path(), "tty1", false);  // a virtual console
    AddTty(sys.path(), "ptmx", false);
    const auto ports = ListPorts({sys.path().string(), sim.path().string()});
    EXPECT_EQ(ports, (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyUSB10", "ttyUSB2"}));
}

TEST(PortList, AnnouncedVirtualLinesAreListedAndOpenable) {
    test::TempDir sys, sim;
    test::Pty pty;
    ASSERT_TRUE(pty.ok());
    fs::create_symlink(pty.slavePath(), sim.path() / "SIM1");
    fs::create_symlink("/dev/pts/nonexistent-999", sim.path() / "SIM2");  // stale
    const auto ports = ListPorts({sys.path().string(), sim.path().string()});
    EXPECT_EQ(ports, (std::vector<std::string>{"SIM1"}));

    setenv("TULEX_SIM_DIR", sim.path().c_str(), 1);
    EXPECT_EQ(ResolvePortPath("SIM1"), (sim.path() / "SIM1").string());
    EXPECT_EQ(ResolvePortPath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolvePortPath("/dev/pts/3"), "/dev/pts/3");
    SerialPort port;
    EXPECT_EQ(port.Open("SIM1"), PortError::None);
    EXPECT_EQ(port.Configure("9600"), PortError::None);
    unsetenv("TULEX_SIM_DIR");
}

TEST(PortList, PortsWhosePermissionsKeepTheUserOutAreTold) {
    test::Pty pty;
    ASSERT_TRUE(pty.ok());
    const std::string path = pty.slavePath();
    struct Case {
        const char* what;
        std::string name;
        mode_t mode;
        bool denied;
    } const cases[] = {
        {"no permission", path, 0, true},
        {"read only", path, 0444, true},
        {"read and write", path, 0666, false},
        // A name that is not there is "not found", not a question of rights.
        {"no such port", "ttyNOSUCH99", 0666, false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(chmod(path.c_str(), c.mode), 0);
        const int status = test::RunUnprivileged([&] { return PortAccessDenied(c.name) ? 1 : 0; });
        EXPECT_EQ(status, c.denied ? 1 : 0) << c.what;
    }
}

TEST(PortList, EmptyWhenNothingIsThere) {
    test::TempDir sys, sim;
    EXPECT_TRUE(ListPorts({sys.path().string(), (sim.path() / "missing").string()}).empty());
}

}  // namespace
}  // namespace tulex
