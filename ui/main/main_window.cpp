#include "ui/main/main_window.h"

#include "ui/main/about_box.h"
#include "ui/common/bench_window.h"
#include "ui/main/program_texts.h"
#include "ui/common/comm_settings_dialog.h"
#include "ui/main/file_dialogs.h"
#include "ui/main/grid_view_adapter.h"
#include "ui/common/radio_group.h"
#include "ui/common/status_light.h"
#include "ui/main/message_window.h"
#include "ui/common/message_box_sink.h"
#include "link/paths.h"
#include "ui/graphs/raw_ir_window.h"
#include "ui/main/title_dialog.h"

#include <algorithm>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kStartHint = QStringLiteral("To enable Start Btn, press OK Btn first");

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const QString& caption, bool ticked, bool visible)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(ticked);
    box->setVisible(visible);
    return box;
}

QPushButton* NewButton(QWidget* parent, const char* name, const QString& caption, bool enabled, bool visible)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    button->setEnabled(enabled);
    button->setVisible(visible);
    button->setAutoDefault(false);
    return button;
}

} // namespace

MainWindow::MainWindow(const MainWindowOptions& options)
    : QMainWindow(nullptr)
    , station_(*this, options.Clock)
    , ports_(*this, station_.Ports())
{
    if (options.Messages) {
        messages_ = options.Messages;
    } else {
        ownMessages_ = std::make_unique<MessageBoxSink>(this);
        messages_ = ownMessages_.get();
    }
    queuedMessages_ = std::make_unique<QueuedMessageSink>(*messages_);
    messages_ = queuedMessages_.get();
    if (options.Dialogs) {
        dialogs_ = options.Dialogs;
    } else {
        ownDialogs_ = std::make_unique<QtFileDialogs>(this);
        dialogs_ = ownDialogs_.get();
    }

    setObjectName(QStringLiteral("TApp"));
    BuildControls();
    BuildMenus();
    gridAdapter_ = new GridViewAdapter(station_.Grid(), this);
    Grid->setModel(gridAdapter_);

    DecimalPointIsDot_ = Cedat::ReadDecimalPointIsDot();
    EngMarker = QFile::exists(Paths::DriveCPath(QStringLiteral("C:\\eng.Ok")));
    BaseCaption = Cedat::BaseCaption();
    setWindowTitle(BaseCaption);
    if (!EngMarker) {
        for (const char* name : {"N41EngineeringStatus1", "N56StoreDefaults1", "N57ResetToDefaults1", "EngineeringStatus1"})
            if (auto* item = findChild<QAction*>(QString::fromLatin1(name)))
                item->setVisible(false);
    }
    // The engineering marker opens the service menus that ship hidden; without it they stay out of sight.
    for (const char* name : {"CustomerServiceCommands", "PellamServiceScreens1"})
        if (auto* menu = findChild<QMenu*>(QString::fromLatin1(name)))
            menu->menuAction()->setVisible(EngMarker);

    closing_ = false;
    ports_.OnPortLost = [this](int k, const QString& comName) {
        ShowDeviceState(k, kDeviceLost, true);
        messages_->Show(QStringLiteral("Warning"), comName + QStringLiteral(": device lost"), IMessageSink::Icon::Warning);
    };
    ports_.OnPortBack = [this](int k) { ShowDeviceState(k, kDeviceBack, false); };
    ConnectLink();
    ports_.Probe();
    ports_.Activate();

    // No log file at start: "File Log" shows Off, so the data mode and Accept are off too.
    const bool loggingOn = Logging->ItemIndex() == 0;
    DataRadio->setEnabled(loggingOn);
    AcceptBtn->setEnabled(loggingOn && DataRadio->ItemIndex() == 1);
    station_.Rows().Log = &station_.Log();
    station_.Rows().Messages = messages_;
    station_.Rows().StartTime = station_.Clock().NowSeconds();
    station_.Rows().Offsets = OffsetState{};
    station_.Rows().AcceptCounter = 1;
    AcceptCountChk->setChecked(false);
    AcceptCountChk->setEnabled(true);
    AverageEdit->setEnabled(true);
    SamplesPerBlock = AverageEdit->text().toInt();
    RelativeTime->setEnabled(true);
    TimeStamp->setEnabled(true);
    Collecting = false;
    TitleText.clear();

    windows_ = CreateWindowSet(this, *this, ports_.Ports(), *messages_);
    ConnectWindows();
    StartFeed();

    PollTimer = new QTimer(this);
    PollTimer->setObjectName(QStringLiteral("Timer6"));
    PollTimer->setInterval(1000);
    connect(PollTimer, &QTimer::timeout, this, &MainWindow::PollTimerTick);
    PollTimer->start();
}

