#include "sim/SimEvents.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

#include <algorithm>

namespace tulex::sim {

namespace {

struct KindName {
    EventKind kind;
    const char* name;
};
constexpr KindName kKindNames[] = {
    {EventKind::Card, "card"},
    {EventKind::Online, "online"},
    {EventKind::Sensor, "sensor"},
    {EventKind::MasterRequest, "master-request"},
    {EventKind::MasterPoll, "master-poll"},
    {EventKind::MasterClear, "master-clear"},
    {EventKind::MasterConverter, "master-converter"},
    {EventKind::Noise, "noise"},
    {EventKind::LostTerminator, "lost"},
    {EventKind::Zeros, "zeros"},
    {EventKind::Burst, "burst"},
};

constexpr int kDefaultNoise = 8;
constexpr int kDefaultZeros = 4;
constexpr int kDefaultBurst = 1000;

}  // namespace

std::optional<EventKind> ParseEventKind(const std::string& name) {
    for (const auto& k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

const char* EventKindName(EventKind kind) {
    for (const auto& k : kKindNames)
        if (kind == k.kind) return k.name;
    return "?";
}

std::string CardEventFrame(std::uint8_t index, const std::string& data) {
    std::string f(1, static_cast<char>(index));
    f.push_back(kCardEventMark);
    f += data;
    f.push_back(kTerminator);
    return f;
}

std::string ChannelCardEventFrame(std::uint8_t index, char channel, const std::string& data) {
    std::string f(1, static_cast<char>(index));
    f.push_back(channel);
    f.push_back(kCardEventMark);
    f += data;
    f.push_back(kTerminator);
    return f;
}

std::string SensorEventFrame(std::uint8_t index, const std::string& data) {
    std::string f(1, static_cast<char>(index));
    f += data;
    f.push_back(kTerminator);
    return f;
}

SimEvents::SimEvents(SimLine& line, std::uint32_t seed) : line_(line), rng_(seed) {}

std::string SimEvents::RandomCardNumber() {
    std::uniform_int_distribution<int> digit(0, 9);
    std::string n;
    for (int i = 0; i < 10; ++i) n.push_back(static_cast<char>('0' + digit(rng_)));
    return n;
}

std::string SimEvents::RandomCardData(bool longData) {
    std::string d = RandomCardNumber();
    // First status digit: the reason (bits 0, 1), channel 2 (bit 3) for
    // long data; second: direction, granted.
    static constexpr char kFirstShort[] = {'0', '0', '1', '2', '3'};
    static constexpr char kFirstLong[] = {'0', '8', '1', '2', '8'};
    std::uniform_int_distribution<int> pick(0, 4);
    std::uniform_int_distribution<int> second(0, 3);
    d.push_back(longData ? kFirstLong[pick(rng_)] : kFirstShort[pick(rng_)]);
    d.push_back(static_cast<char>('0' + second(rng_)));
    if (longData) {
        std::uniform_int_distribution<int> address(1, 9);
        d += "000";
        d.push_back('0');
        d += "000";
        d.push_back(static_cast<char>('0' + address(rng_)));
    }
    return d;
}

std::optional<std::uint8_t> SimEvents::PickIndex(const EventSpec& entry) {
    if (entry.index) return entry.index;
    std::vector<std::uint8_t> candidates;
    for (SimController* c : line_.Controllers())
        if (!c->Behaviour().silent && c->Behaviour().sendsEvents) candidates.push_back(c->Index());
    if (candidates.empty()) return std::nullopt;
    std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
    return candidates[pick(rng_)];
}

std::string SimEvents::Fire(const EventSpec& entry, SimTime now) {
    const bool needsIndex = entry.kind == EventKind::Card || entry.kind == EventKind::Online ||
                            entry.kind == EventKind::Sensor || entry.kind == EventKind::MasterRequest ||
                            entry.kind == EventKind::MasterPoll || entry.kind == EventKind::LostTerminator;
    std::uint8_t index = 0;
    if (needsIndex) {
        const auto picked = PickIndex(entry);
        if (!picked) return "error: no controller on the line to send it";
        index = *picked;
    }
    const std::string who = IndexText(index);
    switch (entry.kind) {
    case EventKind::Card: {
        const std::string data = entry.data.empty() ? RandomCardData(entry.longData) : entry.data;
        line_.Emit(CardEventFrame(index, data), now, "card event");
        return "card event " + who + " " + data;
    }
    case EventKind::Online: {
        const int picked = entry.channel == 0 ? std::uniform_int_distribution<int>(1, 2)(rng_) : entry.channel;
        const char channel = picked == 2 ? '2' : '1';
        const std::string data =
            entry.data.empty() ? (entry.longData ? RandomCardData(true) : RandomCardNumber()) : entry.data;
        line_.Emit(ChannelCardEventFrame(index, channel, data), now,
                   std::string("on-line request, channel ") + channel);
        line_.Expect(index, channel == '1' ? '>' : '<', now);
        return std::string("on-line request ") + who + " channel " + channel + " " + data;
    }
    case EventKind::Sensor: {
        std::string data = entry.data;
        if (data.empty()) {
            std::uniform_int_distribution<int> input(1, 8);
            std::uniform_int_distribution<int> state(0, 1);
            data = {static_cast<char>('0' + input(rng_)), static_cast<char>('0' + state(rng_))};
        }
        if (!IsLineHexDigit(data[0])) return "error: sensor data must start with a hex digit 0-9, A-F";
        line_.Emit(SensorEventFrame(index, data), now, "sensor event");
        line_.Expect(index, '+', now);
        return "sensor event " + who + " " + data;
    }
    case EventKind::MasterRequest: {
        const std::string command = entry.data.empty() ? "$$02" : entry.data;
        line_.Emit(BuildRequest(index, command), now, "another master's request");
        return "another master's request to " + who + " " + command;
    }
    case EventKind::MasterPoll:
        line_.Emit(BuildShortFrame(index), now, "another master's poll");
        return "another master's poll of " + who;
    case EventKind::MasterClear:
        line_.Emit(BuildShortFrame(kBufferTarget), now, "another master's buffer clearing");
        return "another master's buffer clearing";
    case EventKind::MasterConverter: {
        const std::string command = entry.data.empty() ? "0" : entry.data;
        line_.Emit(BuildRequest(kConverterAddress, command), now, "another master's converter request");
        return "another master's converter request " + command;
    }
    case EventKind::Noise: {
        const int n = entry.count > 0 ? entry.count : kDefaultNoise;
        std::uniform_int_distribution<int> byte(1, 255);
        std::string bytes;
        for (int i = 0; i < n; ++i) bytes.push_back(static_cast<char>(byte(rng_)));
        line_.Emit(bytes, now, "noise");
        return std::to_string(n) + " noise bytes";
    }
    case EventKind::LostTerminator: {
        std::string frame = CardEventFrame(index, entry.data.empty() ? RandomCardData(false) : entry.data);
        frame.pop_back();
        line_.Emit(frame, now, "card event with its \"?\" lost");
        return "card event " + who + " without \"?\"";
    }
    case EventKind::Zeros: {
        const int n = entry.count > 0 ? entry.count : kDefaultZeros;
        line_.Emit(std::string(static_cast<std::size_t>(n), '\0'), now, "zero bytes");
        return std::to_string(n) + " zero bytes";
    }
    case EventKind::Burst: {
        const int n = entry.count > 0 ? entry.count : kDefaultBurst;
        std::vector<std::uint8_t> indexes;
        if (entry.index)
            indexes.push_back(*entry.index);
        else
            for (SimController* c : line_.Controllers()) indexes.push_back(c->Index());
        if (indexes.empty()) indexes.push_back(kFirstIndex);
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(n) * 15);
        for (int i = 0; i < n; ++i)
            bytes += CardEventFrame(indexes[static_cast<std::size_t>(i) % indexes.size()], RandomCardData(false));
        const std::size_t size = bytes.size();
        line_.Emit(std::move(bytes), now,
                   "burst of " + std::to_string(n) + " card events, " + std::to_string(size) + " bytes", false);
        return "burst of " + std::to_string(n) + " card events (" + std::to_string(size) + " bytes)";
    }
    }
    return "error: unknown event";
}

void SimEvents::AddSchedule(const ScheduleItem& item, SimTime start) {
    schedule_.push_back({item, start + Millis(std::max(0, item.atMs)), 0});
}

void SimEvents::Advance(SimTime now) {
    for (auto it = schedule_.begin(); it != schedule_.end();) {
        if (it->next > now) {
            ++it;
            continue;
        }
        Fire(it->item.event, it->next);
        ++it->fired;
        const bool again = it->item.everyMs > 0 && (it->item.repeat == 0 || it->fired < it->item.repeat);
        if (!again) {
            it = schedule_.erase(it);
            continue;
        }
        int step = it->item.everyMs;
        if (it->item.jitterMs > 0) step += std::uniform_int_distribution<int>(0, it->item.jitterMs)(rng_);
        // After a long stall do not fire a backlog: continue from now.
        it->next = std::max(it->next + Millis(step), now);
        ++it;
    }
}

std::optional<SimTime> SimEvents::NextDue() const {
    std::optional<SimTime> next;
    for (const auto& r : schedule_)
        if (!next || r.next < *next) next = r.next;
    return next;
}

}  // namespace tulex::sim
