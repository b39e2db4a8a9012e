#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "link/port.h"

// An in-memory serial port: tests push received bytes and read what was sent.
class MemoryPort : public IComPort {
public:
    std::deque<uint8_t> In;
    std::vector<uint8_t> Out;
    int LineError = 0;
    int OutCapacity = 4096;

    void Receive(std::initializer_list<uint8_t> bytes) { In.insert(In.end(), bytes); }
    void Receive(const std::vector<uint8_t>& bytes) { In.insert(In.end(), bytes.begin(), bytes.end()); }
    std::vector<uint8_t> TakeSent()
    {
        std::vector<uint8_t> s;
        s.swap(Out);
        return s;
    }

    int InBuffUsed() override { return int(In.size()); }
    void GetBlock(uint8_t* buffer, int n) override
    {
        for (int i = 0; i < n && !In.empty(); ++i) {
            buffer[i] = In.front();
            In.pop_front();
        }
    }
    int GetLineError() override
    {
        const int e = LineError;
        LineError = 0;
        return e;
    }
    void FlushOutBuffer() override {}
    int OutBuffFree() override { return OutCapacity; }
    void PutChar(uint8_t b) override { Out.push_back(b); }
    void PutBlock(const uint8_t* bytes, int n) override { Out.insert(Out.end(), bytes, bytes + n); }
};