MainWindow::~MainWindow()
{
    PollTimer->stop();
    windows_.DeleteAll();
    station_.BenchLink().Unsubscribe(*this);
    ports_.Shutdown();
}

void MainWindow::BuildControls()
{
    QFont font = this->font();
    font.setPointSize(8);
    font.setBold(true);
    setFont(font);
    resize(890, 592);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Central"));
    setCentralWidget(central);

    Grid = new QTableView(central);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setAccessibleName(QStringLiteral("Data grid"));
    QFont gridFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    gridFont.setPointSize(8); // ten characters fit a 90-pixel column
    gridFont.setBold(true);
    Grid->setFont(gridFont);
    Grid->horizontalHeader()->setVisible(false);
    Grid->verticalHeader()->setVisible(false);
    Grid->horizontalHeader()->setDefaultSectionSize(90);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    // Rows of 16 pixels, as the row logic counts them.
    Grid->verticalHeader()->setMinimumSectionSize(12);
    Grid->verticalHeader()->setDefaultSectionSize(16);
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setItemDelegate(new GridViewDelegate(Grid));

    // Settings group.
    Settings = new QGroupBox(QStringLiteral("Settings"), central);
    Settings->setObjectName(QStringLiteral("Settings"));
    TimeStamp = NewCheckBox(Settings, "TimeStamp", QStringLiteral("Time Stamp"), true, true);
    RelativeTime = NewCheckBox(Settings, "RelativeTime", QStringLiteral("Relative Time"), false, true);
    AcceptCountChk = NewCheckBox(Settings, "AcceptCountChk", QStringLiteral("Accept Count"), false, false);
    DemodulatedIR = NewCheckBox(Settings, "DemodulatedIR", QStringLiteral("Demodulated IR"), false, false);
    GasConcentration = NewCheckBox(Settings, "GasConcentration", QStringLiteral("Gas Conc"), true, true);
    Offset = NewCheckBox(Settings, "Offset", QStringLiteral("Offset"), false, false);
    MinMaxADC = NewCheckBox(Settings, "MinMaxADC", QStringLiteral("Min Max ADC"), false, false);
    Temperatures = NewCheckBox(Settings, "Temperatures", QStringLiteral("Temperatures"), false, false);
    AmbTemp = NewCheckBox(Settings, "AmbTemp", QStringLiteral("Amb Temp"), false, false);
    Pressures = NewCheckBox(Settings, "Pressures", QStringLiteral("Pressures"), false, false);
    AmbPressure = NewCheckBox(Settings, "AmbPressure", QStringLiteral("Amb Pressure"), false, false);
    RawNoxO2 = NewCheckBox(Settings, "RawNoxO2", QStringLiteral("Raw NO, O2"), false, false);
    Pef = NewCheckBox(Settings, "Pef", QStringLiteral("PEF"), false, false);
    AveragingRadioGroup = new RadioGroup(QStringLiteral("AveragingRadioGroup"), QStringLiteral("Averaging"),
                                          {QStringLiteral("None"), QStringLiteral("Mean"), QStringLiteral("Mean+STDEV")}, 1, Settings);
    AveragingRadioGroup->SetItemIndex(0);
    AverageLabel = new QLabel(QStringLiteral("Number of samples"), Settings);
    AverageLabel->setObjectName(QStringLiteral("AverageLabel"));
    AverageEdit = new QLineEdit(QStringLiteral("4"), Settings);
    AverageEdit->setObjectName(QStringLiteral("AverageEdit"));
    AverageEdit->setMaxLength(6);
    AverageEdit->setEnabled(false);
    AverageLabel->setBuddy(AverageEdit);
    AverageEdit->setAccessibleName(QStringLiteral("Number of samples"));
    HCMode = new RadioGroup(QStringLiteral("HCMode"), QStringLiteral("Freon Mode"),
                             {QStringLiteral("FREON1"), QStringLiteral("FREON2")}, 1, Settings);
    HCMode->SetItemIndex(0);
    CompDataRG = new RadioGroup(QStringLiteral("CompDataRG"), QStringLiteral("Data"),
                                 {QStringLiteral("$01"), QStringLiteral("$06"), QStringLiteral("$44")}, 1, Settings);
    CompDataRG->SetItemIndex(0);
    CompDataRG->setVisible(false);
    HCDivisorRadioGroup = new RadioGroup(QStringLiteral("HCDivisorRadioGroup"), QStringLiteral("HC Divisor"),
                                          {QStringLiteral("1"), QStringLiteral("100")}, 1, Settings);
    HCDivisorRadioGroup->SetItemIndex(0);
    HCDivisorRadioGroup->setVisible(false);
    OKBtn = NewButton(Settings, "OKBtn", QStringLiteral("OK"), true, true);
    OKBtn->setToolTip(kStartHint);
    OKBtn->setDefault(true);

    auto* settingsLayout = new QGridLayout(Settings);
    settingsLayout->setContentsMargins(4, 2, 4, 2);
    settingsLayout->setVerticalSpacing(0);
    const QList<QCheckBox*> boxes = {TimeStamp, RelativeTime, AcceptCountChk, DemodulatedIR, GasConcentration, Offset, MinMaxADC,
                                     Temperatures, AmbTemp, Pressures, AmbPressure, RawNoxO2, Pef};
    for (int i = 0; i < boxes.size(); ++i)
        settingsLayout->addWidget(boxes[i], i % 7, i / 7);
    settingsLayout->addWidget(AveragingRadioGroup, 0, 2, 4, 1);
    settingsLayout->addWidget(AverageLabel, 4, 2);
    settingsLayout->addWidget(AverageEdit, 5, 2);
    settingsLayout->addWidget(HCMode, 0, 3, 3, 1);
    settingsLayout->addWidget(CompDataRG, 3, 3, 3, 1);
    settingsLayout->addWidget(HCDivisorRadioGroup, 0, 4, 3, 1);
    settingsLayout->addWidget(OKBtn, 6, 3);

    // Buttons.
    StartBtn = NewButton(central, "StartBtn", QStringLiteral("&Start"), true, true);
    StartBtn->setToolTip(kStartHint);
    StopBtn = NewButton(central, "StopBtn", QStringLiteral("&Stop"), false, true);
    ClearBtn = NewButton(central, "ClearBtn", QStringLiteral("Clea&r"), true, true);
    ZeroBtn = NewButton(central, "ZeroBtn", QStringLiteral("&Zero"), true, true);
    CommentBtn = NewButton(central, "CommentBtn", QStringLiteral("&Comment"), false, true);
    TitleBtn = NewButton(central, "TitleBtn", QStringLiteral("Title"), true, false);
    AcceptBtn = NewButton(central, "AcceptBtn", QStringLiteral("&Accept"), true, false);
    HistoryBtn = NewButton(central, "HistoryBtn", QStringLiteral("&History"), true, false);
    OffsetBtn = NewButton(central, "OffsetBtn", QStringLiteral("Offset"), true, false);
    ExitBtn = NewButton(central, "ExitBtn", QStringLiteral("E&xit"), true, true);
    ExitBtn->setToolTip(QStringLiteral("Exit"));

    Logging = new RadioGroup(QStringLiteral("Logging"), QStringLiteral("File &Log"), {QStringLiteral("On"), QStringLiteral("Off")}, 2, central);
    Logging->SetItemIndex(1);
    Logging->setEnabled(false);
    DataRadio = new RadioGroup(QStringLiteral("DataRadio"), QStringLiteral("Data Collect"), {QStringLiteral("Auto"), QStringLiteral("Manual")}, 1, central);
    DataRadio->SetItemIndex(0);
    DataRadio->setVisible(false);
    ZeroRG = new RadioGroup(QStringLiteral("ZeroRG"), QStringLiteral("Zero"), {QStringLiteral("Auto"), QStringLiteral("Manual")}, 1, central);
    ZeroRG->SetItemIndex(0);

    // Bench rows.
    ActiveBenchGroup = new QGroupBox(QStringLiteral("Active Kestrel"), central);
    ActiveBenchGroup->setObjectName(QStringLiteral("GroupBox1"));
    auto* benchLayout = new QGridLayout(ActiveBenchGroup);
    benchLayout->setContentsMargins(4, 2, 4, 2);
    benchLayout->setVerticalSpacing(1);
    ACKNAKLabel = new QLabel(QStringLiteral("ACK or  NAK"), ActiveBenchGroup);
    ACKNAKLabel->setObjectName(QStringLiteral("ACKNAKLabel"));
    SecondAckNakLabel = new QLabel(QStringLiteral("ACK or  NAK"), ActiveBenchGroup);
    SecondAckNakLabel->setObjectName(QStringLiteral("Label1"));
    benchLayout->addWidget(ACKNAKLabel, 0, 4);
    static const char* const kComLabelNames[4] = {"Label2", "Label3", "Label4", "Label7"};
    for (int k = 0; k < 4; ++k) {
        const QString n = QString::number(k + 1);
        ActiveBench[k] = NewCheckBox(ActiveBenchGroup, QStringLiteral("ActiveBench%1").arg(k + 1).toLatin1().constData(), n, false, true);
        ActiveBench[k]->setAccessibleName(QStringLiteral("Bench ") + n + QStringLiteral(" active"));
        ComLabel[k] = new QLabel(QStringLiteral("Com ") + n, ActiveBenchGroup);
        ComLabel[k]->setObjectName(QString::fromLatin1(kComLabelNames[k]));
        ComLabel[k]->setBuddy(ActiveBench[k]);
        ApdStatusLight[2 * k] = new StatusLight(QStringLiteral("ApdStatusLight%1").arg(2 * k + 1),
                                                 QStringLiteral("Bench ") + n + QStringLiteral(" transmit light"), QColor(0, 255, 0), ActiveBenchGroup);
        ApdStatusLight[2 * k + 1] = new StatusLight(QStringLiteral("ApdStatusLight%1").arg(2 * k + 2),
                                                     QStringLiteral("Bench ") + n + QStringLiteral(" receive light"), QColor(255, 0, 0), ActiveBenchGroup);
        AckNakEdit[k] = new QLineEdit(ActiveBenchGroup);
        AckNakEdit[k]->setObjectName(QStringLiteral("AckNakEdit%1").arg(k + 1));
        AckNakEdit[k]->setAccessibleName(QStringLiteral("Bench ") + n + QStringLiteral(" link status"));
        AckNakEdit[k]->setReadOnly(true);
        AckNakEdit[k]->setMinimumWidth(AckNakEdit[k]->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 24);
        benchLayout->addWidget(ActiveBench[k], k + 1, 0);
        benchLayout->addWidget(ComLabel[k], k + 1, 1);
        benchLayout->addWidget(ApdStatusLight[2 * k], k + 1, 2);
        benchLayout->addWidget(ApdStatusLight[2 * k + 1], k + 1, 3);
        benchLayout->addWidget(AckNakEdit[k], k + 1, 4);
        connect(ActiveBench[k], &QCheckBox::toggled, this, &MainWindow::ActiveBenchClick);
    }
    SecondAckNakLabel->setVisible(false); // the second caption over the edits sits under the first

    auto* buttons = new QGridLayout;
    const QList<QPushButton*> buttonOrder = {StartBtn, StopBtn, ClearBtn, ZeroBtn, CommentBtn, TitleBtn, AcceptBtn, HistoryBtn, OffsetBtn, ExitBtn};
    for (int i = 0; i < buttonOrder.size(); ++i)
        buttons->addWidget(buttonOrder[i], i % 5, i / 5);
    auto* radios = new QVBoxLayout;
    radios->addWidget(Logging);
    radios->addWidget(DataRadio);
    radios->addWidget(ZeroRG);
    radios->addStretch();

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Settings);
    bottom->addLayout(buttons);
    bottom->addLayout(radios);
    bottom->addWidget(ActiveBenchGroup);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(Grid, 1);
    layout->addLayout(bottom);

    // Handlers.
    for (QCheckBox* box : boxes)
        connect(box, &QCheckBox::toggled, this, &MainWindow::SettingsClick);
    connect(HCMode, &RadioGroup::Click, this, &MainWindow::SettingsClick);
    connect(HCDivisorRadioGroup, &RadioGroup::Click, this, &MainWindow::SettingsClick);
    connect(OKBtn, &QPushButton::clicked, this, &MainWindow::OKBtnClick);
    connect(StartBtn, &QPushButton::clicked, this, &MainWindow::StartBtnClick);
    connect(StopBtn, &QPushButton::clicked, this, &MainWindow::StopBtnClick);
    connect(ClearBtn, &QPushButton::clicked, this, &MainWindow::ClearBtnClick);
    connect(ZeroBtn, &QPushButton::clicked, this, &MainWindow::ZeroBtnClick);
    connect(CommentBtn, &QPushButton::clicked, this, &MainWindow::CommentBtnClick);
    connect(TitleBtn, &QPushButton::clicked, this, &MainWindow::TitleBtnClick);
    connect(AcceptBtn, &QPushButton::clicked, this, &MainWindow::AcceptBtnClick);
    connect(HistoryBtn, &QPushButton::clicked, this, &MainWindow::HistoryBtnClick);
    connect(OffsetBtn, &QPushButton::clicked, this, &MainWindow::OffsetBtnClick);
    connect(ExitBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(DataRadio, &RadioGroup::Click, this, &MainWindow::DataRadioClick);
    connect(Logging, &RadioGroup::Click, this, &MainWindow::LoggingClick);
}

