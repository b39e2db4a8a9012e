#include "link.h"

#include <algorithm>

#include "command_table.h"
#include "decoders.h"
#include "message_sink.h"
#include "port.h"

namespace {
bool IsFlashParamCode(uint8_t code) { return code == 0x48 || code == 0x49 || code == 0x54 || code == 0x55; }
} // namespace

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
    while (!AskHook(Hooks.Closing, false) && (waiting = port->InBuffUsed()) > 0)
        Receive(k, waiting);
    receiving_[k] = false;
}

void Link::Receive(int k, int count)
{
    TBench& b = Benches[k];
    const int n = std::clamp(count, 0, 256);
    b.Port->GetBlock(b.Rx.RxChunk.data(), n);
    const bool lineError = b.Port->GetLineError() != 0;
    AssembleChunk(b.Rx, n, lineError, [&](const RxFrame& f) { DispatchReply(k, f); });
}

void Link::DispatchReply(int k, const RxFrame& frame)
{
    if (AskHook(Hooks.Closing, false))
        return;
    TBench& b = Benches[k];
    TCommand& slot = b.Commands[frame.Code];
    if (!slot.AwaitingReply && !slot.Continuous) {
        b.StatusText = HexByte(frame.Code) + " ?";
        b.StatusError = 1;
        ShowLinkStatus();
        CompleteIfDialog(frame.Code);
        return;
    }
    slot.AwaitingReply = false;
    if (AskHook(Hooks.UpgradeBusy, false)) {
        CallHook(Hooks.UpgradeReply, k, frame);
        return;
    }
    if (frame.Start == kNak) {
        HandleNak(k, frame);
        if (AskHook(Hooks.CalibrationRunning, false) && IsFlashParamCode(frame.Code))
            CallHook(Hooks.CalibrationReply, k, frame, true);
        else if (AskHook(Hooks.TransferRunningShown, false) && IsFlashParamCode(frame.Code))
            CallHook(Hooks.TransferRefusal, frame.Code, frame.Length > 0 ? frame.Data[0] : uint8_t(0));
    } else {
        HandleAck(k, frame);
        const bool stepCode = frame.Code == 0x48 || frame.Code == 0x49 || frame.Code == 0x54;
        if (AskHook(Hooks.CalibrationRunning, false) && stepCode)
            CallHook(Hooks.CalibrationReply, k, frame, false);
        else if (AskHook(Hooks.TransferRunningShown, false) && stepCode)
            CallHook(Hooks.TransferReply, k, frame);
    }
}

void Link::HandleAck(int k, const RxFrame& frame)
{
    TBench& b = Benches[k];
    TCommand& slot = b.Commands[frame.Code];
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
        CallHook(Hooks.RawIRBlock, k, frame);
        break;
    case ReplyKind::EngStatus: DecodeEngineeringStatus(k, frame); break;
    case ReplyKind::Value:
    case ReplyKind::AckOnly: DecodeValueReply(k, frame); break;
    case ReplyKind::FlashParam: CallHook(Hooks.ParamEditorReply, k, frame); break;
    case ReplyKind::SoftReset:
        DecodeValueReply(k, frame);
        CallHook(Hooks.SoftResetDisconnect);
        break;
    case ReplyKind::Boot:
    case ReplyKind::None: break;
    }

    if (!slot.Continuous || slot.FirstReplyPending) {
        slot.FirstReplyPending = false;
        b.StatusError = 0;
        ShowLinkStatus();
        CompleteIfDialog(frame.Code);
    }
}

void Link::HandleNak(int k, const RxFrame& frame)
{
    TBench& b = Benches[k];
    TCommand& slot = b.Commands[frame.Code];
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
    CompleteIfDialog(frame.Code);
}

bool Link::CheckReplyTimeouts()
{
    for (int k = 0; k < 4; ++k) {
        if (!AskHook(Hooks.BenchSwitchedOn, false, k))
            continue;
        TBench& b = Benches[k];
        for (int code = 0; code < 255; ++code) {
            TCommand& slot = b.Commands[code];
            if (!slot.AwaitingReply || !TimerExpired(slot.ReplyTimer))
                continue;
            if (AskHook(Hooks.TransferState, 0) > 0 && IsFlashParamCode(uint8_t(code)))
                CallHook(Hooks.TransferTimeout, uint8_t(code));
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
            ShowLinkStatus();
            CompleteIfDialog(uint8_t(code));
            slot.AwaitingReply = false;
        }
    }
    return true;
}

