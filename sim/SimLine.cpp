#include "sim/SimLine.h"

#include "line/Frame.h"
#include "line/HexDigits.h"

#include <algorithm>

namespace tulex::sim {

namespace {

constexpr std::size_t kKeptAnswers = 10000;

std::string Quoted(std::string_view command) {
    std::string out = "\"";
    for (const char c : command) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F)
            out.push_back(c);
        else
            out += "\\x" + HexByte(b);
    }
    return out + "\"";
}

}  // namespace

SimLine::SimLine(LineConfig config, ConverterConfig converter) : config_(config), converter_(std::move(converter)) {}

SimController* SimLine::AddController(std::uint8_t index, ControllerBehaviour behaviour) {
    if (!IsIndexByte(index) || controllers_[index]) return nullptr;
    controllers_[index] = std::make_unique<SimController>(index, std::move(behaviour));
    return controllers_[index].get();
}

bool SimLine::RemoveController(std::uint8_t index) {
    if (!controllers_[index]) return false;
    controllers_[index].reset();
    std::erase_if(deferred_, [index](const Deferred& d) { return d.index == index; });
    return true;
}

SimController* SimLine::QueueController(std::uint8_t index, ControllerBehaviour behaviour) {
    if (!IsIndexByte(index)) return nullptr;
    if (!controllers_[index]) return AddController(index, std::move(behaviour));
    queued_.push_back(std::make_unique<SimController>(index, std::move(behaviour)));
    return queued_.back().get();
}

void SimLine::ConnectQueued(std::uint8_t index, SimTime now) {
    const auto next =
        std::find_if(queued_.begin(), queued_.end(), [index](const auto& c) { return c->Index() == index; });
    if (next == queued_.end() || controllers_[index]) return;
    controllers_[index] = std::move(*next);
    queued_.erase(next);
    TraceNote(now, "controller connected at " + IndexText(index));
}

SimController* SimLine::Find(std::uint8_t index) { return controllers_[index].get(); }

std::vector<SimController*> SimLine::Controllers() {
    std::vector<SimController*> out;
    for (auto& c : controllers_)
        if (c) out.push_back(c.get());
    return out;
}

int SimLine::DelayOf(const SimController& c) const {
    return std::max(0, c.Behaviour().delayMs.value_or(config_.delayMs));
}

std::string SimLine::DataFrame(std::uint8_t index, const std::string& payload) const {
    std::string frame(1, static_cast<char>(index));
    frame.push_back(kDataReplyMark);
    frame += payload;
    frame.push_back(kTerminator);
    return frame;
}

void SimLine::TraceNote(SimTime at, std::string note) {
    if (trace_) trace_({at, TraceDirection::Note, {}, std::move(note)});
}

void SimLine::TraceIn(SimTime at, std::string bytes, std::string note) {
    if (trace_) trace_({at, TraceDirection::FromPc, std::move(bytes), std::move(note)});
}

// ---------------------------------------------------------------- receiving

void SimLine::Feed(std::string_view bytes, SimTime now) {
    if (bytes.empty()) return;
    // Results that became ready by now (a memory test) are in the buffer
    // before a poll in these bytes asks for them.
    Advance(now);
    if (converter_.Config().echo) Schedule(std::string(bytes), now, "echo");
    // A real device gives up on a frame whose bytes stopped coming.
    if (state_ != RxState::Idle && now - lastByte_ > Millis(std::max(1, config_.frameTimeoutMs))) {
        ++stats_.malformed;
        TraceIn(lastByte_, prefix_ + text_, "incomplete frame dropped");
        prefix_.clear();
        text_.clear();
        state_ = RxState::Idle;
    }
    for (const char c : bytes) Byte(static_cast<std::uint8_t>(c), now);
    lastByte_ = now;
    FlushStray(now);
}

void SimLine::Stray(std::string bytes, SimTime now) {
    (void)now;
    stats_.strayBytes += bytes.size();
    stray_ += bytes;
}

void SimLine::FlushStray(SimTime now) {
    if (stray_.empty()) return;
    TraceIn(now, std::move(stray_), "stray bytes ignored");
    stray_.clear();
}

