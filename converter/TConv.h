#pragma once
// The converter object: the hand-over with the receive thread while a
// converter command waits (busy flag, the accumulated converter reply, the
// converter events) and the texts last typed into the converter dialogs.

#include <atomic>
#include <mutex>
#include <string>

#include "line/Event.h"

namespace tulex {

class TConv {
public:
    enum EventId { kEvent1 = 0, kEvent2, kDataEvent, kEventCount };

    // 1 while a converter command waits for its answers.
    std::atomic<int> busy{0};

    // Remembered dialog texts.
    std::string pollRangeText;
    std::string rawCommandText;

    // Events exist only while a converter command runs.
    void CreateEvents();
    void CloseEvents();
    void Signal(EventId id);
    Event* EventFor(EventId id);

    // The converter reply: data of the converter data replies, appended by
    // the receive thread, emptied by the converter commands.
    void AppendReply(std::string_view bytes);
    std::string Reply() const;
    void ClearReply();

private:
    mutable std::mutex mutex_;
    Event events_[kEventCount];
    bool exists_[kEventCount] = {};
    std::string reply_;
};

}  // namespace tulex
