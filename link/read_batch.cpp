#include "link/read_batch.h"

#include <algorithm>
#include <cstdint>

ReadBatch::ReadBatch(IBeatTimer& timer, int beatMs, int sliceBytes)
    : timer_(timer)
    , beatMs_(std::max(0, beatMs))
    , sliceBytes_(std::max(1, sliceBytes))
{
}

ReadBatch::Member* ReadBatch::Find(const IBatchedPort& port)
{
    for (Member& m : members_)
        if (m.Port == &port)
            return &m;
    return nullptr;
}

const ReadBatch::Member* ReadBatch::Find(const IBatchedPort& port) const
{
    for (const Member& m : members_)
        if (m.Port == &port)
            return &m;
    return nullptr;
}

bool ReadBatch::Due(const IBatchedPort& port) const
{
    const Member* m = Find(port);
    return m && m->Due;
}

void ReadBatch::Join(IBatchedPort& port, int rank)
{
    if (Find(port))
        return;
    const auto at = std::find_if(members_.begin(), members_.end(), [rank](const Member& m) { return m.Rank > rank; });
    members_.insert(at, Member{&port, rank, false});
    port.WatchInput(true);
}

void ReadBatch::Leave(IBatchedPort& port)
{
    const auto at = std::find_if(members_.begin(), members_.end(), [&port](const Member& m) { return m.Port == &port; });
    if (at == members_.end())
        return;
    members_.erase(at);
    if (std::none_of(members_.begin(), members_.end(), [](const Member& m) { return m.Due; }))
        timer_.Stop();
}

void ReadBatch::InputWaiting(IBatchedPort& port)
{
    Member* m = Find(port);
    if (!m || m->Due)
        return;
    m->Due = true;
    port.WatchInput(false);
    if (!timer_.Active())
        timer_.Start(beatMs_);
}

void ReadBatch::Beat()
{
    // Every due port is read before anything is handed on. Handing on may run a nested event loop
    // (a message box) in which ports close or the next beat comes, so the list is copied and each
    // port is looked up again before it gets its bytes.
    struct Read {
        IBatchedPort* Port;
        int Bytes;
        int HandedOn;
    };
    std::vector<Read> read;
    read.reserve(members_.size());
    const std::vector<Member> due = members_;
    int most = 0;
    for (const Member& d : due) {
        const Member* before = Find(*d.Port);
        if (!before || !before->Due)
            continue;
        const int got = d.Port->ReadWaiting();
        Member* m = Find(*d.Port); // a port that failed while being read may have left
        if (!m)
            continue;
        if (got > 0) {
            read.push_back({d.Port, got, 0});
            most = std::max(most, got);
            continue;
        }
        m->Due = false;
        d.Port->WatchInput(true);
    }
    // Armed before anything is handed on, so a handler that waits inside keeps the ports read.
    if (!read.empty() && !timer_.Active())
        timer_.Start(beatMs_);
    const int rounds = read.size() < 2 ? 1 : std::clamp((most + sliceBytes_ - 1) / sliceBytes_, 1, kMostRounds);
    for (int round = 1; round <= rounds; ++round) {
        for (Read& r : read) {
            const int upTo = int(int64_t(r.Bytes) * round / rounds);
            if (upTo <= r.HandedOn || !Find(*r.Port))
                continue;
            const int slice = upTo - r.HandedOn;
            r.HandedOn = upTo;
            r.Port->DeliverInput(slice);
        }
    }
}