void MainWindow::ConnectLink()
{
    for (int k = 0; k < 4; ++k) {
        StatusLight* tx = ApdStatusLight[2 * k];
        StatusLight* rx = ApdStatusLight[2 * k + 1];
        connect(&ports_.Lights(k), &TrafficLights::Changed, this, [tx, rx](bool txLit, bool rxLit) {
            tx->SetLit(txLit);
            rx->SetLit(rxLit);
        });
    }

    // After the station, before any window: the station has made a data reply's row when the edits
    // and the windows hear of it.
    station_.BenchLink().Subscribe(*this);
}

bool MainWindow::MakingRows() const { return StopBtn->isEnabled(); }

void MainWindow::StatusShown(int k, const std::string& text, bool error)
{
    if (k < 0 || k > 3)
        return;
    QLineEdit* edit = AckNakEdit[k];
    edit->setText(QString::fromLatin1(text.c_str()));
    // Long NAK texts do not fit: show their start, the whole line as a tip.
    edit->setCursorPosition(0);
    edit->setToolTip(edit->text());
    QPalette p = edit->palette();
    p.setColor(QPalette::Text, error ? QColor(255, 0, 0) : QColor(0, 0, 0));
    edit->setPalette(p);
}

void MainWindow::SoftResetAcknowledged(int) { SoftResetDisconnect(); }

