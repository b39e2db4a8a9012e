#include "link/com_port.h"

#include "link/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <unistd.h>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

class ComPort::SharedBatch final : public IBeatTimer, public std::enable_shared_from_this<SharedBatch> {
public:
    SharedBatch()
        : batch_(*this)
    {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            // A handler may let the last port go while the beat is still handing on: the batch and its
            // timer then go once the timer's signal is over.
            std::shared_ptr<SharedBatch> keep = shared_from_this();
            batch_.Beat();
            if (keep.use_count() == 1)
                QTimer::singleShot(0, [keep] {});
        });
    }
    ReadBatch& Batch() { return batch_; }
    void Start(int ms) override { timer_.start(ms); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

    // Made with the thread's first port and gone with its last.
    static std::shared_ptr<SharedBatch> OfThisThread()
    {
        std::shared_ptr<SharedBatch> batch = Current().lock();
        if (!batch) {
            batch = std::make_shared<SharedBatch>();
            batch->Batch().SetBeatMs(BeatMsOfThisThread());
            Current() = batch;
        }
        return batch;
    }
    static std::weak_ptr<SharedBatch>& Current()
    {
        thread_local std::weak_ptr<SharedBatch> current;
        return current;
    }
    static int& BeatMsOfThisThread()
    {
        thread_local int beatMs = ReadBatch::kBeatMs;
        return beatMs;
    }

private:
    QTimer timer_;
    ReadBatch batch_;
};

