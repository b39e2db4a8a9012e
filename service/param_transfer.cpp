#include "service/param_transfer.h"

#include <QDir>
#include <QStringList>

#include <cstdarg>
#include <cstdio>

#include "link/command_slot.h"
#include "link/paths.h"

namespace {

QString HexTwo(uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }

} // namespace

ParamTransfer::~ParamTransfer()
{
    paramFile_.close();
    traceFile_.close();
}

void ParamTransfer::Start(bool download)
{
    TransferError = TransferAbort = SkipParam = RepeatRequest = false;
    ErrorText.clear();
    TransferRetries = 0;
    TransferBench = 0;
    ListEnd.fill(-1);
    Download = download;
    view_.ShowParameter(QString());
    startSeconds_ = view_.NowSeconds();
    if (download) {
        TransferState = 6;
        view_.ShowProcessState(QStringLiteral("Download in progress"));
    } else {
        TransferState = 1;
        view_.ShowProcessState(QStringLiteral("Upload in progress"));
        ParamIndex = 0;
    }
    view_.SetStartEnabled(false);
    Step(nullptr);
}

void ParamTransfer::Cancel()
{
    TransferAbort = true;
    Step(nullptr);
}

void ParamTransfer::Refusal(uint8_t code, uint8_t reason)
{
    if (code == 0x55 && (reason == 2 || reason == 4)) {
        SkipParam = true;
    } else if (!Download && reason == kInvalidParameterNumber && uploaded_ > 0 && TransferState >= 2 &&
               TransferState <= 5) {
        // The bench's list ends before the last number asked for (several benches share one
        // "Last Parameter"): its upload is complete, and the run goes on with the next bench.
        ListEnd[size_t(TransferBench)] = lastUploaded_;
        Trace("CalLoadState = eLoadParamU, list ends at %d, Time = %10d \n", lastUploaded_, Elapsed());
        TransferState = 14;
    } else if (++TransferRetries > kMaxRetries) {
        TransferError = true;
        ErrorText = QStringLiteral(" Nak command $ ") + HexTwo(code) + QLatin1Char(' ') + HexTwo(reason);
    } else {
        RepeatRequest = true;
    }
    Step(nullptr);
}

void ParamTransfer::Timeout(uint8_t code)
{
    if (++TransferRetries > kMaxRetries) {
        TransferError = true;
        Trace("Timeout error \n");
        ErrorText = QStringLiteral(" Timeout command $ ") + HexTwo(code);
    } else {
        RepeatRequest = true;
        Trace("Timeout, repeat command Time = %10d \n", Elapsed());
    }
    Step(nullptr);
}

void ParamTransfer::Tick() { view_.StartTimer(TimerMs); }

void ParamTransfer::Fail(const QString& text)
{
    TransferError = true;
    ErrorText = text;
}

void ParamTransfer::Step(const RxFrame* reply)
{
    view_.StopTimer();
    if (TransferError || TransferAbort)
        TransferState = 14;
    if (TransferBench >= 4) {
        TransferState = 0;
        view_.SetStartEnabled(true);
        return;
    }
    if (TransferState == 0)
        return;
    if (TransferState == 14)
        EndOfBench();
    else if (TransferState <= 5)
        StepUpload(reply);
    else
        StepDownload(reply);
}