void SimLine::Byte(std::uint8_t b, SimTime now) {
    switch (state_) {
    case RxState::Idle:
        if (b == kPrefixByte) {
            FlushStray(now);
            prefix_.assign(1, static_cast<char>(b));
            state_ = RxState::Prefix;
        } else {
            Stray(std::string(1, static_cast<char>(b)), now);
        }
        return;
    case RxState::Prefix:
        if (b == kPrefixByte) {
            prefix_.push_back(static_cast<char>(b));
        } else if (b == kBufferTarget || b == kConverterAddress || IsIndexByte(b)) {
            text_.assign(1, static_cast<char>(b));
            state_ = RxState::Collect;
        } else {
            Stray(prefix_ + static_cast<char>(b), now);
            prefix_.clear();
            state_ = RxState::Idle;
        }
        return;
    case RxState::Collect: {
        text_.push_back(static_cast<char>(b));
        if (b != static_cast<std::uint8_t>(kTerminator)) return;
        const auto first = static_cast<std::uint8_t>(text_[0]);
        // The buffer-clearing frame and the poll frame end at "?".
        if (first == kBufferTarget || (IsIndexByte(first) && text_.size() == 2)) {
            FrameComplete(now, false);
            return;
        }
        // A request whose check character is 0 goes out without it (the
        // port writes up to the first zero byte): the frame ends here.
        if (CheckCharacter(text_) == 0) {
            FrameComplete(now, false);
            return;
        }
        state_ = RxState::Check;
        return;
    }
    case RxState::Check:
        text_.push_back(static_cast<char>(b));
        FrameComplete(now, true);
        return;
    }
}

void SimLine::FrameComplete(SimTime now, bool withCheck) {
    std::string frame = prefix_ + text_;
    const std::string text = std::move(text_);
    prefix_.clear();
    text_.clear();
    state_ = RxState::Idle;

    const auto first = static_cast<std::uint8_t>(text[0]);
    if (first == kBufferTarget) {
        if (text.size() == 2) {
            ++stats_.bufferClears;
            TraceIn(now, std::move(frame), "buffer clearing");
        } else {
            ++stats_.malformed;
            TraceIn(now, std::move(frame), "malformed frame to the buffer target");
        }
        return;
    }
    if (IsIndexByte(first) && text.size() == 2) {
        ++stats_.polls;
        TraceIn(now, std::move(frame), "poll " + IndexText(first));
        HandlePoll(first, now);
        return;
    }
    // Addressed request: index, index, command, "?", check character (absent
    // when it would be zero). The XOR over the whole text is 0 when it is right.
    const std::size_t commandEnd = text.size() - (withCheck ? 2 : 1);
    if (text.size() < 3 || static_cast<std::uint8_t>(text[1]) != first || commandEnd < 2) {
        ++stats_.malformed;
        TraceIn(now, std::move(frame), "malformed request ignored");
        return;
    }
    if (CheckCharacter(text) != 0) {
        ++stats_.badCheck;
        TraceIn(now, std::move(frame), "wrong check character, ignored");
        return;
    }
    const std::string_view command(text.data() + 2, commandEnd - 2);
    if (first == kConverterAddress) {
        ++stats_.converterRequests;
        TraceIn(now, std::move(frame), "converter " + Quoted(command));
        HandleConverter(command, now);
        return;
    }
    ++stats_.requests;
    TraceIn(now, std::move(frame), "request " + IndexText(first) + " " + Quoted(command));
    HandleRequest(first, command, now);
}

// ---------------------------------------------------------------- answering

void SimLine::Schedule(std::string bytes, SimTime due, std::string note) {
    Pending p{due, std::move(bytes), std::move(note), true};
    // Keep the queue in time order; equal instants keep their order.
    auto pos =
        std::upper_bound(output_.begin(), output_.end(), due, [](SimTime t, const Pending& q) { return t < q.due; });
    output_.insert(pos, std::move(p));
}

void SimLine::Emit(std::string bytes, SimTime at, std::string note, bool traceBytes) {
    Schedule(std::move(bytes), at, std::move(note));
    // Schedule inserted it after every entry due at the same instant.
    auto it =
        std::upper_bound(output_.begin(), output_.end(), at, [](SimTime t, const Pending& q) { return t < q.due; });
    (--it)->traceBytes = traceBytes;
}

