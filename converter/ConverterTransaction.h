#pragma once
// The converter object: the hand-over with the receive thread while a
// converter command waits (busy flag, the accumulated converter reply, the
// converter events), the lists of the running command and the texts last
// typed into the converter dialogs.

#include <atomic>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "line/EventSet.h"

namespace tulex {

class ConverterTransaction {
public:
    enum EventId { kEvent1 = 0, kEvent2, kDataEvent, kEventCount };

    // 1 while a converter command waits for its answers.
    std::atomic<int> busy{0};

    // The running command: command texts (line bytes) and one monitor
    // description (UTF-8) per command. Filled by the menu handler before the
    // worker starts, emptied by the worker at its end.
    std::vector<std::string> commandList;
    std::vector<std::string> descriptionList;

    // Remembered dialog texts (UTF-8), offered as defaults next time.
    std::string pollRangeText;
    std::string rawCommandText;

    // Events exist only while a converter command runs: the worker creates
    // those it waits on (fresh, not signalled) and closes them at its end.
    // A signal to an event that does not exist is lost.
    void CreateEvents();  // all three
    void CreateEvents(std::initializer_list<EventId> ids) { events_.Create(ids); }
    void CloseEvents() { events_.CloseAll(); }
    void Signal(EventId id) { events_.Signal(id); }
    // The event to wait on, or null if it does not exist (a wait on it fails).
    Event* EventFor(EventId id) { return events_.Get(id); }
    bool EventExists(EventId id) const { return events_.Exists(id); }

    // The converter reply: data of the converter data replies, appended by
    // the receive thread, emptied by the converter commands.
    void AppendReply(std::string_view bytes);
    std::string Reply() const;
    void ClearReply();

    // The parameter report (UTF-8) built from the converter reply, which is
    // emptied in the same step.
    std::string Report();

private:
    EventSet<kEventCount> events_;
    mutable std::mutex mutex_;  // guards reply_
    std::string reply_;
};

}  // namespace tulex
