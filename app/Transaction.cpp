#include "app/Transaction.h"

#include "app/LineSession.h"
#include "app/Timing.h"
#include "line/Frame.h"

namespace tulex {

bool StartTransaction(LineSession& session, std::vector<std::string> commands, std::vector<std::string> descriptions,
                      std::function<void()> worker) {
    ControllerTransaction& transaction = session.transaction;
    session.EnableCommandControls(false);
    transaction.busy = 1;
    transaction.target = session.map.SelectedIndex();
    transaction.commandList = std::move(commands);
    transaction.descriptionList = std::move(descriptions);
    if (session.StartWorker(std::move(worker))) return true;
    transaction.busy = 0;
    transaction.commandList.clear();
    transaction.descriptionList.clear();
    session.EnableCommandControls(true);
    return false;
}

void ClearControllerBuffer(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    while (session.IsPortOpen() && transaction.busy) {
        const std::uint8_t target = transaction.target;
        session.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        session.SendShortFrame(target, target, "Запрос контроллера");
        if (WaitFor(transaction.EventFor(ControllerTransaction::kReply1), Limit(limits::kClearPass)).signalled())
            return;
    }
}

void ShowTimeout(LineSession& session) {
    session.MonitorAdd("   TIMEOUT");
    session.transaction.ShowFailure(kTimeoutText);
}

void EndTransaction(LineSession& session, bool showOutcome) {
    ControllerTransaction& transaction = session.transaction;
    if (showOutcome) session.ShowControllerBalloon();
    transaction.busy = 0;
    transaction.CloseEvents();
    transaction.commandList.clear();
    transaction.descriptionList.clear();
    session.EnableCommandControls(true);
}

WaitResult WaitForReply(ControllerTransaction& transaction, std::chrono::milliseconds limit) {
    return WaitForAny(
        {transaction.EventFor(ControllerTransaction::kReply1), transaction.EventFor(ControllerTransaction::kReply2),
         transaction.EventFor(ControllerTransaction::kReply3)},
        Limit(limit));
}

void EndWithReplyOutcome(LineSession& session, const WaitResult& reply, const std::string& successText) {
    ControllerTransaction& transaction = session.transaction;
    if (reply.failed()) return EndTransaction(session, false);
    if (reply.is(0)) {
        ClearControllerBuffer(session);
        transaction.ShowSuccess(successText);
    } else if (reply.is(1)) {
        transaction.ShowSuccess(successText);
    } else if (reply.is(2)) {
        transaction.ShowFailure(kNotOnLine);
    } else {
        ShowTimeout(session);
    }
    EndTransaction(session);
}

bool RequestAccepted(LineSession& session, const WaitResult& reply) {
    if (reply.is(0) || reply.is(1)) return true;
    if (reply.failed()) {
        EndTransaction(session, false);
    } else {
        if (reply.is(2))
            session.transaction.ShowFailure(kNotOnLine);
        else
            ShowTimeout(session);
        EndTransaction(session);
    }
    return false;
}

namespace {

// Sends the first command of the list with its description.
void SendFirstRequest(LineSession& session) {
    ControllerTransaction& transaction = session.transaction;
    const std::string command = transaction.commandList.empty() ? std::string() : transaction.commandList.front();
    const std::string description =
        transaction.descriptionList.empty() ? std::string() : transaction.descriptionList.front();
    session.SendRequest(transaction.target, command, description);
}

}  // namespace

void SingleExchangeWorker(LineSession& session, const std::string& successText) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents(
        {ControllerTransaction::kReply1, ControllerTransaction::kReply2, ControllerTransaction::kReply3});
    SendFirstRequest(session);
    EndWithReplyOutcome(session, WaitForReply(transaction), successText);
}

void DataReplyWorker(LineSession& session, const ReportFunction& report) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents({ControllerTransaction::kReply1, ControllerTransaction::kReply2,
                              ControllerTransaction::kReply3, ControllerTransaction::kData});
    SendFirstRequest(session);
    const WaitResult r = WaitForReply(transaction);
    if (!RequestAccepted(session, r)) return;
    if (r.is(0)) ClearControllerBuffer(session);
    const WaitResult d = WaitFor(transaction.EventFor(ControllerTransaction::kData), Limit(limits::kData));
    if (d.failed()) return EndTransaction(session, false);
    if (d.signalled())
        report(transaction, transaction.ReplyData());
    else
        ShowTimeout(session);
    EndTransaction(session);
}

}  // namespace tulex
