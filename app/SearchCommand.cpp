// "Поиск контроллеров": probes every index of the line map with the presence
// request, 300 ms each, and lets the receive thread fill the map's sets.

#include <string>
#include <vector>

#include "app/ControllerCommands.h"
#include "app/TForm1.h"
#include "app/Timing.h"
#include "app/Transaction.h"

namespace tulex {

namespace {

// Entry i of a command or description list ("" if the list is shorter), so
// that no exception can leave the worker thread.
std::string Entry(const std::vector<std::string>& list, std::size_t i) {
    return i < list.size() ? list[i] : std::string();
}

void SearchWorker(TForm1& form) {
    TUnit& unit = form.unit;
    form.map.ClearSets();
    form.UpdateCounter(MapSet::Present);
    form.UpdateCounter(MapSet::ReplyOnly);
    unit.CreateEvents({TUnit::kReply1, TUnit::kReply2, TUnit::kReply3, TUnit::kCancel});
    const std::string command = Entry(unit.commandList, 0);
    const std::string description = Entry(unit.descriptionList, 0);
    for (const std::uint8_t index : TMap::IndexTable()) {
        // A port that went away has nothing left to probe.
        if (!unit.busy || !form.IsPortOpen()) break;
        unit.target = index;
        form.map.SelectIndex(index);
        form.SendRequest(index, command, description);
        // No buffer clearing after an acknowledgement: the next index at once.
        const WaitResult r = WaitForAny({unit.EventFor(TUnit::kReply1), unit.EventFor(TUnit::kReply2),
                                         unit.EventFor(TUnit::kReply3), unit.EventFor(TUnit::kCancel)},
                                        Limit(limits::kSearchProbe));
        if (r.is(3)) {
            form.MonitorAdd("   CANCEL");
            unit.busy = 0;
        } else if (r.timedOut()) {
            form.MonitorAdd("   TIMEOUT");
        } else if (r.failed()) {
            break;  // the events are gone: every further wait would fail at once
        }
    }
    EndTransaction(form, false);
}

}  // namespace

void ControllerCommands::Button4Click() {
    if (!CheckPort()) return;
    TUnit& unit = form_.unit;
    form_.view().RemoveBalloon();
    form_.view().RemoveSensorPopup();
    form_.EnableCommandControls(false);
    unit.busy = 1;
    // The worker sets the target per index.
    unit.commandList = {"$$02"};
    unit.descriptionList = {"Поиск контроллеров: Проверка наличия контроллера"};
    if (form_.StartWorker([this] { SearchWorker(form_); })) return;
    unit.busy = 0;
    unit.commandList.clear();
    unit.descriptionList.clear();
    form_.EnableCommandControls(true);
}

}  // namespace tulex