void MainWindow::ConnectWindows()
{
    // The windows subscribe to the link themselves; these are the main window's own links to them.
    connect(windows_.CommSettings, &CommSettingsDialog::PortLabelChanged, ComLabel[0], &QLabel::setText);
    connect(windows_.Title, &TitleDialog::TitleAccepted, this, &MainWindow::TitleAccepted);
}

// ---- bench switches

bool MainWindow::BenchSwitchedOn(int k) const { return k >= 0 && k < 4 && BoxOn(k); }
bool MainWindow::PortOpen(int k) const { return k >= 0 && k < 4 && ports_.PortOpen[k]; }
bool MainWindow::HCDivisor100() const { return HCDivisorRadioGroup->ItemIndex() == 1; }

bool MainWindow::BoxEnabled(int k) const { return ActiveBench[k]->isEnabled(); }
bool MainWindow::BoxTicked(int k) const { return ActiveBench[k]->isChecked(); }
void MainWindow::SetBoxEnabled(int k, bool enabled) { ActiveBench[k]->setEnabled(enabled); }
void MainWindow::SetBoxTicked(int k, bool ticked) { ActiveBench[k]->setChecked(ticked); }
bool MainWindow::DialogButtonOn(int k) const { return windows_.Commands && windows_.Commands->BenchButtonOn(k); }
bool MainWindow::Freon2() const { return HCMode->ItemIndex() == 1; }
bool MainWindow::ZeroAuto() const { return ZeroRG->ItemIndex() == 0; }
bool MainWindow::UpgradeShown() const { return windows_.Upgrade && windows_.Upgrade->isVisible(); }

