#pragma once
// The controller object: the state of one command transaction (busy flag,
// target, command and description lists, reply events, reply data) and the
// controller balloon's state. The receive thread signals the events and
// stores the reply data; the worker creates and closes the events it waits on.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "display/Colour.h"
#include "line/EventSet.h"
#include "line/Frame.h"

namespace tulex {

class ControllerTransaction {
public:
    enum EventId { kReply1 = 0, kReply2, kReply3, kData, kCancel, kEventCount };

    // --- balloon state (written by the worker before it asks for the balloon)
    std::string balloonTitle;
    std::string balloonText;
    Colour balloonColour = kWaitingColour;

    void ShowWaiting();
    void ShowSuccess(const std::string& text);
    void ShowFailure(const std::string& text);
    // Sets a report: own title and text, the report colour.
    void ShowReport(const std::string& title, const std::string& text);
    // The parameter and master-card reports of a data reply (controller/Reports.cpp).
    void ReportParameters(const std::string& replyData);
    void ReportMasterCard(const std::string& replyData);

    // --- transaction state
    std::atomic<int> busy{0};
    std::atomic<std::uint8_t> target{kFirstIndex};
    std::vector<std::string> commandList;      // command texts (line bytes)
    std::vector<std::string> descriptionList;  // descriptions and result texts (UTF-8)

    // Remembered dialog texts (offered as defaults next time).
    std::string relayTimeText;
    std::string indexText;
    std::string rawCommandText;

    // A worker creates the events it waits on (fresh, not signalled) and
    // closes them at its end. A signal to an event that does not exist is
    // lost, as a reply that arrives outside a transaction must be.
    void CreateEvents(std::initializer_list<EventId> ids) { events_.Create(ids); }
    void CloseEvents() { events_.CloseAll(); }
    // Signals an event if it exists (receive thread, Stop button).
    void Signal(EventId id) { events_.Signal(id); }
    // The event to wait on, or null if it does not exist (a wait on it fails).
    Event* EventFor(EventId id) { return events_.Get(id); }
    bool EventExists(EventId id) const { return events_.Exists(id); }

    // Reply data: the data characters of the last data reply. Replaced by the
    // receive thread before it signals the data event.
    void SetReplyData(std::string data);
    std::string ReplyData() const;
    void ClearReplyData();

private:
    EventSet<kEventCount> events_;
    mutable std::mutex mutex_;  // guards replyData_
    std::string replyData_;
};

}  // namespace tulex
