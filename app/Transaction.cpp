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
        if (transaction.Wait({Reply::Ack}, Limit(limits::kClearPass)) == Reply::Ack) return;
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

Reply WaitForReply(ControllerTransaction& transaction, std::chrono::milliseconds limit) {
    return transaction.Wait({Reply::Ack, Reply::Positive, Reply::Error}, Limit(limit));
}

void EndWithReplyOutcome(LineSession& session, Reply reply, const std::string& successText) {
    ControllerTransaction& transaction = session.transaction;
    switch (reply) {
    case Reply::Ack:
        ClearControllerBuffer(session);
        transaction.ShowSuccess(successText);
        break;
    case Reply::Positive: transaction.ShowSuccess(successText); break;
    case Reply::Error: transaction.ShowFailure(kNotOnLine); break;
    case Reply::Timeout: ShowTimeout(session); break;
    default: return EndTransaction(session, false);  // the wait failed outright
    }
    EndTransaction(session);
}

bool RequestAccepted(LineSession& session, Reply reply) {
    switch (reply) {
    case Reply::Ack:
    case Reply::Positive: return true;
    case Reply::Error: session.transaction.ShowFailure(kNotOnLine); break;
    case Reply::Timeout: ShowTimeout(session); break;
    default: EndTransaction(session, false); return false;  // the wait failed outright
    }
    EndTransaction(session);
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
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error});
    SendFirstRequest(session);
    EndWithReplyOutcome(session, WaitForReply(transaction), successText);
}

void DataReplyWorker(LineSession& session, const ReportFunction& report) {
    ControllerTransaction& transaction = session.transaction;
    transaction.ShowWaiting();
    session.ShowControllerBalloon();
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
    SendFirstRequest(session);
    const Reply r = WaitForReply(transaction);
    if (!RequestAccepted(session, r)) return;
    if (r == Reply::Ack) ClearControllerBuffer(session);
    const Reply d = transaction.Wait({Reply::Data}, Limit(limits::kData));
    if (d == Reply::Failed) return EndTransaction(session, false);
    if (d == Reply::Data)
        report(transaction, transaction.ReplyData());
    else
        ShowTimeout(session);
    EndTransaction(session);
}

}  // namespace tulex
