#pragma once
// Calibration constants load and check as a step machine. Each step runs on a
// reply, a timer tick or Start; it sends at most one request to the bench being
// processed and names the next step and its interval. No widgets: the window
// forwards its events and shows the status text.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "service/cal_file.h"

struct RxFrame;

struct CalLoadPorts {
    // Requests to bench k (0..3).
    std::function<void(int, uint16_t)> ReadFlashParameters;
    std::function<void(int, uint16_t, const std::string&)> WriteFlashParameters;
    std::function<void(int, uint16_t)> StoreFlashParameters;
    std::function<void(int, uint16_t)> LoadFlashParameters;
    // Bench box k is enabled and ticked.
    std::function<bool(int)> BenchTicked;
    // Text of the latest Read Flash Parameters reply (the parameter editor's).
    std::function<std::string()> LastParamText;
    // Empties that text: each Load empties it, so a read-back that never comes
    // is compared as nothing rather than as the previous parameter's text.
    std::function<void()> ClearLastParamText;
    // The status edit.
    std::function<void(const std::string&)> ShowStatus;
    // The window timer: single shot after ms; stop.
    std::function<void(int)> StartTimer;
    std::function<void()> StopTimer;
    // A warning box for a malformed calibration file.
    std::function<void(const std::string&)> Warning;
};

// Given n expected values, a comma-separated text and a tolerance: true when the
// text holds at least n values and each lies within the tolerance of its
// expected value. Values after the n-th are ignored. The text ends at its first
// zero byte; blanks, tabs and line ends around a value are ignored, anything
// else makes the value no number.
bool CheckCalValues(int n, const std::vector<float>& expected, const std::string& text, float tolerance);

class CalLoadMachine {
public:
    static constexpr int kSpanParamTable[4][9] = {{117, 127, 132, 137, 257, 261, 265, 269, 126},
                                                  {118, 128, 133, 138, 258, 262, 266, 270, 131},
                                                  {119, 129, 134, 139, 259, 263, 267, 271, 136},
                                                  {120, 130, 135, 140, 260, 264, 268, 272, 141}};

    explicit CalLoadMachine(CalLoadPorts ports);
    ~CalLoadMachine();

    // The Start button. The benches are visited from FirstBench on (the window starts at 0).
    void Start();
    int FirstBench = 0;
    // Cancel: the next step runs the end state; nothing more is sent.
    void Cancel();
    // A timer tick (no reply).
    void Tick() { Step(nullptr); }
    // A routed reply; a NAK raises ErrorFlag first.
    void Reply(const RxFrame& frame);
    // Program end or window gone: close what is open.
    void CloseFiles();

    bool LoadMode = true;
    std::array<std::string, 4> CalFileNames;
    std::string TracePath = "tryfile.txt";

    int CalState() const { return calState_; }
    bool Running() const { return running_; }
    bool ErrorFlag() const { return errorFlag_; }
    int BenchIndex() const { return benchIndex_; }
    // The parameter in progress, and the failed comparisons of it so far.
    uint16_t Param() const { return param_; }
    int Retries() const { return retryCount_; }

private:
    void Step(const RxFrame* reply);
    void Action();
    void Next(int state, int ms);
    bool ReadFailed(); // reports the reader's error; always true
    // In load mode, reports values too long for one write request and ends the
    // run; false when they fit, or when nothing is written (check mode).
    bool TooLongForOneWrite(const std::string& values, uint16_t param);
    // Sends Load Flash Parameters for param_ after emptying the read-back text.
    void SendLoad();
    void Trace(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool Compare(int n, const std::vector<float>& expected, float tolerance);
    void EndState();
    // States 10..21: one temperature list (0 detector, 1 cell, 2 pressure).
    void TempWrite(int which);
    void TempCheck(int which);

    CalLoadPorts io_;
    int calState_ = 0;
    int benchIndex_ = 0;
    bool errorFlag_ = false;
    bool abortRequested_ = false;
    bool running_ = false;
    int retryCount_ = 0;
    int tempIndex_ = 0;
    int spanIndex_ = 0;
    int tableIndex_ = 0;
    int nh3Pass_ = 0;
    uint16_t param_ = 0;
    std::string valuesText_;
    std::vector<float> fileValues_;
    std::array<std::string, 3> tempLists_;            // detector, cell, pressure
    std::array<std::vector<float>, 3> tempValues_;
    std::ifstream calFile_;
    std::unique_ptr<CalFileReader> reader_;
    std::FILE* trace_ = nullptr;
};
