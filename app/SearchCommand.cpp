// "Поиск контроллеров": probes every index of the line map with the presence
// request, 300 ms each, and lets the receive thread fill the map's sets.

#include <string>
#include <vector>

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"
#include "app/Timing.h"
#include "app/Transaction.h"

namespace tulex {

namespace {

void SearchWorker(CommandContext& context) {
    ControllerTransaction& transaction = context.transaction();
    context.map().ClearSets();
    context.UpdateCounter(MapSet::Present);
    context.UpdateCounter(MapSet::ReplyOnly);
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel});
    const std::string command = transaction.CommandAt(0);
    const std::string description = transaction.DescriptionAt(0);
    for (const std::uint8_t index : LineMap::IndexTable()) {
        // A port that went away has nothing left to probe.
        if (!transaction.busy || !context.IsPortOpen()) break;
        transaction.target = index;
        context.map().SelectIndex(index);
        context.SendRequest(index, command, description);
        // No buffer clearing after an acknowledgement: the next index at once.
        const Reply r =
            transaction.Wait({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel}, limits::kSearchProbe);
        if (r == Reply::Cancel) {
            context.MonitorAdd("   CANCEL");
            transaction.busy = 0;
        } else if (r == Reply::Timeout) {
            context.MonitorTimeout(index);
        } else if (r == Reply::Failed) {
            break;  // the events are gone: every further wait would fail at once
        }
    }
    EndTransaction(context, false);
}

}  // namespace

void ControllerCommands::SearchControllers() {
    if (!CheckPort()) return;
    context_.view().RemoveBalloon();
    context_.view().RemoveSensorPopup();
    // The worker moves the target from index to index.
    StartTransaction(context_, {"$$02"}, {"Поиск контроллеров: Проверка наличия контроллера"},
                     [this] { SearchWorker(context_); });
}

}  // namespace tulex
