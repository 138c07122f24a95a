#pragma once
// The shared machinery of a controller command: starting a transaction on
// the UI thread, the two worker templates, the buffer-clearing loop and the
// end of a transaction in its fixed order.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/Timing.h"
#include "controller/ControllerTransaction.h"

namespace tulex {

class CommandContext;
class ControllerTransaction;

// UI thread: disables the command controls, sets the busy flag, takes the
// selected index as the target, fills the command and description lists and
// starts the worker. False (and everything undone) if no thread could start.
bool StartTransaction(CommandContext& context, std::vector<std::string> commands, std::vector<std::string> descriptions,
                      std::function<void()> worker);

// Worker thread: short frames FF FD ? and FF target ? until the next "!"
// (100 ms per pass), the port closes, or the busy flag drops.
void ClearControllerBuffer(CommandContext& context);
// The same with at most `passes` passes, for runs with nobody at the
// "Остановить" button (a plan): a controller that acknowledged and then fell
// silent must not hold the run for ever. True when the "!" came.
bool ClearControllerBuffer(CommandContext& context, int passes);

// Worker template 1: one request, one answer; success text on "!" (after
// buffer clearing) or "$", failure on "#" or time-out.
void SingleExchangeWorker(CommandContext& context, const std::string& successText);

// Worker template 2: the request, then the data reply turned into a report
// by `report` (which sets the balloon through context.transaction()).
using ReportFunction = std::function<void(ControllerTransaction& transaction, const std::string& replyData)>;
void DataReplyWorker(CommandContext& context, const ReportFunction& report);

// The end of every transaction, in this order: the outcome shown (unless
// showOutcome is false: a wait that failed outright), busy flag cleared,
// events closed, lists emptied, controls enabled.
void EndTransaction(CommandContext& context, bool showOutcome = true);

// "   TIMEOUT" in the monitor and the time-out failure in the balloon.
void ShowTimeout(CommandContext& context);

// Waits for reply events 1 to 3 (acknowledgement, positive reply, error
// reply), lowest first, at most the limit (shortened by the test setting).
Reply WaitForReply(ControllerTransaction& transaction, std::chrono::milliseconds limit = limits::kReply);

// The outcome of a request whose answer ends the command: on "!" the buffer
// is cleared first, "!" and "$" show the success text, "#" the controller's
// absence, a time-out the time-out. Then the transaction ends; a wait that
// failed outright ends it without an outcome.
void EndWithReplyOutcome(CommandContext& context, Reply reply, const std::string& successText);

// For a request that the command goes on from once it is accepted: true on
// "!" or "$". Otherwise the transaction has been ended with its outcome ("#",
// time-out) or without one (a failed wait).
bool RequestAccepted(CommandContext& context, Reply reply);

// How the repeated exchange of the index change ended.
enum class LoopEnd { Answered, ErrorReplies, Timeouts, Stopped };

// The repeated exchange of the index change: sends `command` to `target`
// until an acknowledgement or positive reply (Answered), 15 error replies
// (the failure "Контроллера нет в линии.") or 3 time-outs (the time-out
// failure and its monitor line), counted apart, or until the busy flag drops
// or the port closes (Stopped, no outcome). With clearOnAck the controller's
// buffer is cleared after an acknowledgement.
LoopEnd RepeatUntilAnswered(CommandContext& context, std::uint8_t target, const std::string& command,
                            const std::string& description, bool clearOnAck);

inline constexpr const char* kNotOnLine = "Контроллера нет в линии.";
inline constexpr const char* kTimeoutText = "Время ожидания ответа истекло.";

}  // namespace tulex
