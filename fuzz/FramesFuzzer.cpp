// The frame cutter and the router feeding LineSession's real event handling,
// byte by byte, under every combination of the settings.
//
// An input is three header bytes, then the bytes of the line:
//   0  settings and state, one bit each: readers, sensors, on-line answer,
//      sensor answer, master mode, a controller command runs, a converter
//      command waits (bits 0..6)
//   1  the running controller command's target (taken into the index table)
//   2  the cutter's frame limit: 0 for the line's own (kMaxFrameBytes), else
//      that many bytes, so that short inputs reach it
// Checked: the frames cut add up to exactly the bytes fed; no frame exceeds
// the limit and each ends where its first byte says; the map's sets hold only
// indexes of the index table and never one index twice; every text the
// screen and the monitor get is UTF-8 (fuzz/Utf8CheckingView.h), and the
// session writes only requests to indexes of the table
// (fuzz/DiscardingPort.h).
//
// One session serves every input: its state is set from the header and put
// back after each input, and the monitor keeps no lines, so memory stays flat.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

#include "app/Dispatcher.h"
#include "app/LineSession.h"
#include "controller/Reports.h"
#include "fuzz/DiscardingPort.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/Utf8CheckingView.h"
#include "line/Cp1251.h"
#include "line/Frame.h"
#include "line/FrameReader.h"
#include "line/FrameRouter.h"

namespace tulex::fuzz {
namespace {

constexpr std::size_t kHeaderBytes = 3;

bool Bit(std::uint8_t flags, int bit) { return (flags >> bit & 1) != 0; }

struct FrameInput {
    std::uint8_t flags = 0;
    std::uint8_t target = kFirstIndex;
    std::size_t frameLimit = FrameReader::kMaxFrameBytes;
    std::string_view line;
};

FrameInput ReadInput(const std::uint8_t* data, std::size_t size) {
    FrameInput input;
    input.flags = data[0];
    input.target = static_cast<std::uint8_t>(kFirstIndex + data[1] % kIndexCount);
    if (data[2] != 0) input.frameLimit = data[2];
    input.line = std::string_view(reinterpret_cast<const char*>(data + kHeaderBytes), size - kHeaderBytes);
    return input;
}

// A completed frame is cut where its first byte says, or at the limit and
// not later than that.
void CheckFrame(const FrameReader& reader) {
    const std::string_view raw = reader.raw();
    Require(!raw.empty() && raw.size() <= reader.maxFrameBytes(), "a frame holds 1 byte up to the limit");
    Require(reader.prefix().find_first_not_of('\xFF') == std::string_view::npos, "the prefix run is 0xFF bytes");
    const bool overflow = reader.kind() == FrameKind::Overflow;
    Require(!overflow || raw.size() == reader.maxFrameBytes(), "an overflow is cut at the limit");
    const std::string_view text = reader.text();
    if (text.empty()) {
        Require(overflow, "only a prefix run at the limit has no frame text");
        return;
    }
    const FrameKind kind = FrameReader::KindOf(static_cast<std::uint8_t>(text[0]));
    Require(overflow || reader.kind() == kind, "the first byte after the prefix run gives the kind");
    if (kind == FrameKind::Acknowledgement || kind == FrameKind::Other) {
        Require(!overflow && text.size() == 1, "a single-byte frame is one byte");
        return;
    }
    // Up to the first "?", and a master's converter frame or addressed
    // request takes one check character more. An overflow holds no "?" that
    // should have ended it, but may end in one whose check character would
    // have been past the limit.
    const std::size_t end = text.find(kTerminator, 1);
    const bool check =
        !reader.prefix().empty() && (kind == FrameKind::Converter || (kind == FrameKind::IndexLed && end > 1));
    if (overflow)
        Require(end == std::string_view::npos || (check && end + 1 == text.size()),
                "an overflow holds no terminator that should have ended it");
    else
        Require(end != std::string_view::npos && end + (check ? 2 : 1) == text.size(),
                "a frame ends at its first terminator (and its check character)");
}

void CheckMap(const LineMap& map) {
    const LineMap::Snapshot sets = map.Take();
    for (std::size_t b = 0; b < sets.present.size(); ++b) {
        const bool inTable = IsIndexByte(static_cast<std::uint8_t>(b));
        Require(inTable || !sets.present[b], "the present set holds only indexes of the index table");
        Require(inTable || !sets.replyOnly[b], "the reply-only set holds only indexes of the index table");
        Require(!(sets.present[b] && sets.replyOnly[b]), "no index is in both sets");
    }
}

// One session for every input, with what it needs around it.
struct Harness {
    Utf8CheckingView view;
    QueueDispatcher dispatcher;
    LineSession session{view, dispatcher, std::make_unique<DiscardingPort>()};