// ---- handlers

void MainWindow::ActiveBenchClick()
{
    ports_.Activate();
    RebuildHeader();
    for (BenchWindow* w : windows_.SelectionOrder())
        if (w)
            w->UpdateBenchSelection();
}

void MainWindow::SetStartStop(bool collecting)
{
    StartBtn->setEnabled(!collecting);
    StopBtn->setEnabled(collecting);
    Collecting = collecting;
}

void MainWindow::SettingsClick()
{
    RebuildHeader();
    SetStartStop(false);
}

void MainWindow::OKBtnClick()
{
    // Stops a running stream with the request it was started with.
    station_.Acquisition().StopStreams();
    station_.Acquisition().DataCommandSelection = std::max(0, CompDataRG->ItemIndex());
    AveragingMode = std::max(0, AveragingRadioGroup->ItemIndex());
    if (AverageEdit->text().startsWith(QLatin1Char(' ')))
        AverageEdit->setText(QStringLiteral("0"));
    bool ok = false;
    const int samples = AverageEdit->text().toInt(&ok);
    if (ok && samples >= 0) {
        SamplesPerBlock = samples;
    } else {
        ShowInfo(QStringLiteral("Number of samples must be a whole number of 0 or more; it stays ") + QString::number(SamplesPerBlock) + QStringLiteral("."));
        AverageEdit->setText(QString::number(SamplesPerBlock));
    }
    RebuildHeader();
    SetStartStop(false);
}

