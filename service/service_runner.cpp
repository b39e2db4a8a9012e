#include "service/service_runner.h"

#include "link/link.h"

ServiceRunner::ServiceRunner(Link& link) : link_(link)
{
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &ServiceRunner::PollTick);
    link_.AddClaim(*this);
    link_.Subscribe(*this);
}

ServiceRunner::~ServiceRunner()
{
    link_.Unsubscribe(*this);
    link_.RemoveClaim(*this);
}

void ServiceRunner::PortLost(int k)
{
    BenchProcedure* p = For(k);
    if (p && started_ && !p->Finished())
        p->Abandon("port lost");
}

void ServiceRunner::Add(std::unique_ptr<BenchProcedure> procedure)
{
    BenchProcedure* p = procedure.get();
    p->Changed = [this, p] { Changed(*p); };
    procedures_.push_back(std::move(procedure));
}

void ServiceRunner::Start()
{
    started_ = true;
    poll_.start();
    for (auto& p : procedures_)
        p->Start();
    CheckFinished();
}

void ServiceRunner::Cancel()
{
    for (auto& p : procedures_)
        if (!p->Finished())
            p->Cancel();
}

bool ServiceRunner::AllFinished() const
{
    for (const auto& p : procedures_)
        if (!p->Finished())
            return false;
    return true;
}

bool ServiceRunner::AllSucceeded() const
{
    for (const auto& p : procedures_)
        if (!p->Succeeded())
            return false;
    return true;
}

BenchProcedure* ServiceRunner::For(int k) const
{
    for (const auto& p : procedures_)
        if (p->Bench() == k)
            return p.get();
    return nullptr;
}

bool ServiceRunner::Claiming() const { return started_ && !AllFinished(); }

bool ServiceRunner::Exclusive() const
{
    for (const auto& p : procedures_)
        if (!p->Finished() && p->TakesAllReplies())
            return true;
    return false;
}

bool ServiceRunner::Claimed(int k, const RxFrame& frame)
{
    BenchProcedure* p = For(k);
    return p && p->Claimed(frame);
}

void ServiceRunner::ClaimedTimeout(int k, uint8_t code)
{
    if (BenchProcedure* p = For(k))
        p->TimedOut(code);
}

void ServiceRunner::PollTick()
{
    if (Exclusive())
        return;
    link_.CheckReplyTimeouts();
}

void ServiceRunner::Changed(const BenchProcedure& p)
{
    if (OnEvent)
        OnEvent(p);
    CheckFinished();
}

void ServiceRunner::CheckFinished()
{
    if (!started_ || finishTold_ || !AllFinished())
        return;
    finishTold_ = true;
    poll_.stop();
    // Out of the reply handling that finished the last bench.
    QTimer::singleShot(0, this, [this] {
        if (OnFinished)
            OnFinished();
    });
}
