#include "headless_logger.h"

#include "com_port.h"

#include <QFileInfo>
#include <QTimer>

HeadlessLogger::HeadlessLogger(const LoggerOptions& options, IMessageSink& messages, CalendarClock clock)
    : options_(options)
    , messages_(messages)
    , clock_(clock.NowSeconds ? clock : CalendarClock::System())
    , rows_(link_.Benches, grid_, clock_)
    , log_(clock_)
    , acquisition_(link_, *this)
{
    watcher_.Owner = this;
    for (int k = 0; k < 4; ++k) {
        ports_[k] = std::make_unique<ComPort>(k + 1);
        ports_[k]->SetBaud(options_.Baud);
    }
    ConnectLink();
    rows_.Log = &log_;
    rows_.Messages = &watcher_;
    rows_.StartTime = clock_.NowSeconds();
    rows_.AcceptCounter = 1;
}

HeadlessLogger::~HeadlessLogger()
{
    link_.Hooks = LinkHooks{};
    for (auto& port : ports_)
        port->Close();
}

bool HeadlessLogger::PortOpen(int k) const { return k >= 0 && k < 4 && open_[k]; }

int HeadlessLogger::FirstOpen() const
{
    for (int k = 0; k < 4; ++k)
        if (open_[k])
            return k;
    return -1;
}

void HeadlessLogger::PollTick()
{
    ReopenLostPorts();
    inTick_ = true;
    acquisition_.PollTick();
    inTick_ = false;
}

void HeadlessLogger::ReopenLostPorts()
{
    // Nobody is there to tick the box again: an unattended rig gets its bench back by itself.
    if (!collecting_ || stopped_)
        return;
    for (int k = 0; k < 4; ++k) {
        if (!lost_[k] || !ports_[k]->Reopen())
            continue;
        lost_[k] = false;
        open_[k] = true;
        messages_.Show(QStringLiteral("Information"), ports_[k]->ComName() + QStringLiteral(": device back, logging again"),
                       IMessageSink::Icon::Information);
        acquisition_.SendDataRequest(k, TAcquisition::kContinuousRate);
    }
}

void HeadlessLogger::ConnectLink()
{
    for (int k = 0; k < 4; ++k) {
        ComPort& port = *ports_[k];
        link_.Benches[k].Setup(&port);
        connect(&port, &ComPort::DataAvailable, this, [this, k] { link_.PortDataAvailable(k); });
        connect(&port, &ComPort::Failed, this, [this, k](ComPort* p, const QString&) {
            // As the window: the port is closed and the others go on.
            open_[k] = false;
            lost_[k] = true;
            messages_.Show(QStringLiteral("Warning"), p->ComName() + QStringLiteral(": device lost"), IMessageSink::Icon::Warning);
        });
    }
    LinkHooks& h = link_.Hooks;
    h.Closing = [this] { return stopped_; };
    h.DialogCommand = [] { return uint8_t(0); };
    // A lost bench stays switched on, as its box would until the window's user unticks it: the
    // time-out pass then marks it silent and the benches still answering go on making rows.
    h.BenchSwitchedOn = [this](int k) { return k >= 0 && k < 4 && options_.Benches[k] && (open_[k] || lost_[k]); };
    h.PortOpen = [this](int k) { return PortOpen(k); };
    h.Collecting = [this] { return collecting_; };
    h.ShowStatusEdit = [this](int k, const std::string& text, bool error) {
        if (k < 0 || k > 3)
            return;
        status_[k] = text;
        statusError_[k] = error;
        // The time-out pass shows every open bench's status once per time-out it finds.
        if (inTick_ && k == FirstOpen())
            ++timeouts_;
    };
    h.RowOutput = [this](int) { RowOutput(); };
}

bool HeadlessLogger::OpenPorts(QString* error)
{
    for (int k = 0; k < 4; ++k) {
        if (!options_.Benches[k])
            continue;
        ComPort& port = *ports_[k];
        if (!port.Open()) {
            if (error)
                *error = port.ComName() + QStringLiteral(": cannot open the port: ") + port.LastError();
            return false;
        }
        open_[k] = true;
    }
    return true;
}

TRowSettings HeadlessLogger::Settings() const
{
    TRowSettings s;
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
    acquisition_.StopStreams();
    acquisition_.DataCommandSelection = 0;
    rows_.Settings = Settings();
    rows_.RebuildHeader();

    // New File or Append.
    // The window's file dialogs give full paths, and the creation line names the file so.
    basePath_ = QFileInfo(LoggerLogFile(options_.LogPath)).absoluteFilePath();
    if (!options_.Append && QFileInfo::exists(basePath_)) {
        if (error)
            *error = basePath_ + QStringLiteral(" already exists; give --append to continue it, or another name");
        return false;
    }
    const bool opened = options_.Append ? log_.Append(basePath_) : log_.Create(basePath_);
    if (!opened) {
        if (error)
            *error = QString::fromLatin1(kLogFileProblem) + QStringLiteral(" (") + basePath_ + QLatin1Char(')');
        return false;
    }
    currentFile_ = basePath_;

    // File Log On runs Stop (its empty line goes to the file) and rebuilds the header.
    acquisition_.StopStreams();
    if (!log_.WriteEmptyLine()) {
        if (error)
            *error = log_.ProblemText();
        return false;
    }
    loggingOn_ = true;
    rows_.Settings = Settings();
    rows_.RebuildHeader();

    // Start.
    collecting_ = true;
    rows_.AcceptRequested = false;
    if (!log_.WriteHeaderLine(rows_.HeaderLine())) {
        if (error)
            *error = log_.ProblemText();
        return false;
    }
    acquisition_.RequestStreams();
    rows_.Settings = Settings();
    rows_.RecountActive();
    return true;
}

void HeadlessLogger::Stop()
{
    if (stopped_)
        return;
    collecting_ = false;
    acquisition_.StopStreams();
    if (log_.IsOpen()) {
        // A disk that filled up was reported with the row that failed; say it once.
        if (!log_.WriteEmptyLine() && log_.ReportFailure())
            messages_.Show(QStringLiteral("Information"), log_.ProblemText(), IMessageSink::Icon::Information);
        log_.Close();
    }
    stopped_ = true;
}

void HeadlessLogger::RowOutput()
{
    if (failing_)
        return;
    if (options_.Rotate && !RotateIfFull())
        return;
    const int before = log_.LinesWritten();
    rows_.Settings = Settings();
    rows_.AddDataRow();
    if (log_.LinesWritten() > before && !failing_)
        ++rowsLogged_;
}

bool HeadlessLogger::RotateIfFull()
{
    // LogFile refuses the row that would reach its limit; go on in a new file first.
    if (!log_.IsOpen() || log_.LinesWritten() + 1 < log_.LineLimit())
        return true;
    // The next free number: a continuation file of an earlier run is never replaced.
    QString next;
    do
        next = ContinuationFileName(basePath_, nextContinuation_++);
    while (QFileInfo::exists(next));
    const int limit = log_.LineLimit();
    log_.Close();
    if (!log_.Create(next) || !log_.WriteHeaderLine(rows_.HeaderLine())) {
        messages_.Show(QStringLiteral("Information"), QString::fromLatin1(kLogFileProblem) + QStringLiteral(" (") + next + QLatin1Char(')'),
                       IMessageSink::Icon::Information);
        FailLater();
        return false;
    }
    log_.SetLineLimit(limit);
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
