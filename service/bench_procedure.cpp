#include "service/bench_procedure.h"

void BenchProcedure::Tell()
{
    if (Changed)
        Changed();
}

void BenchProcedure::SetStage(const std::string& stage)
{
    if (finished_ || progress_.Stage == stage)
        return;
    progress_.Stage = stage;
    Tell();
}

void BenchProcedure::SetProgress(int done, int total, int retries)
{
    if (finished_ || (progress_.Done == done && progress_.Total == total && progress_.Retries == retries))
        return;
    progress_.Done = done;
    progress_.Total = total;
    progress_.Retries = retries;
    Tell();
}

void BenchProcedure::Finish(bool ok, const std::string& message)
{
    if (finished_)
        return;
    finished_ = true;
    ok_ = ok;
    // A failure keeps the stage it failed in.
    if (ok)
        progress_.Stage = "done";
    message_ = abandoned_.empty() ? message : abandoned_ + ": " + message;
    Tell();
}