void MainWindow::StartBtnClick()
{
    if (Collecting)
        return;
    const bool loggingOn = Logging->ItemIndex() == 0;
    if (loggingOn && !LogFileOpen()) {
        ShowInfo(QStringLiteral("You must open a LogFile!"));
        return;
    }
    Collecting = true;
    StartBtn->setEnabled(false);
    station_.Rows().AcceptRequested = false;
    StopBtn->setEnabled(true);
    StartLogging();
    const AcquisitionCycle::StartResult r = station_.Acquisition().RequestStreams();
    StartedStreams(r.LastActive, r.ActiveCount);
}

void MainWindow::StopBtnClick()
{
    SetStartStop(false);
    station_.Acquisition().StopStreams();
    WriteStopLine();
}

void MainWindow::ZeroBtnClick() { station_.Acquisition().ZeroAll(); }

void MainWindow::ClearBtnClick() { RebuildHeader(); }

void MainWindow::AcceptBtnClick() { station_.Rows().AcceptRequested = true; }

void MainWindow::OffsetBtnClick() { station_.Rows().OffsetButton(Offset->isChecked()); }

void MainWindow::DataRadioClick()
{
    AcceptBtn->setEnabled(DataRadio->ItemIndex() == 1);
    RebuildHeader();
}

void MainWindow::LoggingClick()
{
    const bool on = Logging->ItemIndex() == 0;
    if (on && !LogFileOpen()) {
        ShowInfo(QStringLiteral("You must open a LogFile!"));
        return;
    }
    if (!on) {
        DataRadio->setEnabled(false);
        AcceptBtn->setEnabled(false);
        setWindowTitle(BaseCaption + TitleText);
        StopBtnClick();
        RebuildHeader();
        return;
    }
    DataRadio->setEnabled(true);
    AcceptBtn->setEnabled(DataRadio->ItemIndex() == 1);
    StopBtnClick();
    setWindowTitle(BaseCaption + QStringLiteral(" - ") + LogFileName + TitleText);
    RebuildHeader();
}