namespace {
// Devices are opened by their real path so that two names for one device share one lock file.
QString RealDevicePath(const QString& comName)
{
    const QString path = Paths::ResolveDevice(comName);
    if (path.isEmpty())
        return {};
    return QFileInfo(path).canonicalFilePath();
}

void ApplySettings(QSerialPort& serial, int baud)
{
    serial.setBaudRate(baud);
    serial.setDataBits(QSerialPort::Data8);
    serial.setParity(QSerialPort::NoParity);
    serial.setStopBits(QSerialPort::OneStop);
    serial.setFlowControl(QSerialPort::NoFlowControl);
}

// Sum of the driver's line-error counters; false when the device keeps none (a pty).
bool ReadLineErrorCount(QSerialPort& serial, uint64_t& count)
{
#ifdef Q_OS_LINUX
    serial_icounter_struct counters{};
    if (::ioctl(serial.handle(), TIOCGICOUNT, &counters) != 0)
        return false;
    count = uint64_t(uint32_t(counters.frame)) + uint32_t(counters.parity) + uint32_t(counters.overrun)
        + uint32_t(counters.brk) + uint32_t(counters.buf_overrun);
    return true;
#else
    Q_UNUSED(serial);
    Q_UNUSED(count);
    return false;
#endif
}
// The process named in the lock file of device (the "LCK.." files the serial layer and other
// serial programs leave in the lock folders while they hold a device); 0 when there is none.
qint64 LockHolder(const QString& device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QStringList folders = {QStringLiteral("/var/lock"), QStringLiteral("/run/lock"), QStringLiteral("/etc/locks"),
                                 QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"), QDir::tempPath()};
    for (const QString& folder : folders) {
        QFile lock(folder + QStringLiteral("/LCK..") + name);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        bool ok = false;
        const qint64 pid = QString::fromLatin1(lock.readLine(32)).trimmed().toLongLong(&ok);
        if (ok && pid > 0)
            return pid;
    }
    return 0;
}

// True when the device reports a hang-up or an error condition right now.
bool LineHungUp(QSerialPort& serial)
{
    pollfd entry{};
    entry.fd = serial.handle();
    entry.events = POLLIN;
    if (entry.fd < 0 || ::poll(&entry, 1, 0) < 0)
        return false;
    return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// QSerialPort reads its descriptor whenever a read notifier it keeps as a child wakes: one system call
// and one turn of the event loop for every reply at line rate. The port reads the descriptor on the read
// batch's beat instead, so that notifier is switched off. Should a Qt keep it elsewhere, QSerialPort goes
// on reading too and the port takes what it holds first, still in order, only less thriftily.
void SilenceSerialReadNotifier(QSerialPort& serial)
{
    for (QSocketNotifier* notifier : serial.findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly))
        if (notifier->type() == QSocketNotifier::Read && notifier->socket() == serial.handle())
            notifier->setEnabled(false);
}

// Ports in the order they were made: bench 1's first.
int NextPortRank()
{
    static int made = 0;
    return made++;
}
} // namespace

QString PortOpenFailureText(const QString& comName, const QString& device, const PortOpenFailure& failure)
{
    if (failure.PermissionError && failure.LockHolder > 0)
        return QStringLiteral("%1 is in use by another program (process %2)").arg(comName).arg(failure.LockHolder);
    if (failure.PermissionError && failure.AccessDenied) {
        const QString group = failure.DeviceGroup.isEmpty() ? QStringLiteral("dialout") : failure.DeviceGroup;
        return QStringLiteral("%1 (%2): no permission to use the device; add the user to the group %3 "
                              "(sudo usermod -a -G %3 $USER), then log in again")
            .arg(comName, device, group);
    }
    // Refused although this user may use it and no lock names a holder: another program
    // holds it exclusively.
    if (failure.PermissionError)
        return QStringLiteral("%1 is in use by another program").arg(comName);
    return QStringLiteral("%1 (%2): %3").arg(comName, device, failure.SystemText);
}

ComPort::ComPort(int comNumber, QObject* parent)
    : QObject(parent)
    , comNumber_(comNumber)
    , rank_(NextPortRank())
    , serial_(new QSerialPort(this))
    , batch_(SharedBatch::OfThisThread())
{
    // Only when QSerialPort read bytes itself (see SilenceSerialReadNotifier).
    connect(serial_, &QSerialPort::readyRead, this, [this] { batch_->Batch().InputWaiting(*this); });
    connect(serial_, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { OnError(int(error)); });
}

ComPort::~ComPort() { Close(); }

QString ComPort::ComName() const { return Paths::ComDeviceName(comNumber_); }

bool ComPort::IsOpen() const { return serial_->isOpen(); }

bool ComPort::TestDevice(const QString& comName)
{
    const QString device = RealDevicePath(comName);
    if (device.isEmpty())
        return false;
    QSerialPort probe;
    probe.setPortName(device);
    if (!probe.open(QIODevice::ReadWrite))
        return false;
    probe.close();
    return true;
}

bool ComPort::OpenDevice()
{
    const QString device = RealDevicePath(ComName());
    if (device.isEmpty()) {
        lastError_ = QStringLiteral("%1: no such device").arg(ComName());
        return false;
    }
    serial_->setPortName(device);
    ApplySettings(*serial_, baud_);
    if (!serial_->open(QIODevice::ReadWrite)) {
        PortOpenFailure failure;
        failure.PermissionError = serial_->error() == QSerialPort::PermissionError;
        failure.SystemText = serial_->errorString();
        if (failure.PermissionError) {
            failure.LockHolder = LockHolder(device);
            failure.AccessDenied = ::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0;
            failure.DeviceGroup = QFileInfo(device).group();
        }
        lastError_ = PortOpenFailureText(ComName(), device, failure);
        serial_->clearError();
        return false;
    }
    // A pty has no modem lines and refuses these; that is no reason to give up the port.
    serial_->setDataTerminalReady(true);
    serial_->setRequestToSend(true);
    serial_->clearError();
    lastError_.clear();
    openedEntry_ = Paths::ResolveDevice(ComName());
    input_.clear();
    handedOn_ = 0;
    failed_ = false;
    readErrors_ = 0;
    ++openCount_;
    lineErrorCount_ = 0;
    lineCounters_ = ReadLineErrorCount(*serial_, lineErrorCount_);
    lineErrorSeen_ = false;
    StartReading();
    return true;
}

void ComPort::CloseDevice()
{
    if (!serial_->isOpen())
        return;
    StopReading();
    serial_->flush(); // give queued bytes their chance without waiting
    serial_->close();
    serial_->clearError();
    input_.clear();
    handedOn_ = 0;
}

bool ComPort::Open()
{
    if (IsOpen())
        return true;
    return OpenDevice();
}

bool ComPort::Reopen()
{
    if (IsOpen())
        return true;
    const QString entry = Paths::ResolveDevice(ComName());
    if (openedEntry_.isEmpty() || entry != openedEntry_) {
        lastError_ = QStringLiteral("%1: %2 is not there").arg(ComName(), openedEntry_.isEmpty() ? ComName() : openedEntry_);
        return false;
    }
    return OpenDevice();
}

void ComPort::Close()
{
    if (!IsOpen())
        return;
    if (tracing_) {
        WriteTrace();
        tracing_ = false;
        trace_.clear();
    }
    CloseDevice();
}

void ComPort::SetComNumber(int n)
{
    comNumber_ = n;
    if (!IsOpen())
        return;
    CloseDevice();
    if (OpenDevice())
        return;
    // The port is closed now; the trace goes out as on any close.
    if (tracing_) {
        WriteTrace();
        tracing_ = false;
        trace_.clear();
    }
    emit Failed(this, lastError_);
}

void ComPort::SetBaud(int rate)
{
    baud_ = rate;
    if (IsOpen()) {
        serial_->setBaudRate(rate);
        serial_->clearError();
    }
}

void ComPort::StartReading()
{
    SilenceSerialReadNotifier(*serial_);
    inputWatch_ = new QSocketNotifier(serial_->handle(), QSocketNotifier::Read, this);
    inputWatch_->setEnabled(false);
    connect(inputWatch_, &QSocketNotifier::activated, this, [this] { batch_->Batch().InputWaiting(*this); });
    batch_->Batch().Join(*this, rank_);
}

void ComPort::StopReading()
{
    batch_->Batch().Leave(*this);
    if (inputWatch_) {
        inputWatch_->setEnabled(false);
        inputWatch_->deleteLater(); // may be the sender of the notice being handled
        inputWatch_ = nullptr;
    }
}

void ComPort::WatchInput(bool on)
{
    if (inputWatch_)
        inputWatch_->setEnabled(on);
}

int ComPort::ReadWaiting()
{
    if (!IsOpen())
        return 0;
    int got = 0;
    // Bytes QSerialPort read itself are older than any still in the descriptor.
    if (serial_->bytesAvailable() > 0) {
        const QByteArray held = serial_->readAll();
        SilenceSerialReadNotifier(*serial_);
        TakeInput(held.constData(), int(held.size()));
        got += int(held.size());
    }
    // Several seconds of line rate: one call takes everything a beat brings.
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(serial_->handle(), chunk, sizeof chunk);
        if (n > 0) {
            TakeInput(chunk, int(n));
            got += int(n);
            if (size_t(n) < sizeof chunk)
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file (the other end of a pty closed) or a device that is gone.
        const bool gone = n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV || errno == EBADF);
        readFailure_ = n == 0 ? QStringLiteral("end of input") : QString::fromLocal8Bit(std::strerror(errno));
        OnError(int(gone ? QSerialPort::ResourceError : QSerialPort::ReadError));
        readFailure_.clear();
        break;
    }
    if (got > 0) {
        readErrors_ = 0;
        // The line-error counters are asked once a read, not once a reply; a pty keeps none.
        uint64_t count = 0;
        if (lineCounters_ && ReadLineErrorCount(*serial_, count)) {
            lineErrorSeen_ = lineErrorSeen_ || count != lineErrorCount_;
            lineErrorCount_ = count;
        }
    }
    return got;
}