void ParamTransfer::StepUpload(const RxFrame* reply)
{
    const int k = TransferBench;
    switch (TransferState) {
    case 1:
        if (!BenchFlags[size_t(k)]) {
            TransferState = 14;
        } else {
            const QString path = Paths::DriveCPath(ParamFileNames[size_t(k)]);
            if (!path.isEmpty() && QFile::exists(path) && !view_.AskOverwrite()) {
                TransferAbort = true;
            } else {
                paramFile_.setFileName(path);
                if (path.isEmpty() || !paramFile_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                    Fail(QStringLiteral(" File Error "));
                } else if (!OpenTrace()) {
                    Fail(QStringLiteral(" Try File Error "));
                } else {
                    Trace("CalLoadState = eReadyForULoad \n");
                    TransferRetries = 0;
                    ParamIndex = FirstParam;
                    uploaded_ = 0;
                    lastUploaded_ = -1;
                    SkipParam = RepeatRequest = false;
                    TransferState = 2;
                }
            }
        }
        Tick();
        return;
    case 2:
        if (ParamIndex > MaxParam) {
            Trace("CalLoadState = eLoadParamU, CurrentParamIndex > MaxParameters, Time = %10d \n", Elapsed());
            TransferState = 14;
            Tick();
            return;
        }
        Trace("CalLoadState = eLoadParamU, CurrentParamIndex = %d, Time = %10d \n", ParamIndex, Elapsed());
        view_.ShowParameter(QString::number(ParamIndex));
        TransferState = 3;
        view_.SendLoad(k, uint16_t(ParamIndex));
        return;
    case 3:
        if (RepeatRequest) {
            Trace("CalLoadState = eLoadParamUAck, RepeatCommand, Time = %10d \n", Elapsed());
            RepeatRequest = false;
            TransferState = 2;
        } else if (SkipParam) {
            Trace("CalLoadState = eLoadParamUAck, SkipParamRead, Time = %10d \n", Elapsed());
            SkipParam = false;
            ++ParamIndex;
            TransferState = 2;
        } else {
            Trace("CalLoadState = eLoadParamUAck, go to eReadParamU, Time = %10d \n", Elapsed());
            TransferRetries = 0;
            TransferState = 4;
        }
        Tick();
        return;
    case 4:
        if (ParamIndex > MaxParam) {
            Trace("CalLoadState = eReadParamU, CurrentParamIndex > MaxParameters, Time = %10d \n", Elapsed());
            TransferState = 14;
            Tick();
            return;
        }
        Trace("CalLoadState = eReadParamU, CurrentParamIndex = %d, Time = %10d \n", ParamIndex, Elapsed());
        TransferState = 5;
        view_.SendRead(k, uint16_t(ParamIndex));
        return;
    case 5:
        // Without a reply in hand there is nothing to write: ask again.
        if (RepeatRequest || !reply) {
            Trace("CalLoadState = eReadParamUAck, RepeatCommand, Time = %10d \n", Elapsed());
            RepeatRequest = false;
            TransferState = 4;
        } else {
            const std::string name = view_.ParamName(ParamIndex);
            const std::string lines = UploadEntryLines(ParamIndex, name, reply->Data.data(), reply->Length);
            paramFile_.write(lines.data(), qint64(lines.size()));
            const std::string value = ReplyValueText(reply->Data.data(), reply->Length);
            Trace("CalLoadState = eReadParamUAck, Time = %10d\n", Elapsed());
            Trace("// %d %s, Time = %10d \n", ParamIndex, name.c_str(), Elapsed());
            Trace("  %s, Time = %10d \n", value.c_str(), Elapsed());
            TransferRetries = 0;
            ++uploaded_;
            lastUploaded_ = ParamIndex;
            ++ParamIndex;
            TransferState = 2;
        }
        Tick();
        return;
    default: return;
    }
}