void SimLine::KeepInBuffer(SimController& c, std::string payload) {
    auto& buffer = c.OutputBuffer();
    buffer.push_back(std::move(payload));
    // A controller's buffer is small: the oldest reply goes first.
    while (buffer.size() > std::max<std::size_t>(1, config_.outputBufferLimit)) buffer.pop_front();
}

void SimLine::CountFrame(SimController& c, SimTime now) {
    ControllerBehaviour& b = c.Behaviour();
    const auto setIn = [&](std::optional<int>& framesLeft, bool& fault, const char* what) {
        if (!framesLeft) return;
        if (*framesLeft > 0) {
            --*framesLeft;
            return;
        }
        framesLeft.reset();
        fault = true;
        TraceNote(now, IndexText(c.Index()) + what);
    };
    setIn(b.framesBeforeSilence, b.silent, " falls silent");
    setIn(b.framesBeforeErrors, b.errorReply, " answers the error reply from now on");
}

void SimLine::HandleRequest(std::uint8_t index, std::string_view command, SimTime now) {
    // The PC's automatic answer counts as sent whatever the controller then
    // does with it.
    if (command == ">" || command == "<" || command == "+") MatchAnswer(index, command[0], now);
    SimController* c = Find(index);
    if (!c) {
        if (config_.absentError) Schedule("#?", now + Millis(config_.delayMs), "no controller");
        return;
    }
    CountFrame(*c, now);
    ControllerBehaviour& b = c->Behaviour();
    if (b.errorRepliesFirst > 0) {
        --b.errorRepliesFirst;
        Schedule("#?", now + Millis(DelayOf(*c)), "error reply");
        return;
    }
    if (Silent(*c)) {
        TraceNote(now, IndexText(index) + " is silent");
        return;
    }
    const SimTime at = now + Millis(DelayOf(*c));
    if (config_.errorReply || b.errorReply) {
        Schedule("#?", at, "error reply");
        return;
    }
    if (b.refusesWrites && command.starts_with('!')) {
        Schedule("#?", at, "error reply: write refused");
        return;
    }
    if (config_.deviceError || b.deviceError) {
        Schedule("&?", at, "device error reply");
        return;
    }
    CommandResult r = c->HandleCommand(command);
    if (!r.accepted && b.acceptsAnyCommand) {
        TraceNote(now, IndexText(index) + " accepts a command it does not know");
        r = CommandResult{};
        r.accepted = true;
    }
    if (b.dataPayload && r.data) r.data = *b.dataPayload;
    if (b.keepsIndex && r.newIndex) {
        TraceNote(now, IndexText(index) + " keeps its index");
        r.newIndex.reset();
    }
    if (r.accepted && r.newIndex && *r.newIndex != index && Find(*r.newIndex)) {
        r.accepted = false;  // two controllers on one index would garble the line
    }
    if (!r.accepted) {
        Schedule("&?", at, "device error: command not understood");
        return;
    }

    const ReplyStyle style = b.reply.value_or(config_.reply);
    const bool withData = r.data.has_value() && !b.noDataAfterAck;
    if (style == ReplyStyle::Ack) {
        Schedule("!", at, "acknowledgement");
        if (withData) {
            if (r.dataDelayMs > 0)
                deferred_.push_back({at + Millis(r.dataDelayMs), index, *r.data, true});
            else
                KeepInBuffer(*c, *r.data);
        }
    } else {
        Schedule("$?", at, "positive reply");
        if (withData) {
            if (r.dataDelayMs > 0)
                deferred_.push_back({at + Millis(r.dataDelayMs), index, *r.data, false});
            else
                Schedule(DataFrame(index, *r.data), at, "data reply");
        }
    }
    if (r.newIndex && *r.newIndex != index) {
        controllers_[*r.newIndex] = std::move(controllers_[index]);
        controllers_[*r.newIndex]->SetIndex(*r.newIndex);
        for (auto& d : deferred_)
            if (d.index == index) d.index = *r.newIndex;
        TraceNote(now, "controller " + IndexText(index) + " now answers to " + IndexText(*r.newIndex));
        ConnectQueued(index, now);
    }
}

