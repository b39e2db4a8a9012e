#pragma once
// One service procedure on one bench, run without a window: it owns its step machine,
// sends through the link to its bench alone, takes that bench's replies from the runner,
// and reports its stage and progress as it goes and its result at the end.
#include <cstdint>
#include <functional>
#include <string>

struct RxFrame;

struct BenchProgress {
    std::string Stage;   // "boot", "erase", "programming", "upload", "check", ...
    int Done = 0;        // records, parameters or values done ...
    int Total = 0;       // ... of this many (0 when not known)
    int Retries = 0;     // requests repeated so far
};

class BenchProcedure {
public:
    explicit BenchProcedure(int bench) : bench_(bench) {}
    virtual ~BenchProcedure() = default;
    BenchProcedure(const BenchProcedure&) = delete;
    BenchProcedure& operator=(const BenchProcedure&) = delete;

    // Bench 0..3.
    int Bench() const { return bench_; }

    // Sends the first request (or fails at once, with the reason).
    virtual void Start() = 0;
    // Ends the run cleanly: a firmware download is ended with End Flash Download, files are
    // closed. The procedure finishes as failed ("cancelled").
    virtual void Cancel() = 0;
    // Ends the run as Cancel does, for a reason outside it (the bench's port went away); the
    // result names the reason.
    void Abandon(const std::string& why)
    {
        abandoned_ = why;
        Cancel();
    }
    // An expected reply of this bench (ACK or NAK). False when it is not one this procedure
    // takes, so the link's other users get it.
    virtual bool Claimed(const RxFrame& frame) = 0;
    // A request of this bench went unanswered within the link's time-out.
    virtual void TimedOut(uint8_t /*code*/) {}
    // Takes every reply to itself, before the link decodes it, and lets no time-out pass run
    // (the firmware download: a slow erase must not be cut short by the link's time-out).
    virtual bool TakesAllReplies() const { return false; }

    bool Finished() const { return finished_; }
    bool Succeeded() const { return finished_ && ok_; }
    // The result for the user: what was done, or what went wrong.
    const std::string& Message() const { return message_; }
    // Text a read leaves for standard output (params read and load); empty otherwise.
    const std::string& Output() const { return output_; }
    const BenchProgress& Progress() const { return progress_; }

    // Told after each change of stage or progress, and once at the end.
    std::function<void()> Changed;

protected:
    void SetStage(const std::string& stage);
    void SetProgress(int done, int total, int retries);
    void SetOutput(const std::string& text) { output_ = text; }
    // Once only; later calls are ignored.
    void Finish(bool ok, const std::string& message);
    void Tell();

private:
    int bench_;
    bool finished_ = false;
    bool ok_ = false;
    std::string message_;
    std::string output_;
    std::string abandoned_;
    BenchProgress progress_;
};
