#pragma once
#include <cstdint>

// The operations the bench link needs from a serial port. The real port is a
// ComPort (QSerialPort); tests hand the link an in-memory port instead.
class IComPort {
public:
    virtual ~IComPort() = default;

    // Received bytes waiting, 0 when none.
    virtual int InBuffUsed() = 0;
    // Moves exactly n waiting bytes (n <= InBuffUsed()) into buffer, oldest first.
    virtual void GetBlock(uint8_t* buffer, int n) = 0;
    // 0 when no line error occurred since the last query; the query clears it.
    virtual int GetLineError() = 0;
    // Drops everything queued for sending and not yet sent.
    virtual void FlushOutBuffer() = 0;
    // Free space of the output buffer in bytes.
    virtual int OutBuffFree() = 0;
    // Queue bytes for sending, in call order, without waiting.
    virtual void PutChar(uint8_t b) = 0;
    virtual void PutBlock(const uint8_t* bytes, int n) = 0;
};