void Link::ShowLinkStatus()
{
    for (int k = 0; k < 4; ++k)
        if (AskHook(Hooks.PortOpen, false, k))
            CallHook(Hooks.ShowStatusEdit, k, Benches[k].StatusText, Benches[k].StatusError == 1);
}

void Link::CompleteIfDialog(uint8_t code)
{
    if (Hooks.DialogCommand && Hooks.DialogCommand() == code)
        CallHook(Hooks.CompleteCommand);
}

void Link::DataReplyNotices(int k)
{
    TBench& b = Benches[k];
    b.NewRowData = b.NewGraph1Data = b.NewGraph2Data = b.NewStatusData = true;
    b.DataTimedOut = false;
    b.DataSinceRequest = true;
    if (AskHook(Hooks.Collecting, false))
        CallHook(Hooks.RowOutput, k);
    CallHook(Hooks.RefreshGraph2, k);
    CallHook(Hooks.RefreshGraph1, k);
    CallHook(Hooks.RefreshStatusScreen, k);
}

void Link::DecodeDataStatus(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreDataStatus(Benches[k], f))
        return;
    DataReplyNotices(k);
    CallHook(Hooks.ShowCommandReply, uint8_t(0));
}

void Link::DecodeDataStatus6(int k, const RxFrame& f)
{
    ApplyContinuousRule(Benches[k].Commands[f.Code]);
    if (!StoreDataStatus6(Benches[k], f))
        return;
    DataReplyNotices(k);
    CallHook(Hooks.ShowCommandReply, uint8_t(0));
}

void Link::DecodeEngineeringData(int k, const RxFrame& f)
{
    TCommand& slot = Benches[k].Commands[f.Code];
    ApplyContinuousRule(slot);
    if (!StoreEngineeringData(Benches[k], f))
        return;
    DataReplyNotices(k);
    CallHook(Hooks.RefreshEngStatusScreen, k);
    if (AskHook(Hooks.DialogCommand, uint8_t(0)) == 0x44) {
        slot.ReplyReady = true;
        CallHook(Hooks.ShowCommandReply, uint8_t(0x44));
    }
    CallHook(Hooks.ShowCommandReply, uint8_t(0));
}

void Link::DecodeRawIR(int k, const RxFrame& f)
{
    TCommand& slot = Benches[k].Commands[f.Code];
    if (f.Length >= ReplyLayoutLength(f.Code))
        Benches[k].NewRawIR = true;
    ApplyContinuousRule(slot);
    if (f.Length >= ReplyLayoutLength(f.Code) && AskHook(Hooks.DialogCommand, uint8_t(0)) == f.Code) {
        slot.ReplyReady = true;
        CallHook(Hooks.ShowCommandReply, f.Code);
    }
}

void Link::DecodeEngineeringStatus(int k, const RxFrame& f)
{
    TCommand& slot = Benches[k].Commands[f.Code];
    ApplyContinuousRule(slot);
    if (!StoreEngineeringStatus(Benches[k], f))
        return;
    CallHook(Hooks.RefreshEngStatusScreen, k);
    if (AskHook(Hooks.DialogCommand, uint8_t(0)) == 0x41) {
        slot.ReplyReady = true;
        CallHook(Hooks.ShowCommandReply, uint8_t(0x41));
    }
}

void Link::DecodeValueReply(int k, const RxFrame& f)
{
    // Replies without data always count as decoded; a value reply shorter than
    // its layout is not, and the dialog is then not told a reply is ready.
    if (ReplyLayoutLength(f.Code) > 0 && !StoreValueReply(Benches[k], f))
        return;
    if (AskHook(Hooks.DialogCommand, uint8_t(0)) == f.Code) {
        Benches[k].Commands[f.Code].ReplyReady = true;
        CallHook(Hooks.ShowCommandReply, f.Code);
    }
}
