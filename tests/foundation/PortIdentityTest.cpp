// Which name a lost port is waited for under: the adapter's by-id link when
// one points at the device opened, else the name itself; and whether it is
// there, without opening it.

#include "serial/PortIdentity.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/support/Pty.h"
#include "tests/support/TempDir.h"

namespace tulex {
namespace {

namespace fs = std::filesystem;

TEST(PortIdentity, ADeviceWithAByIdLinkIsKnownByTheLink) {
    test::Pty adapter, other;
    ASSERT_TRUE(adapter.ok() && other.ok());
    test::TempDir byId;
    const fs::path link = byId.path() / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink(other.slavePath(), byId.path() / "usb-Prolific_PL2303-if00-port0");
    fs::create_symlink(adapter.slavePath(), link);
    const std::string folder = byId.path().string();

    struct Case {
        const char* name;
        std::string opened;
        std::string expected;
    };
    const Case cases[] = {
        {"the device's path", adapter.slavePath(), link.string()},
        {"the by-id link itself", link.string(), link.string()},
        {"a name that opens nothing", "/nonexistent/ttyUSB7", "/nonexistent/ttyUSB7"},
    };
    for (const Case& c : cases) EXPECT_EQ(StablePortName(c.opened, folder), c.expected) << c.name;

    test::TempDir empty;
    EXPECT_EQ(StablePortName(adapter.slavePath(), empty.path().string()), adapter.slavePath())
        << "no by-id link: the name opened";
    EXPECT_EQ(StablePortName(adapter.slavePath(), "/nonexistent"), adapter.slavePath()) << "no by-id folder at all";
}

TEST(PortIdentity, PresentFollowsTheLinkToItsDevice) {
    test::TempDir dir;
    const fs::path link = dir.path() / "SIM1";
    auto first = std::make_unique<test::Pty>();
    ASSERT_TRUE(first->ok());
    fs::create_symlink(first->slavePath(), link);
    EXPECT_TRUE(PortPresent(link.string()));
    EXPECT_TRUE(PortPresent(first->slavePath()));
    const std::string firstPath = first->slavePath();
    first.reset();  // the terminal goes away: the link points at nothing
    EXPECT_FALSE(PortPresent(link.string()));
    EXPECT_FALSE(PortPresent(firstPath));
    test::Pty second;  // back under the same name, behind another terminal
    fs::remove(link);
    fs::create_symlink(second.slavePath(), link);
    EXPECT_TRUE(PortPresent(link.string()));
    EXPECT_FALSE(PortPresent(""));
}

}  // namespace
}  // namespace tulex
