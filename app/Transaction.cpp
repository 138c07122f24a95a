#include "app/Transaction.h"

#include <optional>

#include "app/CommandContext.h"
#include "app/Timing.h"
#include "line/Frame.h"

namespace tulex {

bool StartTransaction(CommandContext& context, std::vector<std::string> commands, std::vector<std::string> descriptions,
                      std::function<void()> worker) {
    ControllerTransaction& transaction = context.transaction();
    context.EnableCommandControls(false);
    transaction.busy = 1;
    transaction.target = context.map().SelectedIndex();
    transaction.commandList = std::move(commands);
    transaction.descriptionList = std::move(descriptions);
    if (context.StartWorker(std::move(worker))) return true;
    transaction.busy = 0;
    transaction.commandList.clear();
    transaction.descriptionList.clear();
    context.EnableCommandControls(true);
    return false;
}

namespace {

bool ClearPasses(CommandContext& context, std::optional<int> passes) {
    ControllerTransaction& transaction = context.transaction();
    while (context.IsPortOpen() && transaction.busy && (!passes || (*passes)-- > 0)) {
        const std::uint8_t target = transaction.target;
        context.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        context.SendShortFrame(target, target, "Запрос контроллера");
        if (transaction.Wait({Reply::Ack}, limits::kClearPass) == Reply::Ack) return true;
    }
    return false;
}

}  // namespace

void ClearControllerBuffer(CommandContext& context) { ClearPasses(context, std::nullopt); }

bool ClearControllerBuffer(CommandContext& context, int passes) { return ClearPasses(context, passes); }

void ShowTimeout(CommandContext& context) {
    context.MonitorTimeout(context.transaction().target);
    context.transaction().ShowFailure(kTimeoutText);
}

void EndTransaction(CommandContext& context, bool showOutcome) {
    ControllerTransaction& transaction = context.transaction();
    if (showOutcome) context.ShowControllerBalloon();
    transaction.busy = 0;
    transaction.CloseEvents();
    transaction.commandList.clear();
    transaction.descriptionList.clear();
    context.EnableCommandControls(true);
}

Reply WaitForReply(ControllerTransaction& transaction, std::chrono::milliseconds limit) {
    return transaction.Wait({Reply::Ack, Reply::Positive, Reply::Error}, limit);
}

void EndWithReplyOutcome(CommandContext& context, Reply reply, const std::string& successText) {
    ControllerTransaction& transaction = context.transaction();
    switch (reply) {
    case Reply::Ack:
        ClearControllerBuffer(context);
        transaction.ShowSuccess(successText);
        break;
    case Reply::Positive: transaction.ShowSuccess(successText); break;
    case Reply::Error: transaction.ShowFailure(kNotOnLine); break;
    case Reply::Timeout: ShowTimeout(context); break;
    default: return EndTransaction(context, false);  // the wait failed outright
    }
    EndTransaction(context);
}

bool RequestAccepted(CommandContext& context, Reply reply) {
    switch (reply) {
    case Reply::Ack:
    case Reply::Positive: return true;
    case Reply::Error: context.transaction().ShowFailure(kNotOnLine); break;
    case Reply::Timeout: ShowTimeout(context); break;
    default: EndTransaction(context, false); return false;  // the wait failed outright
    }
    EndTransaction(context);
    return false;
}

namespace {

constexpr int kIndexErrorLimit = 15;   // error replies before the index change gives up
constexpr int kIndexTimeoutLimit = 3;  // time-outs before it gives up

}  // namespace

LoopEnd RepeatUntilAnswered(CommandContext& context, std::uint8_t target, const std::string& command,
                            const std::string& description, bool clearOnAck) {
    ControllerTransaction& transaction = context.transaction();
    int errors = 0;
    int timeouts = 0;
    // A closed port fails every wait at once: nothing left to repeat.
    while (transaction.busy && context.IsPortOpen()) {
        transaction.target = target;
        context.SendRequest(target, command, description);
        const Reply r = WaitForReply(transaction, limits::kIndexLoop);
        if (r == Reply::Ack) {
            if (clearOnAck) ClearControllerBuffer(context);
            return LoopEnd::Answered;
        }
        if (r == Reply::Positive) return LoopEnd::Answered;
        if (r == Reply::Error) {
            if (++errors == kIndexErrorLimit) {
                transaction.ShowFailure(kNotOnLine);
                return LoopEnd::ErrorReplies;
            }
        } else if (r == Reply::Timeout) {
            if (++timeouts == kIndexTimeoutLimit) {
                ShowTimeout(context);
                return LoopEnd::Timeouts;
            }
        }
        // A failed wait is simply repeated.
    }
    return LoopEnd::Stopped;
}

namespace {

// Sends the first command of the list with its description.
void SendFirstRequest(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    context.SendRequest(transaction.target, transaction.CommandAt(0), transaction.DescriptionAt(0));
}

}  // namespace

void SingleExchangeWorker(CommandContext& context, const std::string& successText) {
    ControllerTransaction& transaction = context.transaction();
    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error});
    SendFirstRequest(context);
    EndWithReplyOutcome(context, WaitForReply(transaction), successText);
}

void DataReplyWorker(CommandContext& context, const ReportFunction& report) {
    ControllerTransaction& transaction = context.transaction();
    transaction.ShowWaiting();
    context.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
    SendFirstRequest(context);
    const Reply r = WaitForReply(transaction);
    if (!RequestAccepted(context, r)) return;
    if (r == Reply::Ack) ClearControllerBuffer(context);
    const Reply d = transaction.Wait({Reply::Data}, limits::kData);
    if (d == Reply::Failed) return EndTransaction(context, false);
    if (d == Reply::Data)
        report(transaction, transaction.ReplyData());
    else
        ShowTimeout(context);
    EndTransaction(context);
}

}  // namespace tulex
