#pragma once
// A firmware download into one bench without the window: the window's UpgradeMachine with
// its requests going to this bench. The window waits for ever on a request nobody answers;
// a run nobody watches gives up after a time without any reply, and then ends the download
// with End Flash Download as a cancel does.
#include <QTimer>

#include <string>

#include "service/bench_procedure.h"
#include "service/upgrade_machine.h"

class Link;

class UpgradeRun : public BenchProcedure {
public:
    // noReplyMs: longest wait for any one reply.
    UpgradeRun(Link& link, int bench, std::string firmwarePath, int noReplyMs);

    void Start() override;
    void Cancel() override;
    bool Claimed(const RxFrame& frame) override;
    bool TakesAllReplies() const override { return true; }

    const UpgradeMachine& Machine() const { return machine_; }

private:
    void Update();
    void NoReply();

    Link& link_;
    std::string path_;
    int noReplyMs_;
    std::string warning_;
    UpgradeMachine machine_;
    QTimer watchdog_;
};