void MainWindow::PollTimerTick() { station_.Acquisition().PollTick(); }

void MainWindow::CommSettingsClick() { windows_.CommSettings->exec(); }

void MainWindow::AboutClick() { windows_.About->exec(); }

void MainWindow::GeneralHelpClick()
{
    if (windows_.ShowHelp)
        windows_.ShowHelp(1);
}

void MainWindow::CommandItemClick(uint8_t code)
{
    station_.Acquisition().DialogCommand = code;
    if (windows_.Commands)
        windows_.Commands->OpenForCommand();
}

void MainWindow::SoftResetDisconnect()
{
    for (int k = 0; k < 4; ++k)
        SetBoxTicked(k, false);
    QCoreApplication::processEvents();
    messages_->Show(QStringLiteral("Warning"),
                    QStringLiteral("Multi Gas Monitor Kestrel has been disconnected\nPlease reselect a COM port for the Kestrel"),
                    IMessageSink::Icon::Warning);
}

void MainWindow::ShowDeviceState(int k, const char* text, bool error)
{
    // The link shows only open ports' status lines; a lost one would keep its last "ACK".
    BenchRecord& bench = station_.BenchLink().Benches[k];
    bench.StatusText = text;
    bench.StatusError = error ? 1 : 0;
    station_.BenchLink().ShowBenchStatus(k);
}

void MainWindow::ShowInfo(const QString& text) { messages_->Show(QStringLiteral("Information"), text, IMessageSink::Icon::Information); }

void MainWindow::FormShow() { closing_ = false; }

void MainWindow::showEvent(QShowEvent* event)
{
    FormShow();
    QMainWindow::showEvent(event);
}

void MainWindow::FormClose()
{
    MessageWindow* notice = windows_.Message;
    if (notice) {
        notice->SetClosingText();
        notice->show();
        notice->repaint();
    }
    closing_ = true;
    // A collection under way ends as Stop ends it, with its empty line: the log then shows a
    // clean end, not the end a crash leaves.
    if (Collecting)
        WriteStopLine();
    CloseFileClick();
    station_.Acquisition().StopSwitchedOnBenches([this] { WaitSeconds(1, station_.Clock().NowSeconds); });
    for (BenchWindow* w : windows_.ShutdownOrder())
        if (w && w->isVisible())
            w->CloseWindow();
    if (notice)
        notice->close();
    ports_.Shutdown();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // OK is the window's default button: Enter that no control took presses it, or the focused
    // button, as in a dialog.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier) {
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        QPushButton* button = focused && focused->isEnabled() && focused->isVisible() ? focused : OKBtn;
        if (button->isEnabled()) {
            button->click();
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!shutDown_) {
        shutDown_ = true;
        FormClose();
    }
    event->accept();
}
