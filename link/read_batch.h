#pragma once
#include <vector>

// A port whose received bytes a ReadBatch reads.
class IBatchedPort {
public:
    virtual ~IBatchedPort() = default;
    // Switches the watch for bytes waiting on the port's descriptor on or off.
    virtual void WatchInput(bool on) = 0;
    // Reads everything waiting, in one call; the number of bytes read, 0 when nothing was waiting.
    virtual int ReadWaiting() = 0;
    // Hands the next `bytes` of what was read on to whoever reads the port.
    virtual void DeliverInput(int bytes) = 0;
};

// A single-shot timer: the real one is a QTimer, tests fire it by hand.
class IBeatTimer {
public:
    virtual ~IBeatTimer() = default;
    virtual void Start(int ms) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

// Decides when the ports are read. Reading a port every time its descriptor wakes up costs a system
// call and a turn of the event loop per reply at line rate, which on a small machine is most of what
// logging costs. So a port whose descriptor shows bytes waiting stops watching it and is read on the
// next beat, a few milliseconds on, and for as long as it keeps receiving it is read once a beat
// without watching; the first beat that finds nothing puts it back to watching. A bench that replies
// now and then is thus read at most one beat after its bytes arrive, and a streaming one once a beat.
//
// All ports share the beat: on each one every port due is read, and only then are the bytes handed
// on, in the order they came as near as a batch can tell. A row is made when the highest bench's reply
// comes and carries every other bench's latest values, so a reply must be handed on after the other
// benches' replies that came before it and before those that came after. Bytes come at the pace of the
// line, so a port's bytes are handed on in slices, the same share of every port's batch in each round,
// lowest bench first: a reply overtakes another port's reply by a slice at most.
class ReadBatch {
public:
    static constexpr int kBeatMs = 8;
    // About one short reply. A lone port, or one round's worth, is handed on whole.
    static constexpr int kSliceBytes = 16;
    static constexpr int kMostRounds = 64;

    explicit ReadBatch(IBeatTimer& timer, int beatMs = kBeatMs, int sliceBytes = kSliceBytes);
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

    // An open port joins (and starts watching); rank orders the ports, lowest first.
    void Join(IBatchedPort& port, int rank);
    // A port about to close leaves; it is neither read nor handed anything after this.
    void Leave(IBatchedPort& port);
    // The port's descriptor shows bytes waiting.
    void InputWaiting(IBatchedPort& port);
    // The timer expired.
    void Beat();

    bool Due(const IBatchedPort& port) const;
    int BeatMs() const { return beatMs_; }
    // From the next beat armed on; 0 reads the ports as soon as the event loop turns.
    void SetBeatMs(int ms) { beatMs_ = ms < 0 ? 0 : ms; }

private:
    struct Member {
        IBatchedPort* Port;
        int Rank;
        bool Due;
    };
    Member* Find(const IBatchedPort& port);
    const Member* Find(const IBatchedPort& port) const;

    IBeatTimer& timer_;
    int beatMs_;
    int sliceBytes_;
    std::vector<Member> members_;
};
