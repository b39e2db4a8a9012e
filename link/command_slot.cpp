#include "link/command_slot.h"

#include "link/port.h"

uint8_t RequestStartByte(uint8_t code)
{
    return (code == 0x26 || code == 0x27 || code == 0x28) ? 0x22 : 0x02;
}

void CommandSlot::Begin(uint8_t code)
{
    Start = RequestStartByte(code);
    Length = 0;
    Sum = Start;
    AddByte(code);
}

void CommandSlot::AddByte(uint8_t b)
{
    // The length byte cannot say more than 255; callers keep within it, and a
    // runaway builder must not write past the payload either.
    if (Length == 255)
        return;
    Payload[Length] = b;
    ++Length;
    Sum = uint16_t(Sum + b);
}

void CommandSlot::AddWord(uint16_t w)
{
    AddByte(uint8_t(w >> 8));
    AddByte(uint8_t(w & 0xFF));
}

uint8_t CommandSlot::Checksum() const
{
    const unsigned s = ((Sum & 0xFFu) + Length) & 0xFFu;
    return uint8_t((256 - s) & 0xFFu);
}

int CommandSlot::Send(IComPort* port)
{
    FirstReplyPending = true;
    if (!port)
        return Length + 4;
    port->FlushOutBuffer();
    if (port->OutBuffFree() < Length + 4)
        return Length + 4;
    port->PutChar(Start);
    port->PutChar(Length);
    port->PutBlock(Payload.data(), Length);
    port->PutChar(Checksum());
    AwaitingReply = true;
    NewTimer(ReplyTimer, kReplyTimeoutTicks);
    return 0;
}