void ParamTransfer::StepDownload(const RxFrame* reply)
{
    const int k = TransferBench;
    switch (TransferState) {
    case 6:
        if (!BenchFlags[size_t(k)]) {
            TransferState = 14;
        } else {
            // A path reaches the same file as in upload, a typed "C:\..." one included.
            const QString path = Paths::DriveCPath(ParamFileNames[size_t(k)]);
            paramFile_.setFileName(path);
            if (path.isEmpty() || !QFile::exists(path) || !paramFile_.open(QIODevice::ReadOnly)) {
                Fail(QStringLiteral(" File Error "));
                TransferState = 14;
            } else if (!OpenTrace()) {
                Fail(QStringLiteral(" Try File Error "));
                TransferState = 14;
            } else {
                reader_ = std::make_unique<ParamFileReader>(paramFile_);
                TransferRetries = 0;
                RepeatRequest = false;
                TransferState = 7;
            }
        }
        Tick();
        return;
    case 7: {
        const ParamFileReader::Step s = reader_->Next();
        switch (s.What) {
        case ParamFileReader::Kind::End: TransferState = 14; break;
        case ParamFileReader::Kind::Blank: break;
        case ParamFileReader::Kind::Error:
            Fail(QString::fromLatin1(s.ErrorText));
            TransferState = 14;
            break;
        case ParamFileReader::Kind::Entry:
            ParamNumber = s.Number;
            valueText_ = s.Value;
            WrittenText = s.Value;
            TransferRetries = 0;
            ReadBackMismatches = 0;
            TransferState = 8;
            break;
        }
        Tick();
        return;
    }
    case 8:
        TransferState = 9;
        // The length counts the text's terminating zero.
        view_.SendWrite(k, uint16_t(ParamNumber), reinterpret_cast<const uint8_t*>(valueText_.c_str()),
                        int(valueText_.size()) + 1);
        view_.ShowParameter(QString::number(ParamNumber));
        return;
    case 9:
        if (RepeatRequest) {
            RepeatRequest = false;
            TransferState = 8;
        } else {
            TransferRetries = 0;
            TransferState = 10;
        }
        Tick();
        return;
    case 10:
        TransferState = 11;
        view_.SendRead(k, uint16_t(ParamNumber));
        return;
    case 11:
        if (RepeatRequest || !reply) {
            RepeatRequest = false;
            TransferState = 10;
        } else if (ReplyValueText(reply->Data.data(), reply->Length) == WrittenText) {
            // The whole text must match: a shorter read-back is not the value written.
            TransferRetries = 0;
            TransferState = 12;
        } else if (++ReadBackMismatches <= kMaxRetries) {
            TransferState = 8;
        } else {
            Fail(QStringLiteral(" Param write != Param Read "));
            TransferState = 14;
        }
        Tick();
        return;
    case 12:
        TransferState = 13;
        view_.SendStore(k, uint16_t(ParamNumber));
        return;
    case 13:
        if (RepeatRequest) {
            RepeatRequest = false;
            TransferState = 12;
        } else {
            TransferState = 7;
        }
        Tick();
        return;
    default: return;
    }
}

void ParamTransfer::EndOfBench()
{
    reader_.reset();
    if (paramFile_.isOpen()) {
        paramFile_.flush();
        paramFile_.close();
    }
    if (traceFile_.isOpen()) {
        traceFile_.flush();
        traceFile_.close();
    }
    const QString mode = Download ? QStringLiteral(" Download") : QStringLiteral(" Upload");
    if (TransferError || TransferAbort) {
        if (TransferError)
            view_.ShowProcessState(QStringLiteral("Error ") + mode + QStringLiteral(" Fail ") +
                                   QString::number(TransferBench + 1) + ErrorText);
        else
            view_.ShowProcessState(QStringLiteral("Aborted ") + mode);
        TransferState = 0;
        view_.SetStartEnabled(true);
        // The run is over: a further step would only run this end again, every 100 ms.
        return;
    } else {
        ++TransferBench;
        if (TransferBench >= 4) {
            view_.ShowProcessState(QStringLiteral(" Successful ") + mode + ListEndsText());
            TransferState = 0;
            view_.SetStartEnabled(true);
        } else {
            view_.ShowProcessState(QStringLiteral("Done ") + QString::number(TransferBench));
            TransferState = Download ? 6 : 1;
        }
    }
    Tick();
}

QString ParamTransfer::ListEndsText() const
{
    QStringList ends;
    for (int k = 0; k < 4; ++k)
        if (ListEnd[size_t(k)] >= 0)
            ends << QStringLiteral("bench %1 list ends at %2").arg(k + 1).arg(ListEnd[size_t(k)]);
    return ends.isEmpty() ? QString() : QStringLiteral(" (") + ends.join(QStringLiteral(", ")) + QLatin1Char(')');
}

bool ParamTransfer::OpenTrace()
{
    traceFile_.close();
    traceFile_.setFileName(TracePath.isEmpty() ? QDir::current().filePath(QStringLiteral("tryfile.txt")) : TracePath);
    return traceFile_.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void ParamTransfer::Trace(const char* format, ...)
{
    if (!traceFile_.isOpen())
        return;
    char line[4200];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0)
        traceFile_.write(line, std::min<qint64>(n, qint64(sizeof line) - 1));
}

int ParamTransfer::Elapsed() const { return int(view_.NowSeconds() - startSeconds_); }
