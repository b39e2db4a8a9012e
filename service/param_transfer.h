#pragma once
// Parameter upload and download as a step machine: upload loads each flash
// parameter into RAM, reads it and writes it to a file; download writes each
// parameter of a file, reads it back, compares and stores it to flash. Up to
// four benches in one run, each with its own file. Steps are driven by bench
// replies, refusals and time-outs, and by a 100 ms timer the view runs.
#include <QFile>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "service/param_file.h"

struct RxFrame;

class ParamTransfer {
public:
    // What the machine needs of its window and of the link.
    class View {
    public:
        virtual ~View() = default;
        virtual void ShowProcessState(const QString& text) = 0; // "Process State"
        virtual void ShowParameter(const QString& text) = 0;    // parameter in progress
        virtual void SetStartEnabled(bool enabled) = 0;
        virtual void StopTimer() = 0;
        virtual void StartTimer(int ms) = 0;
        // "File Exists! Overwrite?": true for Yes.
        virtual bool AskOverwrite() = 0;
        // Name of a parameter in the list; empty above 400.
        virtual std::string ParamName(int number) = 0;
        virtual int64_t NowSeconds() = 0;
        virtual void SendLoad(int bench, uint16_t number) = 0;
        virtual void SendRead(int bench, uint16_t number) = 0;
        virtual void SendWrite(int bench, uint16_t number, const uint8_t* text, int length) = 0;
        virtual void SendStore(int bench, uint16_t number) = 0;
    };

    static constexpr int kTimerMs = 100;
    // Interval of the step timer; tests shorten it to run a whole bench quickly.
    int TimerMs = kTimerMs;
    static constexpr int kMaxRetries = 10;
    // The refusal reason of a parameter number a bench does not have.
    static constexpr uint8_t kInvalidParameterNumber = 0x46;

    explicit ParamTransfer(View& view) : view_(view) {}
    ~ParamTransfer();

    // Start pressed. Upload takes MaxParam as it stands.
    void Start(bool download);
    void Cancel();
    void TimerTick() { Step(nullptr); }
    // An acknowledged 0x48, 0x49 or 0x54 reply.
    void Reply(const RxFrame& frame) { Step(&frame); }
    // A NAK of 0x48, 0x49, 0x54 or 0x55 with its reason.
    void Refusal(uint8_t code, uint8_t reason);
    // A request of 0x48, 0x49, 0x54 or 0x55 went unanswered.
    void Timeout(uint8_t code);

    // Procedure state.
    int TransferState = 0;
    int TransferBench = 0;
    std::array<bool, 4> BenchFlags{};
    std::array<QString, 4> ParamFileNames;
    int ParamIndex = 0;
    int MaxParam = 400;
    // Upload: the first parameter number asked for (the window always starts at 0).
    int FirstParam = 0;
    int ParamNumber = 0;
    std::string WrittenText;
    bool RepeatRequest = false, SkipParam = false, TransferError = false, TransferAbort = false;
    bool Download = false;
    int TransferRetries = 0;
    // Read-backs of the current download entry that differed from the text
    // written. Kept apart from TransferRetries, which every acknowledged write
    // clears: counted there, a value the bench never reads back as written
    // would be written again for ever.
    int ReadBackMismatches = 0;
    QString ErrorText;
    // Upload: the last parameter of each bench whose list ended before MaxParam
    // (the bench refused the next number as invalid); -1 for the others.
    std::array<int, 4> ListEnd{-1, -1, -1, -1};
    // The trace of the run ("tryfile.txt" in the working directory unless set).
    QString TracePath;

private:
    void Step(const RxFrame* reply);
    void Tick();
    void StepUpload(const RxFrame* reply);
    void StepDownload(const RxFrame* reply);
    void EndOfBench();
    // " (bench 1 list ends at 400, ...)" for the benches whose list ended early; empty if none did.
    QString ListEndsText() const;
    bool OpenTrace();
    void Trace(const char* format, ...);
    int Elapsed() const;
    void Fail(const QString& text);

    View& view_;
    QFile paramFile_;
    QFile traceFile_;
    std::unique_ptr<ParamFileReader> reader_;
    std::string valueText_;
    // Upload: entries written for the bench in progress, and the number of the last.
    int uploaded_ = 0;
    int lastUploaded_ = -1;
    int64_t startSeconds_ = 0;
};