    Harness() {
        TrafficLog& monitor = session.monitor();
        monitor.SetLocalTime([] { return std::tm{}; });
        monitor.SetKeepLines(false);
        monitor.SetLineSink([](std::string_view line) {
            Require(line.find('\0') == std::string_view::npos, "a monitor line holds no zero byte");
            RequireUtf8(Cp1251ToUtf8(line), "a monitor line reads as UTF-8");
        });
        monitor.SetWindowExists(true);
    }

    void Begin(const FrameInput& input) {
        Settings& settings = session.settings();
        settings.readers = Bit(input.flags, 0);
        settings.sensors = Bit(input.flags, 1);
        settings.onlineAnswer = Bit(input.flags, 2);
        settings.sensorAnswer = Bit(input.flags, 3);
        settings.masterMode = Bit(input.flags, 4);
        if (Bit(input.flags, 5)) {
            ControllerTransaction& transaction = session.transaction();
            transaction.target = input.target;
            transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
            transaction.busy = 1;
        }
        if (Bit(input.flags, 6)) {
            ConverterTransaction& converter = session.converterTransaction();
            converter.CreateEvents({ConverterReply::Positive, ConverterReply::Error, ConverterReply::Data});
            converter.busy = 1;
        }
    }

    // What a waiting command would make of the replies, then the session as
    // it was before the input.
    void End() {
        ControllerTransaction& transaction = session.transaction();
        if (transaction.busy) {
            const std::string data = transaction.ReplyData();
            const ReportText parameters = ParameterReport(data);
            const ReportText masterCard = MasterCardReport(data);
            RequireUtf8(parameters.title + parameters.text, "the parameter report of a data reply");
            RequireUtf8(masterCard.title + masterCard.text, "the master-card report of a data reply");
            transaction.busy = 0;
            transaction.CloseEvents();
        }
        transaction.ClearReplyData();
        ConverterTransaction& converter = session.converterTransaction();
        if (converter.busy) {
            RequireUtf8(converter.Report(), "the converter report of the converter data");
            converter.busy = 0;
            converter.CloseEvents();
        }
        converter.ClearReply();
        session.map().ClearSets();
        dispatcher.ProcessPending();
    }

    void Run(const FrameInput& input) {
        Begin(input);
        FrameReader reader(input.frameLimit);
        LineEvents& events = session;
        std::string cut;
        cut.reserve(input.line.size());
        for (const char byte : input.line) {
            if (!reader.Feed(static_cast<std::uint8_t>(byte))) continue;
            CheckFrame(reader);
            cut.append(reader.raw());
            RouteFrame(reader, events);
        }
        if (reader.InFrame()) cut.append(reader.raw());
        Require(cut == input.line, "the frames cut add up to the bytes fed");
        dispatcher.ProcessPending();
        CheckMap(session.map());
        End();
    }
};

}  // namespace
}  // namespace tulex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tulex::fuzz;
    if (size < kHeaderBytes) return 0;
    static Harness harness;
    harness.Run(ReadInput(data, size));
    return 0;
}