void ComPort::TakeInput(const char* bytes, int n)
{
    if (n <= 0)
        return;
    input_.append(bytes, n);
    if (input_.size() > kInBufferLimit) {
        const qsizetype excess = input_.size() - kInBufferLimit;
        input_.remove(0, excess);
        handedOn_ = std::max<qsizetype>(0, handedOn_ - excess);
        if (droppedInput_ == 0)
            qWarning("%s: received bytes are not being read; the oldest are dropped", qPrintable(ComName()));
        droppedInput_ += quint64(excess);
    }
    Record(reinterpret_cast<const uint8_t*>(bytes), n, false);
    emit Received(n);
}

void ComPort::DeliverInput(int bytes)
{
    handedOn_ = std::min(input_.size(), handedOn_ + std::max(0, bytes));
    if (InBuffUsed() > 0)
        emit DataAvailable(this);
}

void ComPort::OnError(int error)
{
    if (failed_ || !IsOpen())
        return;
    if (error == QSerialPort::ReadError) {
        // A hung-up line (the other end of a pty closed) reads as end of file, which QSerialPort
        // reports as a read error again on every turn of the event loop. Keep a stray error from
        // closing a healthy port, but never let a lasting one spin.
        if (!LineHungUp(*serial_) && ++readErrors_ < kReadErrorLimit)
            return;
    } else if (error != QSerialPort::ResourceError) {
        return;
    }
    failed_ = true;
    const QString reason = QStringLiteral("%1: %2").arg(ComName(), readFailure_.isEmpty() ? serial_->errorString() : readFailure_);
    // QSerialPort is still inside its own notification here; close once it has returned.
    const quint64 session = openCount_;
    QMetaObject::invokeMethod(
        this,
        [this, reason, session] {
            if (session != openCount_ || !IsOpen())
                return;
            Close();
            emit Failed(this, reason);
        },
        Qt::QueuedConnection);
}

