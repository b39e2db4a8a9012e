#include "link/link.h"

#include <algorithm>

#include "link/command_table.h"
#include "link/decoders.h"
#include "link/message_sink.h"
#include "link/port.h"


std::string HexByte(uint8_t b)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 0x0F]};
}

std::string NakReasonText(uint8_t reason)
{
    switch (reason) {
    case 0x00: return " : System Fault";
    case 0x01: return " : Illegal data value";
    case 0x02: return " : Not Allowed at this time";
    case 0x03: return " : Sample Delivery Problem";
    case 0x44: return " : Boot program active";
    case 0x45: return " : Invalid Password";
    case 0x46: return " : Invalid Parameter Number";
    case 0x47: return " : Invalid Parameter Index";
    case 0x48: return " : Invalid Number of Parameters";
    case 0x49: return " : Too Many Zeroes";
    case 0x4A: return " : Small Source DeltaT";
    default: return " : Unknown response " + HexByte(reason);
    }
}

Link::Link()
{
    for (auto& b : Benches)
        b.Setup(nullptr);
}

void Link::Subscribe(LinkListener& listener)
{
    listeners_.push_back(&listener);
}

void Link::Unsubscribe(LinkListener& listener)
{
    for (auto& l : listeners_)
        if (l == &listener)
            l = nullptr;
    if (announcing_ == 0)
        std::erase(listeners_, nullptr);
}

void Link::AddClaim(ReplyClaim& claim)
{
    claims_.push_back(&claim);
}

void Link::RemoveClaim(ReplyClaim& claim)
{
    std::erase(claims_, &claim);
}

template <class F>
void Link::Announce(F&& tell)
{
    // By index: a listener may subscribe while it is told (it hears the next notice).
    ++announcing_;
    for (size_t i = 0; i < listeners_.size(); ++i)
        if (LinkListener* l = listeners_[i])
            tell(*l);
    if (--announcing_ == 0)
        std::erase(listeners_, nullptr);
}

void Link::Decoded(int k, ReplyKind kind, const RxFrame& frame)
{
    Announce([&](LinkListener& l) { l.ReplyDecoded(k, kind, frame); });
}

void Link::RequestEnded(int k, uint8_t code)
{
    Announce([&](LinkListener& l) { l.RequestEnded(k, code); });
}

void Link::ReportPortLost(int k)
{
    Announce([&](LinkListener& l) { l.PortLost(k); });
}

void Link::PortDataAvailable(int k)
{
    // Boxes raised while replies are handled wait until the drain has returned
    // (QueuedMessageSink). Should anything else run a nested event loop in here,
    // this port's event may come again; the outer call drains what arrives.
    if (k < 0 || k > 3 || receiving_[k])
        return;
    IComPort* port = Benches[k].Port;
    if (!port)
        return;
    const ReplyHandling::Scope handlingReplies;
    receiving_[k] = true;
    int waiting = 0;
    while (!Closing() && (waiting = port->InBuffUsed()) > 0)
        Receive(k, waiting);
    receiving_[k] = false;
}

void Link::Receive(int k, int count)
{
    BenchRecord& b = Benches[k];
    const int n = std::clamp(count, 0, 256);
    b.Port->GetBlock(b.Rx.RxChunk.data(), n);
    const bool lineError = b.Port->GetLineError() != 0;
    AssembleChunk(b.Rx, n, lineError, [&](const RxFrame& f) { DispatchReply(k, f); });
}

void Link::DispatchReply(int k, const RxFrame& frame)
{
    if (Closing())
        return;
    BenchRecord& b = Benches[k];
    CommandSlot& slot = b.Commands[frame.Code];
    if (!slot.AwaitingReply && !slot.Continuous) {
        b.StatusText = HexByte(frame.Code) + " ?";
        b.StatusError = 1;
        ShowLinkStatus();
        RequestEnded(k, frame.Code);
        return;
    }
    slot.AwaitingReply = false;
    // A firmware download takes every expected reply to itself; nothing else sees them.
    for (ReplyClaim* claim : claims_) {
        if (claim->Exclusive() && claim->Claiming()) {
            claim->Claimed(k, frame);
            return;
        }
    }
    if (frame.Start == kNak)
        HandleNak(k, frame);
    else
        HandleAck(k, frame);
    // A procedure stepping through flash parameters gets its reply once the status line shows it.
    for (size_t i = 0; i < claims_.size(); ++i) {
        ReplyClaim* claim = claims_[i];
        if (!claim->Exclusive() && claim->Claiming() && claim->Claimed(k, frame))
            break;
    }
}

