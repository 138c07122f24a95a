#pragma once
// The controller object: the state of one command transaction (busy flag,
// target, command and description lists, reply events, reply data) and the
// controller balloon's state. The receive thread signals the events and
// stores the reply data; the worker creates and closes the events it waits on.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "display/Colour.h"
#include "line/Clock.h"
#include "line/EventSet.h"
#include "line/Frame.h"

namespace tulex {

// What a controller command waits for, and how a wait can end. The first
// five are events: the acknowledgement "!", the positive reply "$", the error
// reply "#", the data reply and "Остановить".
enum class Reply { Ack, Positive, Error, Data, Cancel, Timeout, Failed };

class ControllerTransaction {
public:
    explicit ControllerTransaction(Clock& clock = Clock::Steady()) : clock_(clock) {}

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
    // Entry i of the lists, "" where a list is shorter (no exception may
    // leave a worker thread).
    std::string CommandAt(std::size_t i) const { return i < commandList.size() ? commandList[i] : std::string(); }
    std::string DescriptionAt(std::size_t i) const {
        return i < descriptionList.size() ? descriptionList[i] : std::string();
    }

    // Remembered dialog texts (offered as defaults next time).
    std::string relayTimeText;
    std::string indexText;
    std::string rawCommandText;

    // A worker creates the events of the replies it waits for (fresh, not
    // signalled) and closes them at its end. A signal to an event that does
    // not exist is lost, as a reply that arrives outside a transaction must be.
    void CreateEvents(std::initializer_list<Reply> replies) { events_.Create(replies); }
    void CloseEvents() { events_.CloseAll(); }
    // The port closed under the command: its running wait and every later one
    // fail at once (Failed), so it ends without waiting out its limits. The
    // port's next open renews the waits.
    void Abandon() { events_.Abandon(); }
    void Renew() { events_.Renew(); }
    // Signals a reply's event if it exists (receive thread, Stop button).
    void Signal(Reply reply) { events_.Signal(static_cast<std::size_t>(reply)); }
    bool EventExists(Reply reply) const { return events_.Exists(static_cast<std::size_t>(reply)); }
    // Non-consuming look at a reply's event (tests and diagnostics).
    bool IsSignalled(Reply reply) const { return events_.IsSet(static_cast<std::size_t>(reply)); }
    // Waits until one of `replies` comes, at most `limit`: the first in the
    // list wins when several are there. Timeout when the time passed; Failed
    // when one of them has no event (the wait could never succeed).
    Reply Wait(std::initializer_list<Reply> replies, std::chrono::milliseconds limit);
    // The clock the waits run on.
    Clock& clock() { return clock_; }

    // Reply data: the data characters of the last data reply. Replaced by the
    // receive thread before it signals the data event.
    void SetReplyData(std::string data);
    std::string ReplyData() const;
    void ClearReplyData();

private:
    static constexpr std::size_t kEventCount = static_cast<std::size_t>(Reply::Cancel) + 1;
    Clock& clock_;
    EventSet<kEventCount> events_;
    mutable std::mutex mutex_;  // guards replyData_
    std::string replyData_;
};

}  // namespace tulex