int ComPort::InBuffUsed() { return IsOpen() ? int(handedOn_) : 0; }

void ComPort::GetBlock(uint8_t* buffer, int n)
{
    n = std::clamp(n, 0, InBuffUsed());
    if (n == 0)
        return;
    std::copy_n(reinterpret_cast<const uint8_t*>(input_.constData()), n, buffer);
    input_.remove(0, n);
    handedOn_ -= n;
}

int ComPort::GetLineError()
{
    if (!IsOpen())
        return 0;
    const bool seen = lineErrorSeen_;
    lineErrorSeen_ = false;
    return seen ? 1 : 0;
}

void ComPort::FlushOutBuffer()
{
    if (IsOpen()) {
        serial_->clear(QSerialPort::Output);
        serial_->clearError();
    }
}

int ComPort::OutBuffFree()
{
    if (!IsOpen())
        return kOutBufferSize;
    return int(std::max<qint64>(0, kOutBufferSize - serial_->bytesToWrite()));
}

void ComPort::PutChar(uint8_t b) { PutBlock(&b, 1); }

void ComPort::PutBlock(const uint8_t* bytes, int n)
{
    if (!IsOpen() || bytes == nullptr || n <= 0)
        return;
    serial_->write(reinterpret_cast<const char*>(bytes), n);
    Record(bytes, n, true);
    emit Transmitted(n);
}

void ComPort::SetReadBeatMs(int ms)
{
    SharedBatch::BeatMsOfThisThread() = std::max(0, ms);
    if (std::shared_ptr<SharedBatch> batch = SharedBatch::Current().lock())
        batch->Batch().SetBeatMs(ms);
}

void ComPort::SetTraceSize(int entries)
{
    traceSize_ = std::max(0, entries);
    while (int(trace_.size()) > traceSize_)
        trace_.pop_front();
}

void ComPort::SetTracing(bool on)
{
    trace_.clear();
    tracing_ = on;
}

void ComPort::Record(const uint8_t* bytes, int n, bool tx)
{
    if (!tracing_ || traceSize_ <= 0)
        return;
    for (int i = 0; i < n; ++i)
        trace_.push_back({bytes[i], tx});
    while (int(trace_.size()) > traceSize_)
        trace_.pop_front();
}

void ComPort::WriteTrace()
{
    if (traceName_.isEmpty())
        return;
    // One line per run of bytes in one direction, at most 16 bytes a line.
    QByteArray text;
    bool lineOpen = false;
    bool lineTx = false;
    int onLine = 0;
    static const char kHex[] = "0123456789ABCDEF";
    for (const TraceEntry& entry : trace_) {
        if (!lineOpen || entry.Tx != lineTx || onLine == 16) {
            if (lineOpen)
                text += '\n';
            text += entry.Tx ? "Tx:" : "Rx:";
            lineOpen = true;
            lineTx = entry.Tx;
            onLine = 0;
        }
        text += ' ';
        text += kHex[entry.Byte >> 4];
        text += kHex[entry.Byte & 0x0F];
        ++onLine;
    }
    if (lineOpen)
        text += '\n';
    QFile file(traceName_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        qWarning("Trace file %s could not be written", qPrintable(traceName_));
}