void SimLine::HandlePoll(std::uint8_t index, SimTime now) {
    SimController* c = Find(index);
    if (c) CountFrame(*c, now);
    if (!c || Silent(*c) || config_.errorReply || c->Behaviour().errorReply) return;
    if (c->Behaviour().pollsUnanswered > 0) {
        --c->Behaviour().pollsUnanswered;
        TraceNote(now, IndexText(index) + " ignores the poll");
        return;
    }
    const SimTime at = now + Millis(DelayOf(*c));
    auto& buffer = c->OutputBuffer();
    while (!buffer.empty()) {
        Schedule(DataFrame(index, buffer.front()), at, "data reply handed over");
        buffer.pop_front();
    }
    Schedule("!", at, "acknowledgement");
}

void SimLine::HandleConverter(std::string_view command, SimTime now) {
    const SimTime at = now + Millis(std::max(0, config_.delayMs));
    if (const CannedAnswer* canned = converter_.Canned(command)) {
        if (canned->first.empty()) {
            TraceNote(now, "the converter does not answer");
            return;
        }
        Schedule(canned->first, at, "converter answer (canned)");
        if (!canned->then.empty())
            Schedule(canned->then, at + Millis(std::max(0, canned->gapMs)), "converter's second answer (canned)");
        return;
    }
    Schedule(converter_.HandleCommand(command), at, "converter answer");
}

// ---------------------------------------------------------------- events and time

void SimLine::Expect(std::uint8_t index, char answer, SimTime at) {
    AnswerRecord r;
    r.seq = nextSeq_++;
    r.index = index;
    r.expected = answer;
    r.eventAt = at;
    answers_.push_back(r);
    ++openAnswers_;
    while (answers_.size() > kKeptAnswers) {
        if (!answers_.front().answeredAt && !answers_.front().missed) --openAnswers_;
        answers_.pop_front();
    }
}

void SimLine::MatchAnswer(std::uint8_t index, char answer, SimTime now) {
    for (auto& r : answers_) {
        if (r.index != index || r.expected != answer || r.answeredAt || r.missed) continue;
        if (r.eventAt > now) continue;  // the event is not on the line yet
        r.answeredAt = now;
        --openAnswers_;
        TraceNote(now, std::string("automatic answer ") + answer + " from the PC after " +
                           std::to_string(r.Latency().count()) + " ms");
        return;
    }
}

void SimLine::Advance(SimTime now) {
    for (auto it = deferred_.begin(); it != deferred_.end();) {
        if (it->due > now) {
            ++it;
            continue;
        }
        if (SimController* c = Find(it->index)) {
            if (it->handOverAtPoll)
                KeepInBuffer(*c, it->payload);
            else
                Schedule(DataFrame(it->index, it->payload), it->due, "data reply");
        }
        it = deferred_.erase(it);
    }
    if (openAnswers_ == 0) return;
    const Millis limit(std::max(0, config_.answerTimeoutMs));
    for (auto& r : answers_) {
        if (r.answeredAt || r.missed || r.eventAt + limit > now) continue;
        r.missed = true;
        --openAnswers_;
        TraceNote(now, std::string("no automatic answer ") + r.expected + " to " + IndexText(r.index) + " within " +
                           std::to_string(limit.count()) + " ms");
    }
}

std::string SimLine::TakeOutput(SimTime now) {
    std::string out;
    while (!output_.empty() && output_.front().due <= now) {
        Pending& p = output_.front();
        ++stats_.framesOut;
        stats_.bytesOut += p.bytes.size();
        if (trace_) {
            if (p.traceBytes)
                trace_({p.due, TraceDirection::ToPc, p.bytes, std::move(p.note)});
            else
                trace_({p.due, TraceDirection::ToPc, {}, std::move(p.note)});
        }
        out += p.bytes;
        output_.pop_front();
    }
    return out;
}

std::optional<SimTime> SimLine::NextDue() const {
    std::optional<SimTime> next;
    auto consider = [&next](SimTime t) {
        if (!next || t < *next) next = t;
    };
    if (!output_.empty()) consider(output_.front().due);
    for (const auto& d : deferred_) consider(d.due);
    if (openAnswers_ > 0) {
        const Millis limit(std::max(0, config_.answerTimeoutMs));
        for (const auto& r : answers_)
            if (!r.answeredAt && !r.missed) consider(r.eventAt + limit);
    }
    return next;
}

}  // namespace tulex::sim
