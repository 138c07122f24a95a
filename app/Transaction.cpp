#include "app/Transaction.h"

#include "app/TForm1.h"
#include "app/Timing.h"
#include "line/Frame.h"

namespace tulex {

bool StartTransaction(TForm1& form, std::vector<std::string> commands, std::vector<std::string> descriptions,
                      std::function<void()> worker) {
    TUnit& unit = form.unit;
    form.EnableCommandControls(false);
    unit.busy = 1;
    unit.target = form.map.SelectedIndex();
    unit.commandList = std::move(commands);
    unit.descriptionList = std::move(descriptions);
    if (form.StartWorker(std::move(worker))) return true;
    unit.busy = 0;
    unit.commandList.clear();
    unit.descriptionList.clear();
    form.EnableCommandControls(true);
    return false;
}

void ClearControllerBuffer(TForm1& form) {
    TUnit& unit = form.unit;
    while (form.IsPortOpen() && unit.busy) {
        const std::uint8_t target = unit.target;
        form.SendShortFrame(target, kBufferTarget, "Чистка буфера контроллера");
        form.SendShortFrame(target, target, "Запрос контроллера");
        if (WaitFor(unit.EventFor(TUnit::kReply1), Limit(limits::kClearPass)).signalled()) return;
    }
}

void ShowTimeout(TForm1& form) {
    form.MonitorAdd("   TIMEOUT");
    form.unit.ShowFailure(kTimeoutText);
}

void EndTransaction(TForm1& form, bool showOutcome) {
    TUnit& unit = form.unit;
    if (showOutcome) form.ShowUnitHint();
    unit.busy = 0;
    unit.CloseEvents();
    unit.commandList.clear();
    unit.descriptionList.clear();
    form.EnableCommandControls(true);
}

WaitResult WaitForReply(TUnit& unit, std::chrono::milliseconds limit) {
    return WaitForAny({unit.EventFor(TUnit::kReply1), unit.EventFor(TUnit::kReply2), unit.EventFor(TUnit::kReply3)},
                      Limit(limit));
}

void EndWithReplyOutcome(TForm1& form, const WaitResult& reply, const std::string& successText) {
    TUnit& unit = form.unit;
    if (reply.failed()) return EndTransaction(form, false);
    if (reply.is(0)) {
        ClearControllerBuffer(form);
        unit.ShowSuccess(successText);
    } else if (reply.is(1)) {
        unit.ShowSuccess(successText);
    } else if (reply.is(2)) {
        unit.ShowFailure(kNotOnLine);
    } else {
        ShowTimeout(form);
    }
    EndTransaction(form);
}

bool RequestAccepted(TForm1& form, const WaitResult& reply) {
    if (reply.is(0) || reply.is(1)) return true;
    if (reply.failed()) {
        EndTransaction(form, false);
    } else {
        if (reply.is(2))
            form.unit.ShowFailure(kNotOnLine);
        else
            ShowTimeout(form);
        EndTransaction(form);
    }
    return false;
}

namespace {

// Sends the first command of the list with its description.
void SendFirstRequest(TForm1& form) {
    TUnit& unit = form.unit;
    const std::string command = unit.commandList.empty() ? std::string() : unit.commandList.front();
    const std::string description = unit.descriptionList.empty() ? std::string() : unit.descriptionList.front();
    form.SendRequest(unit.target, command, description);
}

}  // namespace

void SingleExchangeWorker(TForm1& form, const std::string& successText) {
    TUnit& unit = form.unit;
    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3});
    SendFirstRequest(form);
    EndWithReplyOutcome(form, WaitForReply(unit), successText);
}

void DataReplyWorker(TForm1& form, const ReportFunction& report) {
    TUnit& unit = form.unit;
    unit.ShowWaiting();
    form.ShowUnitHint();
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kData});
    SendFirstRequest(form);
    const WaitResult r = WaitForReply(unit);
    if (!RequestAccepted(form, r)) return;
    if (r.is(0)) ClearControllerBuffer(form);
    const WaitResult d = WaitFor(unit.EventFor(TUnit::kData), Limit(limits::kData));
    if (d.failed()) return EndTransaction(form, false);
    if (d.signalled())
        report(unit, unit.ReplyData());
    else
        ShowTimeout(form);
    EndTransaction(form);
}

}  // namespace tulex
