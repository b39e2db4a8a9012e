#pragma once
// A pseudo-terminal standing in for a bench's serial line: the host opens the
// slave side through <devices>/COMn, the simulator works the master side.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sim {

class SimPty {
public:
    SimPty() = default;
    ~SimPty() { Close(); }
    SimPty(const SimPty&) = delete;
    SimPty& operator=(const SimPty&) = delete;

    // Opens a raw pty pair and points linkPath at the slave (a stale link or
    // file there is replaced; its folder is created). An empty linkPath makes
    // no link. Returns false with a reason on failure.
    bool Open(const std::string& linkPath, std::string* error = nullptr);
    // Closes both sides and removes the link (only if it still points at our slave).
    void Close();
    bool IsOpen() const { return master_ >= 0; }

    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    const std::string& LinkPath() const { return linkPath_; }

    // Reads what the host wrote; never blocks; 0 when nothing is waiting.
    size_t Read(uint8_t* buffer, size_t capacity);
    // Queues bytes for the host and sends as much as the pty takes now.
    void Write(const uint8_t* bytes, size_t n);
    void Write(const std::vector<uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
    // Sends queued bytes; true when the queue is empty afterwards.
    bool Flush();
    size_t Queued() const { return queue_.size(); }

    // Bytes kept for a host that is not reading; beyond it the oldest are
    // dropped, as a line with nobody listening loses them.
    static constexpr size_t kQueueLimit = 256 * 1024;
    uint64_t DroppedBytes() const { return dropped_; }

private:
    int master_ = -1;
    int slaveKeep_ = -1; // our own slave fd: the master sees no hang-up when the host closes
    std::string slavePath_;
    std::string linkPath_;
    std::deque<uint8_t> queue_;
    uint64_t dropped_ = 0;
};

} // namespace sim
