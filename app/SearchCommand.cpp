// "Поиск контроллеров": probes every index of the line map with the presence
// request, 300 ms each, and lets the receive thread fill the map's sets. It
// shows how far it got ("Поиск: N из 182") and ends with what it found and
// how long it took, in the balloon and the monitor.

#include <functional>
#include <string>
#include <vector>

#include "app/CommandContext.h"
#include "app/ControllerCommands.h"
#include "app/Summaries.h"
#include "app/Timing.h"
#include "app/Transaction.h"

namespace tulex {

namespace {

void SearchWorker(CommandContext& context, const std::function<void(const SearchSummary&)>& found) {
    ControllerTransaction& transaction = context.transaction();
    context.map().ClearSets();
    context.UpdateCounter(MapSet::Present);
    context.UpdateCounter(MapSet::ReplyOnly);
    transaction.CreateEvents({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel});
    const std::string command = transaction.CommandAt(0);
    const std::string description = transaction.DescriptionAt(0);
    const std::size_t total = LineMap::IndexTable().size();
    const Clock::TimePoint started = transaction.clock().Now();
    std::size_t probed = 0;
    bool stopped = false;  // "Остановить"
    bool ended = false;    // the port closed or the events are gone: no outcome
    for (const std::uint8_t index : LineMap::IndexTable()) {
        // A port that went away has nothing left to probe.
        if (!transaction.busy || !context.IsPortOpen()) {
            ended = !stopped;
            break;
        }
        ++probed;
        context.ShowProgress(SearchProgressText(probed, total));
        transaction.target = index;
        context.map().SelectIndex(index);
        context.SendRequest(index, command, description);
        // No buffer clearing after an acknowledgement: the next index at once.
        const Reply r =
            transaction.Wait({Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel}, limits::kSearchProbe);
        if (r == Reply::Cancel) {
            context.MonitorAdd("   CANCEL");
            transaction.busy = 0;
            stopped = true;
        } else if (r == Reply::Timeout) {
            context.MonitorTimeout(index);
        } else if (r == Reply::Failed) {
            ended = true;
            break;  // the events are gone: every further wait would fail at once
        }
    }
    context.ShowProgress("");
    if (ended) return EndTransaction(context, false);
    const LineMap::Snapshot sets = context.map().Take();
    SearchSummary summary;
    summary.present = sets.present.count();
    summary.replyOnly = sets.replyOnly.count();
    summary.probed = probed;
    summary.duration = std::chrono::duration_cast<std::chrono::milliseconds>(transaction.clock().Now() - started);
    found(summary);
    context.MonitorAdd("   " + SearchSummaryLine(summary, total));
    transaction.ShowReport(kSearchSummaryTitle, SearchSummaryText(summary, total));
    EndTransaction(context);
}

}  // namespace

void ControllerCommands::SearchControllers() {
    if (!CheckPort()) return;
    {
        std::lock_guard lock(searchMutex_);
        lastSearch_.reset();
    }
    context_.view().RemoveBalloon();
    context_.view().RemoveSensorPopup();
    // The worker moves the target from index to index.
    StartTransaction(context_, {"$$02"}, {"Поиск контроллеров: Проверка наличия контроллера"}, [this] {
        SearchWorker(context_, [this](const SearchSummary& summary) {
            std::lock_guard lock(searchMutex_);
            lastSearch_ = summary;
        });
    });
}

std::optional<SearchSummary> ControllerCommands::LastSearch() const {
    std::lock_guard lock(searchMutex_);
    return lastSearch_;
}

}  // namespace tulex
