#include "programs/halyard-log/headless_logger.h"

#include "link/com_port.h"
#include "feed/feed_publisher.h"

#include <QFileInfo>
#include <QTimer>

HeadlessLogger::HeadlessLogger(const LoggerOptions& options, IMessageSink& messages, CalendarClock clock)
    : options_(options)
    , messages_(messages)
    , station_(*this, clock)
{
    watcher_.Owner = this;
    for (int k = 0; k < 4; ++k)
        station_.Port(k).SetBaud(options_.Baud);
    station_.BenchLink().Subscribe(*this);
    station_.Rows().Messages = &watcher_;
}

HeadlessLogger::~HeadlessLogger() { station_.BenchLink().Unsubscribe(*this); }

void HeadlessLogger::SetFeed(std::unique_ptr<FeedPublisher> feed) { station_.SetFeed(std::move(feed)); }

bool HeadlessLogger::PortOpen(int k) const { return k >= 0 && k < 4 && open_[k]; }

void HeadlessLogger::PollTick()
{
    ReopenLostPorts();
    station_.Acquisition().PollTick();
}

void HeadlessLogger::ReopenLostPorts()
{
    // Nobody is there to tick the box again: an unattended rig gets its bench back by itself.
    if (!collecting_ || stopped_)
        return;
    for (int k = 0; k < 4; ++k) {
        if (!lost_[k] || !station_.Port(k).Reopen())
            continue;
        lost_[k] = false;
        open_[k] = true;
        messages_.Show(QStringLiteral("Information"), station_.Port(k).ComName() + QStringLiteral(": device back, logging again"),
                       IMessageSink::Icon::Information);
        station_.Acquisition().SendDataRequest(k, AcquisitionCycle::kContinuousRate);
    }
}

void HeadlessLogger::StatusShown(int k, const std::string& text, bool error)
{
    if (k < 0 || k > 3)
        return;
    status_[k] = text;
    statusError_[k] = error;
}

void HeadlessLogger::RequestTimedOut(int, uint8_t) { ++timeouts_; }

void HeadlessLogger::PortLost(int k)
{
    // As the window: the port is closed and the others go on.
    open_[k] = false;
    lost_[k] = true;
    messages_.Show(QStringLiteral("Warning"), station_.Port(k).ComName() + QStringLiteral(": device lost"), IMessageSink::Icon::Warning);
}

bool HeadlessLogger::OpenPorts(QString* error)
{
    for (int k = 0; k < 4; ++k) {
        if (!options_.Benches[k])
            continue;
        ComPort& port = station_.Port(k);
        if (!port.Open()) {
            if (error)
                *error = port.ComName() + QStringLiteral(": cannot open the port: ") + port.LastError();
            return false;
        }
        open_[k] = true;
    }
    return true;
}

RowSettings HeadlessLogger::Settings() const
{
    RowSettings s;
    s.AveragingMode = options_.AveragingMode;
    s.SamplesPerBlock = options_.SamplesPerBlock;
    for (int k = 0; k < 4; ++k)
        s.PortOpen[k] = open_[k];
    s.LoggingOn = loggingOn_;
    return s;
}

bool HeadlessLogger::Start(QString* error)
{
    // OK: stops a stream running from an earlier program, then takes the settings.
    station_.Acquisition().StopStreams();
    station_.Acquisition().DataCommandSelection = 0;
    station_.Rows().Settings = Settings();
    station_.Rows().RebuildHeader();

    // New File or Append.
    // The window's file dialogs give full paths, and the creation line names the file so.
    basePath_ = QFileInfo(LoggerLogFile(options_.LogPath)).absoluteFilePath();
    if (!options_.Append && QFileInfo::exists(basePath_)) {
        if (error)
            *error = basePath_ + QStringLiteral(" already exists; give --append to continue it, or another name");
        return false;
    }
    const bool opened = options_.Append ? station_.Log().Append(basePath_) : station_.Log().Create(basePath_);
    if (!opened) {
        if (error)
            *error = QString::fromLatin1(kLogFileProblem) + QStringLiteral(" (") + basePath_ + QLatin1Char(')');
        return false;
    }
    currentFile_ = basePath_;

    // File Log On runs Stop (its empty line goes to the file) and rebuilds the header.
    station_.Acquisition().StopStreams();
    if (!station_.Log().WriteEmptyLine()) {
        if (error)
            *error = station_.Log().ProblemText();
        return false;
    }
    loggingOn_ = true;
    station_.Rows().Settings = Settings();
    station_.Rows().RebuildHeader();

    // Start.
    collecting_ = true;
    station_.Rows().AcceptRequested = false;
    if (!station_.Log().WriteHeaderLine(station_.Rows().HeaderLine())) {
        if (error)
            *error = station_.Log().ProblemText();
        return false;
    }
    station_.Acquisition().RequestStreams();
    station_.Rows().Settings = Settings();
    station_.Rows().RecountActive();
    return true;
}

void HeadlessLogger::Stop()
{
    if (stopped_)
        return;
    collecting_ = false;
    station_.Acquisition().StopStreams();
    if (station_.Log().IsOpen()) {
        // A disk that filled up was reported with the row that failed; say it once.
        if (!station_.Log().WriteEmptyLine() && station_.Log().ReportFailure())
            messages_.Show(QStringLiteral("Information"), station_.Log().ProblemText(), IMessageSink::Icon::Information);
        station_.Log().Close();
    }
    stopped_ = true;
}

bool HeadlessLogger::BeforeRow() { return !failing_ && (!options_.Rotate || RotateIfFull()); }

void HeadlessLogger::AfterRow(bool logged)
{
    if (logged && !failing_)
        ++rowsLogged_;
}

bool HeadlessLogger::RotateIfFull()
{
    // LogFile refuses the row that would reach its limit; go on in a new file first.
    if (!station_.Log().IsOpen() || station_.Log().LinesWritten() + 1 < station_.Log().LineLimit())
        return true;
    // The next free number: a continuation file of an earlier run is never replaced.
    QString next;
    do
        next = ContinuationFileName(basePath_, nextContinuation_++);
    while (QFileInfo::exists(next));
    const int limit = station_.Log().LineLimit();
    station_.Log().Close();
    if (!station_.Log().Create(next) || !station_.Log().WriteHeaderLine(station_.Rows().HeaderLine())) {
        messages_.Show(QStringLiteral("Information"), QString::fromLatin1(kLogFileProblem) + QStringLiteral(" (") + next + QLatin1Char(')'),
                       IMessageSink::Icon::Information);
        FailLater();
        return false;
    }
    station_.Log().SetLineLimit(limit);
    currentFile_ = next;
    return true;
}

void HeadlessLogger::FailLater()
{
    if (failing_)
        return;
    failing_ = true;
    // Not inside the reply handling that found it: stop once it has returned.
    QTimer::singleShot(0, this, [this] {
        Stop();
        if (Failed)
            Failed();
    });
}

void HeadlessLogger::WatchingSink::Show(const QString& caption, const QString& text, Icon icon)
{
    Owner->messages_.Show(caption, text, icon);
    // Either message ends logging: a full log without --rotate, or a write that failed.
    if (text == QLatin1String(kLogFileFull) || text.startsWith(QLatin1String(kLogFileProblem)))
        Owner->FailLater();
}
