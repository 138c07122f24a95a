#pragma once
// The converter object: the hand-over with the receive thread while a
// converter command waits (busy flag, the accumulated converter reply, the
// converter events), the lists of the running command and the texts last
// typed into the converter dialogs.

#include <atomic>
#include <chrono>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "line/Clock.h"
#include "line/EventSet.h"

namespace tulex {

// What a converter command waits for, and how a wait can end. The first
// three are events: the positive reply, the error reply and a converter data
// reply.
enum class ConverterReply { Positive, Error, Data, Timeout, Failed };

class ConverterTransaction {
public:
    explicit ConverterTransaction(Clock& clock = Clock::Steady()) : clock_(clock) {}

    // 1 while a converter command waits for its answers.
    std::atomic<int> busy{0};

    // The running command: command texts (line bytes) and one monitor
    // description (UTF-8) per command. Filled by the menu handler before the
    // worker starts, emptied by the worker at its end.
    std::vector<std::string> commandList;
    std::vector<std::string> descriptionList;
    // Entry i of the lists, "" where a list is shorter.
    std::string CommandAt(std::size_t i) const { return i < commandList.size() ? commandList[i] : std::string(); }
    std::string DescriptionAt(std::size_t i) const {
        return i < descriptionList.size() ? descriptionList[i] : std::string();
    }

    // Remembered dialog texts (UTF-8), offered as defaults next time.
    std::string pollRangeText;
    std::string rawCommandText;

    // Events exist only while a converter command runs: the worker creates
    // those it waits on (fresh, not signalled) and closes them at its end.
    // A signal to an event that does not exist is lost.
    void CreateEvents(std::initializer_list<ConverterReply> replies) { events_.Create(replies); }
    void CloseEvents() { events_.CloseAll(); }
    // The port closed under the command: its running wait and every later one
    // fail at once (Failed), so it ends without waiting out its limits. The
    // port's next open renews the waits.
    void Abandon() { events_.Abandon(); }
    void Renew() { events_.Renew(); }
    void Signal(ConverterReply reply) { events_.Signal(static_cast<std::size_t>(reply)); }
    bool EventExists(ConverterReply reply) const { return events_.Exists(static_cast<std::size_t>(reply)); }
    // Non-consuming look at a reply's event (tests and diagnostics).
    bool IsSignalled(ConverterReply reply) const { return events_.IsSet(static_cast<std::size_t>(reply)); }
    // Waits until one of `replies` comes, at most `limit`: the first in the
    // list wins when several are there. Timeout when the time passed; Failed
    // when one of them has no event.
    ConverterReply Wait(std::initializer_list<ConverterReply> replies, std::chrono::milliseconds limit);

    // The converter reply: data of the converter data replies, appended by
    // the receive thread, emptied by the converter commands.
    void AppendReply(std::string_view bytes);
    std::string ReplyData() const;
    void ClearReply();

    // The parameter report (UTF-8) built from the converter reply, which is
    // emptied in the same step.
    std::string Report();

private:
    static constexpr std::size_t kEventCount = static_cast<std::size_t>(ConverterReply::Data) + 1;
    Clock& clock_;
    EventSet<kEventCount> events_;
    mutable std::mutex mutex_;  // guards reply_
    std::string reply_;
};

}  // namespace tulex
