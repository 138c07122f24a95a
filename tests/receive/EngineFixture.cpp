#include "tests/receive/EngineFixture.h"

#include <thread>

#include "line/Cp1251.h"

namespace tulex::test {

using namespace std::chrono_literals;

void LineWatchingView::ShowCardPopup(std::uint8_t index, const std::string& title, const std::string& text) {
    if (atCard) atCard();
    inner_.ShowCardPopup(index, title, text);
}

EngineTest::EngineTest() {
    session = std::make_unique<LineSession>(view, dispatcher, line.MakePort(), clock);
    session->monitor().SetWindowExists(true);
    session->monitor().SetLocalTime([] {
        std::tm tm{};
        tm.tm_hour = 12;
        return tm;
    });
}

EngineTest::~EngineTest() {
    session->ClosePort();
    session.reset();
}

void EngineTest::Open() {
    session->OpenPort(VirtualLine::kPortName, "9600");
    ASSERT_TRUE(session->IsPortOpen());
}

std::string EngineTest::MonitorText(std::size_t i) const {
    std::string line = session->monitor().Line(i);
    line.erase(0, 8);  // "12:00:00"
    const std::string head = "   " + session->PortName();
    if (line.compare(0, head.size(), head) == 0) line.erase(0, head.size());
    return Cp1251ToUtf8(line);
}

std::vector<std::string> EngineTest::MonitorTexts() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < session->monitor().Count(); ++i) out.push_back(MonitorText(i));
    return out;
}

std::vector<std::string> EngineTest::Feed(std::string_view bytes) {
    const std::size_t before = session->monitor().Count();
    line.Inject(std::string(bytes) + "&?");
    std::size_t marker = 0;
    const bool seen = dispatcher.RunUntil(
        [&] {
            for (std::size_t i = session->monitor().Count(); i-- > before;) {
                if (MonitorText(i) == Received("DEVICE ERROR")) {
                    marker = i;
                    return true;
                }
            }
            return false;
        },
        5s);
    EXPECT_TRUE(seen) << "the engine did not get to the end of the bytes";
    dispatcher.ProcessPending();
    std::vector<std::string> lines;
    for (std::size_t i = before; i < marker; ++i) lines.push_back(MonitorText(i));
    return lines;
}

std::string EngineTest::Written(std::size_t want) {
    // The engine answers from the receive thread while it routes, so after
    // Feed everything it had to write is there; only `want` may still come.
    // No dispatcher here: the test may ask from inside a view call.
    for (int i = 0; i < 5000 && line.Written().size() < writtenTaken_ + want; ++i) std::this_thread::sleep_for(1ms);
    std::string got = line.Written().substr(writtenTaken_);
    writtenTaken_ += got.size();
    return got;
}

}  // namespace tulex::test
