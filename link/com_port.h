#pragma once
#include "link/port.h"
#include "link/read_batch.h"

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>

class QSerialPort;

// What is known about a failed open, for a message that says what to do about it.
struct PortOpenFailure {
    bool PermissionError = false; // the serial layer refused the device or its lock
    qint64 LockHolder = 0;        // process named in the device's lock file; 0 when none
    bool AccessDenied = false;    // this user may not read and write the device
    QString DeviceGroup;          // group owning the device ("dialout")
    QString SystemText;           // the serial layer's own words
};
// "COM1 is in use by another program (process 4242)", how to get the permission, or the
// serial layer's words.
QString PortOpenFailureText(const QString& comName, const QString& device, const PortOpenFailure& failure);

// One serial port of a bench over QSerialPort: 8N1, no flow control, DTR and RTS raised, exclusive.
// QSerialPort opens, sets, writes and reports errors; the received bytes are read from the descriptor
// by this port on the beat of the read batch that all ports of the thread share (read_batch.h), in
// batches rather than once per reply. Everything runs on the GUI thread; DataAvailable comes from the
// beat, straight from the event loop, so a handler may show a modal box without stopping the reading.
class ComPort : public QObject, public IComPort, private IBatchedPort {
    Q_OBJECT
public:
    static constexpr int kOutBufferSize = 4096;
    static constexpr int kDefaultBaud = 19200;
    static constexpr int kDefaultTraceSize = 10000;
    // Most received bytes one port holds unread. Past it the oldest are dropped (and
    // counted), so a link that stops draining costs bounded memory, as a serial
    // driver's overrun would. Several seconds of line rate, so a short stall loses nothing.
    static constexpr int kInBufferLimit = 65536;

    explicit ComPort(int comNumber, QObject* parent = nullptr);
    ~ComPort() override;

    int ComNumber() const { return comNumber_; }
    // "COM" + number, per Paths::ComDeviceName.
    QString ComName() const;
    // Selects the device; an open port closes and reopens at once on the new one, trace kept.
    void SetComNumber(int n);
    int Baud() const { return baud_; }
    // Takes effect at once on an open port.
    void SetBaud(int rate);

    // Claims the device with the current settings; false when it is missing or in use.
    bool Open();
    // Opens again a port whose device went away, but only when its name leads to the same entry
    // as at the last open: an adapter plugged in again, not whatever took the name meanwhile
    // (a missing COMn link falls back to a /dev/ttyS device).
    bool Reopen();
    // Writes the trace file first when tracing. Closing a closed port does nothing.
    void Close();
    bool IsOpen() const;
    // Why the last Open failed, in words that say what to do about it.
    QString LastError() const { return lastError_; }

    // Opens the device named comName exclusively and closes it again: true when that worked.
    static bool TestDevice(const QString& comName);

    // The beat on which this thread's ports are read (read_batch.h), for ports made from now on and
    // those open now. A program that waits for each reply before its next request (a firmware
    // download) reads at once (0): the beat would add to every request's turn.
    static void SetReadBeatMs(int ms);

    // Trace of the traffic: a ring of at most TraceSize entries, written to TraceName on Close.
    QString TraceName() const { return traceName_; }
    void SetTraceName(const QString& name) { traceName_ = name; }
    int TraceSize() const { return traceSize_; }
    void SetTraceSize(int entries);
    bool Tracing() const { return tracing_; }
    // Switching on starts an empty trace; switching off discards it.
    void SetTracing(bool on);
    // Number of entries recorded so far.
    int TraceCount() const { return static_cast<int>(trace_.size()); }

    // Received bytes dropped unread because the input held kInBufferLimit already,
    // since the port was created.
    quint64 DroppedInput() const { return droppedInput_; }

    // IComPort
    int InBuffUsed() override;
    void GetBlock(uint8_t* buffer, int n) override;
    int GetLineError() override;
    void FlushOutBuffer() override;
    int OutBuffFree() override;
    void PutChar(uint8_t b) override;
    void PutBlock(const uint8_t* bytes, int n) override;

signals:
    // Received bytes are waiting. Raised at most once a beat, after every port due was read.
    void DataAvailable(ComPort* port);
    // The open device went away (unplugged, other end closed); the port is closed. Raised once.
    void Failed(ComPort* port, QString reason);
    // Bytes went out (queued for sending) or came in; drives the traffic lights.
    void Transmitted(int count);
    void Received(int count);

private:
    struct TraceEntry {
        uint8_t Byte;
        bool Tx;
    };

    bool OpenDevice();
    void CloseDevice();
    void OnError(int error);
    // Reading the descriptor on the batch's beat instead of QSerialPort's own notifier.
    void StartReading();
    void StopReading();
    // IBatchedPort
    void WatchInput(bool on) override;
    int ReadWaiting() override;
    void DeliverInput(int bytes) override;
    void TakeInput(const char* bytes, int n);
    void Record(const uint8_t* bytes, int n, bool tx);
    void WriteTrace();

    int comNumber_;
    // Orders the ports in the read batch: the order they were made in, which is that of the benches.
    int rank_;
    int baud_ = kDefaultBaud;
    QSerialPort* serial_ = nullptr;
    // The read batch of this thread's ports, with its timer; shared by every port of the thread.
    class SharedBatch;
    std::shared_ptr<SharedBatch> batch_;
    // Watches the open descriptor for bytes waiting while the batch is not reading it on its beat.
    QSocketNotifier* inputWatch_ = nullptr;
    // Bytes read; the first handedOn_ of them are waiting for the link, the rest come with the next
    // slices of the beat that read them.
    QByteArray input_;
    qsizetype handedOn_ = 0;
    quint64 droppedInput_ = 0;
    bool failed_ = false;
    // Read errors since the last good read; past the limit the line counts as gone.
    static constexpr int kReadErrorLimit = 1000;
    int readErrors_ = 0;
    // Why the port's own read of the descriptor failed, for the failure notice.
    QString readFailure_;
    // Counts successful opens, so a late failure notice from an earlier opening is ignored.
    quint64 openCount_ = 0;
    // The device entry (before links are followed) of the last successful open.
    QString openedEntry_;
    QString lastError_;
    // Driver line-error counters (frame, parity, overrun, break) at the last read, whether the
    // device keeps them, and whether they grew since GetLineError last asked.
    uint64_t lineErrorCount_ = 0;
    bool lineCounters_ = false;
    bool lineErrorSeen_ = false;

    QString traceName_;
    int traceSize_ = kDefaultTraceSize;
    bool tracing_ = false;
    std::deque<TraceEntry> trace_;
};