void Link::HandleAck(int k, const RxFrame& frame)
{
    BenchRecord& b = Benches[k];
    CommandSlot& slot = b.Commands[frame.Code];
    b.StatusText = slot.CommandName + " ACK";

    switch (ReplyKindOf(frame.Code)) {
    case ReplyKind::DataStatus:
        if (frame.Code == 0x01)
            DecodeDataStatus(k, frame);
        else if (frame.Code == 0x06)
            DecodeDataStatus6(k, frame);
        else
            DecodeEngineeringData(k, frame);
        break;
    case ReplyKind::RawIR:
        DecodeRawIR(k, frame);
        break;
    case ReplyKind::EngStatus: DecodeEngineeringStatus(k, frame); break;
    case ReplyKind::Value:
    case ReplyKind::AckOnly: DecodeValueReply(k, frame); break;
    case ReplyKind::FlashParam: Decoded(k, ReplyKind::FlashParam, frame); break;
    case ReplyKind::SoftReset:
        DecodeValueReply(k, frame);
        Announce([&](LinkListener& l) { l.SoftResetAcknowledged(k); });
        break;
    case ReplyKind::Boot:
    case ReplyKind::None: break;
    }

    if (!slot.Continuous || slot.FirstReplyPending) {
        slot.FirstReplyPending = false;
        b.StatusError = 0;
        ShowLinkStatus();
        RequestEnded(k, frame.Code);
    }
}

void Link::HandleNak(int k, const RxFrame& frame)
{
    BenchRecord& b = Benches[k];
    CommandSlot& slot = b.Commands[frame.Code];
    // A NAK without a reason byte carries none; read it as 0 rather than a stale byte.
    const uint8_t reason = frame.Length > 0 ? frame.Data[0] : 0;
    b.StatusText = slot.CommandName + " NAK " + NakReasonText(reason);
    b.StatusError = 1;
    slot.FirstReplyPending = false;
    // A refused data request or stream frame is a sample this bench did not give, as a time-out is: the
    // rows must not wait for it. A NAK also ends the wait for the reply, so without this mark a bench
    // that NAKs every stream frame would never time out and would hold the rows of every bench.
    if (ReplyKindOf(frame.Code) == ReplyKind::DataStatus)
        b.DataTimedOut = true;
    ShowLinkStatus();
    RequestEnded(k, frame.Code);
}

bool Link::CheckReplyTimeouts()
{
    for (int k = 0; k < 4; ++k) {
        if (!switches_ || !switches_->BenchSwitchedOn(k))
            continue;
        BenchRecord& b = Benches[k];
        for (int code = 0; code < 255; ++code) {
            CommandSlot& slot = b.Commands[code];
            if (!slot.AwaitingReply || !TimerExpired(slot.ReplyTimer))
                continue;
            for (size_t i = 0; i < claims_.size(); ++i)
                claims_[i]->ClaimedTimeout(k, uint8_t(code));
            if (code == 0xF0) {
                const int v = SoftResetGrace;
                if (SoftResetGrace > -1)
                    --SoftResetGrace;
                if (v > 0)
                    return false;
            }
            if (ReplyKindOf(uint8_t(code)) == ReplyKind::DataStatus)
                b.DataTimedOut = true;
            b.StatusText = slot.CommandName + " Timeout";
            b.StatusError = 1;
            Announce([&](LinkListener& l) { l.RequestTimedOut(k, uint8_t(code)); });
            ShowLinkStatus();
            RequestEnded(k, uint8_t(code));
            slot.AwaitingReply = false;
        }
    }
    return true;
}

void Link::ShowLinkStatus()
{
    for (int k = 0; k < 4; ++k) {
        if (!switches_ || !switches_->PortOpen(k))
            continue;
        const BenchRecord& b = Benches[k];
        Announce([&](LinkListener& l) { l.StatusShown(k, b.StatusText, b.StatusError == 1); });
    }
}

void Link::ShowBenchStatus(int k)
{
    if (k < 0 || k > 3)
        return;
    const BenchRecord& b = Benches[k];
    Announce([&](LinkListener& l) { l.StatusShown(k, b.StatusText, b.StatusError == 1); });
}

void Link::DecodeDataStatus(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreDataStatus(Benches[k], f))
        return;
    Benches[k].DataTimedOut = false;
    Benches[k].DataSinceRequest = true;
    Decoded(k, ReplyKind::DataStatus, f);
}

void Link::DecodeDataStatus6(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreDataStatus6(Benches[k], f))
        return;
    Benches[k].DataTimedOut = false;
    Benches[k].DataSinceRequest = true;
    Decoded(k, ReplyKind::DataStatus, f);
}

void Link::DecodeEngineeringData(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreEngineeringData(Benches[k], f))
        return;
    Benches[k].DataTimedOut = false;
    Benches[k].DataSinceRequest = true;
    Decoded(k, ReplyKind::DataStatus, f);
}

void Link::DecodeRawIR(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    Decoded(k, ReplyKind::RawIR, f);
}

void Link::DecodeEngineeringStatus(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreEngineeringStatus(Benches[k], f))
        return;
    Decoded(k, ReplyKind::EngStatus, f);
}

void Link::DecodeValueReply(int k, const RxFrame& f)
{
    // Replies without data always count as decoded; a value reply shorter than
    // its layout is not, and the dialog is then not told a reply is ready.
    if (ReplyLayoutLength(f.Code) > 0 && !StoreValueReply(Benches[k], f))
        return;
    Decoded(k, ReplyKindOf(f.Code), f);
}
