#include "plan/Exchanges.h"

#include "app/CommandContext.h"
#include "app/Timing.h"
#include "app/Transaction.h"
#include "plan/FieldValues.h"
#include "plan/PlanTiming.h"

namespace tulex::plan {

namespace {

// The monitor line and outcome of a reply wait that did not end in "!"/"$".
Outcome Unanswered(CommandContext& context, Reply reply) {
    switch (reply) {
    case Reply::Error: return Outcome::ErrorReply;
    case Reply::Timeout: context.MonitorTimeout(context.transaction().target); return Outcome::Timeout;
    default: return Outcome::PortClosed;  // the wait failed: the events were abandoned
    }
}

// Fresh events (a late reply to an earlier request cannot end this wait)
// and the request on its way.
void Send(CommandContext& context, std::uint8_t index, const std::string& command, const std::string& description,
          std::initializer_list<Reply> replies) {
    ControllerTransaction& transaction = context.transaction();
    transaction.CreateEvents(replies);
    transaction.ClearReplyData();
    transaction.target = index;
    context.SendRequest(index, command, description);
}

// After an "!": the controller's buffer cleared, or how the clearing ended
// (a controller that acknowledged and then fell silent times out).
std::optional<Outcome> ClearAfterAck(CommandContext& context) {
    if (ClearControllerBuffer(context, limits::kClearPasses)) return std::nullopt;
    if (!context.IsPortOpen()) return Outcome::PortClosed;
    context.MonitorTimeout(context.transaction().target);
    return Outcome::Timeout;
}

}  // namespace

ReadResult ReadData(CommandContext& context, std::uint8_t index, const std::string& command,
                    const std::string& description) {
    if (!context.IsPortOpen()) return {Outcome::PortClosed, {}};
    ControllerTransaction& transaction = context.transaction();
    Send(context, index, command, description, {Reply::Ack, Reply::Positive, Reply::Error, Reply::Data});
    const Reply r = WaitForReply(transaction);
    if (r != Reply::Ack && r != Reply::Positive) return {Unanswered(context, r), {}};
    if (r == Reply::Ack) {
        if (const auto failed = ClearAfterAck(context)) return {*failed, {}};
    }
    const Reply d = transaction.Wait({Reply::Data}, tulex::limits::kData);
    if (d == Reply::Data) return {Outcome::Answered, transaction.ReplyData()};
    if (d == Reply::Timeout) {
        context.MonitorTimeout(context.transaction().target);
        return {Outcome::NoData, {}};
    }
    return {Outcome::PortClosed, {}};
}

Outcome Exchange(CommandContext& context, std::uint8_t index, const std::string& command,
                 const std::string& description) {
    if (!context.IsPortOpen()) return Outcome::PortClosed;
    Send(context, index, command, description, {Reply::Ack, Reply::Positive, Reply::Error});
    const Reply r = WaitForReply(context.transaction());
    if (r == Reply::Ack) return ClearAfterAck(context).value_or(Outcome::Answered);
    if (r == Reply::Positive) return Outcome::Answered;
    return Unanswered(context, r);
}

IndexChangeEnd ChangeIndex(CommandContext& context, std::uint8_t from, std::uint8_t to) {
    const std::string prefix = "Изменение индекса контроллера " + IndexUtf8(from);
    const std::string probeDescription = prefix + ": Проверка наличия контроллера";
    std::string setIndex = "$0";
    setIndex += static_cast<char>(to);
    setIndex += static_cast<char>(to);

    // Two controllers must never share an index: `to` has to be silent (an
    // error reply or no answer) before the index command goes out.
    if (!context.IsPortOpen()) return IndexChangeEnd::PortClosed;
    Send(context, to, "$$02", probeDescription, {Reply::Ack, Reply::Positive, Reply::Error});
    const Reply r = WaitForReply(context.transaction());
    if (r == Reply::Ack || r == Reply::Positive) {
        if (r == Reply::Ack) ClearControllerBuffer(context, limits::kClearPasses);
        return IndexChangeEnd::Occupied;
    }
    if (r == Reply::Failed) return IndexChangeEnd::PortClosed;
    if (r == Reply::Timeout) context.MonitorTimeout(context.transaction().target);

    const auto loopEnd = [](LoopEnd end) {
        switch (end) {
        case LoopEnd::ErrorReplies: return IndexChangeEnd::ErrorReplies;
        case LoopEnd::Timeouts: return IndexChangeEnd::Timeouts;
        default: return IndexChangeEnd::PortClosed;
        }
    };
    // Its acknowledgement needs no buffer clearing: the controller may have
    // left the old index already.
    const LoopEnd set =
        RepeatUntilAnswered(context, from, setIndex, prefix + ": Установка индекса " + IndexUtf8(to), false);
    if (set != LoopEnd::Answered) return loopEnd(set);
    const LoopEnd verify = RepeatUntilAnswered(context, to, "$$02", probeDescription, true);
    if (verify != LoopEnd::Answered) return loopEnd(verify);
    context.map().RemoveIndex(from, MapSet::Present);
    context.map().RemoveIndex(from, MapSet::ReplyOnly);
    context.UpdateCounter(MapSet::Present);
    context.UpdateCounter(MapSet::ReplyOnly);
    return IndexChangeEnd::Done;
}

bool Pause(CommandContext& context, std::chrono::milliseconds duration, const std::atomic<bool>& stop) {
    if (stop || !context.IsPortOpen()) return false;
    ControllerTransaction& transaction = context.transaction();
    transaction.CreateEvents({Reply::Cancel});
    // The stop may have come just before the event existed.
    if (stop) return false;
    const Reply r = transaction.Wait({Reply::Cancel}, duration);
    return r == Reply::Timeout && !stop;
}

ArrivalEnd WaitForController(CommandContext& context, std::uint8_t index, const std::atomic<bool>& stop,
                             std::optional<std::chrono::milliseconds> limit) {
    ControllerTransaction& transaction = context.transaction();
    Clock& clock = transaction.clock();
    const auto start = clock.Now();
    const auto probe = limits::kArrivalProbe;
    while (true) {
        if (stop) return ArrivalEnd::Stopped;
        if (!context.IsPortOpen()) return ArrivalEnd::PortClosed;
        if (limit && clock.Now() - start >= *limit) return ArrivalEnd::TimedOut;
        const auto asked = clock.Now();
        Send(context, index, "$$02", "Проверка наличия контроллера",
             {Reply::Ack, Reply::Positive, Reply::Error, Reply::Cancel});
        const Reply r = transaction.Wait({Reply::Cancel, Reply::Ack, Reply::Positive, Reply::Error}, probe);
        if (r == Reply::Ack) {
            ClearControllerBuffer(context, limits::kClearPasses);
            return ArrivalEnd::Arrived;
        }
        if (r == Reply::Positive) return ArrivalEnd::Arrived;
        if (r == Reply::Cancel) return ArrivalEnd::Stopped;
        if (r == Reply::Failed) return ArrivalEnd::PortClosed;
        // An error reply comes at once: the next question waits for the
        // rest of the second, so the line is not flooded.
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(clock.Now() - asked);
        if (spent < probe && !Pause(context, probe - spent, stop)) {
            if (!context.IsPortOpen()) return ArrivalEnd::PortClosed;
            return ArrivalEnd::Stopped;
        }
    }
}

}  // namespace tulex::plan
