#include "ui/service/parameter_editor.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "link/bench_host.h"
#include "ui/common/bench_buttons.h"
#include "link/link.h"
#include "link/message_sink.h"
#include "service/param_editor_text.h"
#include "link/paths.h"

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

ParameterEditor::ParameterEditor(BenchHost& host, const QString& listPath, QWidget* parent) : BenchWindow(parent), host_(host)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Parameters"));
    BuildControls();

    list_ = ReadParamListFile(listPath.isEmpty() ? QDir::current().filePath(QStringLiteral("ParamLst.c")) : listPath);
    {
        const QSignalBlocker block(ParamNameCombo);
        for (const ParameterItem& item : list_)
            ParamNameCombo->addItem(Latin1(item.Name));
        ParamNameCombo->setCurrentIndex(1);
    }
    ParamNumberEdit->setText(QStringLiteral("1"));
    ShowLabels(1);
    UpdateBenchSelection();
    FlashStoreAllowed = QFile::exists(Paths::DriveCPath(QStringLiteral("C:\\Flash.Ok")));
    // Without the marker nothing may reach flash from here, not even before the first Read or Write.
    StoreBtn->setEnabled(FlashStoreAllowed);

    host_.BenchLink().Subscribe(*this);
    // Whoever sends Load Flash Parameters, its reply reads back this number.
    BenchRecord::OnLoadFlashParameter = [this](uint16_t n) { CurrentParam = n; };
}

ParameterEditor::~ParameterEditor()
{
    host_.BenchLink().Unsubscribe(*this);
    BenchRecord::OnLoadFlashParameter = nullptr;
}

void ParameterEditor::ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame)
{
    if (kind == ReplyKind::FlashParam)
        ParamReply(k, frame);
}

void ParameterEditor::BuildControls()
{
    auto* grid = new QGridLayout(this);

    ValueText = new QPlainTextEdit(QStringLiteral("Memo1"), this);
    ValueText->setObjectName(QStringLiteral("Memo1"));
    ValueText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ValueText->setLineWrapMode(QPlainTextEdit::NoWrap);
    grid->addWidget(ValueText, 0, 0, 1, 4);

    ParamNameCombo = new QComboBox(this);
    ParamNameCombo->setObjectName(QStringLiteral("ComboBox1"));
    grid->addWidget(ParamNameCombo, 1, 0, 1, 2);
    ParamNumberEdit = new QLineEdit(this);
    ParamNumberEdit->setObjectName(QStringLiteral("MaskEdit1"));
    ParamNumberEdit->setMaxLength(5);
    grid->addWidget(ParamNumberEdit, 1, 2);

    auto addLabel = [&](int row, const QString& caption, QLabel*& value, const char* name, const QString& initial) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        value = new QLabel(initial, this);
        value->setObjectName(QString::fromLatin1(name));
        grid->addWidget(value, row, 1);
    };
    addLabel(2, QStringLiteral("Param Type:"), TypeLabel, "TypeLabel", QStringLiteral("<type>"));
    addLabel(3, QStringLiteral("Param Elem:"), ElementsLabel, "ElementsLabel", QStringLiteral("<n>"));
    addLabel(4, QStringLiteral("Param Bank:"), BankLabel, "BankLabel", QStringLiteral("<bank>"));

    auto* ram = new QGroupBox(QStringLiteral("RAM"), this);
    auto* ramRow = new QHBoxLayout(ram);
    ReadButton = NewButton("ReadButton", QStringLiteral("&Read"), ram);
    ReadButton->setDefault(true);
    WriteBtn = NewButton("WriteBtn", QStringLiteral("&Write"), ram);
    ramRow->addWidget(ReadButton);
    ramRow->addWidget(WriteBtn);
    grid->addWidget(ram, 2, 2, 2, 1);

    auto* flash = new QGroupBox(QStringLiteral("Flash"), this);
    auto* flashRow = new QHBoxLayout(flash);
    LoadBtn = NewButton("LoadBtn", QStringLiteral("&Load"), flash);
    StoreBtn = NewButton("StoreBtn", QStringLiteral("&Store"), flash);
    flashRow->addWidget(LoadBtn);
    flashRow->addWidget(StoreBtn);
    grid->addWidget(flash, 2, 3, 2, 1);

    BenchGroup = new BenchButtons(QStringLiteral("Bench"), this);
    BenchGroup->setObjectName(QStringLiteral("BenchGroup"));
    grid->addWidget(BenchGroup, 4, 2, 2, 1);

    grid->addWidget(new QLabel(QStringLiteral("Columns"), this), 5, 0);
    ColumnEdit = new QLineEdit(QStringLiteral("10"), this);
    ColumnEdit->setObjectName(QStringLiteral("ColumnEdit"));
    grid->addWidget(ColumnEdit, 5, 1);
    CloseBtn = NewButton("Button3", QStringLiteral("Close"), this);
    grid->addWidget(CloseBtn, 4, 3);

    connect(ReadButton, &QPushButton::clicked, this, &ParameterEditor::ReadButtonClick);
    connect(WriteBtn, &QPushButton::clicked, this, &ParameterEditor::WriteBtnClick);
    connect(LoadBtn, &QPushButton::clicked, this, &ParameterEditor::LoadBtnClick);
    connect(StoreBtn, &QPushButton::clicked, this, &ParameterEditor::StoreBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::hide);
    connect(ParamNameCombo, &QComboBox::currentIndexChanged, this, &ParameterEditor::ParamNameComboChange);
    connect(ParamNumberEdit, &QLineEdit::textChanged, this, &ParameterEditor::ParamNumberEditChange);
    connect(ParamNumberEdit, &QLineEdit::returnPressed, this, &ParameterEditor::ReadButtonClick);
    // Only a change of bench clears the memo: clicking the chosen bench again keeps what it shows.
    connect(BenchGroup, &BenchButtons::BenchChanged, this, [this](int) { BenchButtonClick(); });
}

int ParameterEditor::SelectedBench() const { return BenchGroup->SelectedBench(); }

void ParameterEditor::UpdateBenchSelection()
{
    std::array<bool, 4> on{};
    for (int k = 0; k < 4; ++k)
        on[k] = host_.BenchSwitchedOn(k);
    BenchGroup->UpdateBenchSelection(on);
}

void ParameterEditor::ReadParameter() { ReadParameterFrom(SelectedBench()); }

void ParameterEditor::ReadParameterFrom(int k)
{
    if (k >= 0 && k < 4)
        host_.BenchLink().Benches[k].RequestReadFlashParameters(CurrentParam);
}

void ParameterEditor::ParamReply(int k, const RxFrame& frame)
{
    switch (frame.Code) {
    case 0x49: ShowParameterValues(frame); break;
    case 0x48: StoreBtn->setEnabled(StoreAllowedAfterWrite(list_, CurrentParam, FlashStoreAllowed)); break;
    // The loaded value is read back from the bench that loaded it: the calibration check and the
    // download compare that text, and the bench chosen here may be another one (or none).
    case 0x55: ReadParameterFrom(k); break;
    default: break; // a stored parameter needs nothing here
    }
}

void ParameterEditor::ShowParameterValues(const RxFrame& frame)
{
    const std::optional<int> columns = ColumnCount(ColumnEdit->text());
    if (!columns) {
        host_.Messages().Show(QStringLiteral("Information"), QStringLiteral("Check Number of Columns"),
                              IMessageSink::Icon::Information);
        return;
    }
    lastParamText_.clear();
    const ParamReplyLayout layout = LayOutParamReply(frame.Data.data(), frame.Length, *columns);
    for (const std::string& line : layout.Lines)
        ValueText->appendPlainText(Latin1(line));
    lastParamText_ = QByteArray(layout.Whole.data(), qsizetype(layout.Whole.size()));
}

bool ParameterEditor::TakeNumber(bool lenient, int* number)
{
    const QString text = ParamNumberEdit->text();
    int n = 0;
    if (lenient) {
        n = LenientNumber(text);
    } else {
        const std::optional<int> strict = StrictNumber(text);
        if (!strict) {
            host_.Messages().Show(QStringLiteral("Error"), ConversionErrorText(text), IMessageSink::Icon::Error);
            return false;
        }
        n = *strict;
    }
    if (n < 0 || n >= kParamCount) {
        host_.Messages().ShowWithButton(QStringLiteral("Warning"), QStringLiteral("Illegal Parameter number"),
                                        IMessageSink::Icon::Warning, IMessageSink::Button::Yes);
        return false;
    }
    *number = n;
    return true;
}

void ParameterEditor::ClearMemo() { ValueText->clear(); }

void ParameterEditor::ReadButtonClick()
{
    ClearMemo();
    StoreBtn->setEnabled(false);
    int n = 0;
    if (!TakeNumber(true, &n))
        return;
    CurrentParam = uint16_t(n);
    ReadParameter();
}

void ParameterEditor::WriteBtnClick()
{
    int n = 0;
    if (!TakeNumber(false, &n))
        return;
    CurrentParam = uint16_t(n);
    const int k = SelectedBench();
    if (k < 0 || k > 3)
        return;
    const QByteArray memo = ValueText->toPlainText().toLatin1();
    const std::string text = WriteTextOf(std::string(memo.constData(), size_t(memo.size())));
    if (text.size() > size_t(kMaxFlashDataBytes)) {
        // The request cannot carry more; a cut value would be written without a word.
        host_.Messages().Show(QStringLiteral("Information"),
                              QStringLiteral("Parameter text too long (at most %1 characters)").arg(kMaxFlashDataBytes),
                              IMessageSink::Icon::Information);
        return;
    }
    host_.BenchLink().Benches[k].RequestWriteFlashParameters(CurrentParam, reinterpret_cast<const uint8_t*>(text.data()),
                                                             int(text.size()));
}

void ParameterEditor::LoadBtnClick()
{
    int n = 0;
    if (!TakeNumber(false, &n))
        return;
    CurrentParam = uint16_t(n);
    ClearMemo();
    const int k = SelectedBench();
    if (k >= 0 && k < 4)
        host_.BenchLink().Benches[k].RequestLoadFlashParameters(CurrentParam);
}

void ParameterEditor::StoreBtnClick()
{
    int n = 0;
    if (!TakeNumber(false, &n))
        return;
    CurrentParam = uint16_t(n);
    const int k = SelectedBench();
    if (k >= 0 && k < 4)
        host_.BenchLink().Benches[k].RequestStoreFlashParameters(CurrentParam);
}

void ParameterEditor::ParamNameComboChange()
{
    const int index = ParamNameCombo->currentIndex();
    ParamNumberEdit->setText(QString::number(index));
    ShowLabels(index);
}

void ParameterEditor::ParamNumberEditChange()
{
    const int n = LenientNumber(ParamNumberEdit->text());
    if (n < 0 || n >= kParamCount)
        return;
    {
        const QSignalBlocker block(ParamNameCombo);
        ParamNameCombo->setCurrentIndex(n);
    }
    ShowLabels(n);
}

void ParameterEditor::ShowLabels(int number)
{
    const ParamLabels l = LabelsFor(list_, number);
    TypeLabel->setText(QString::fromLatin1(l.Type.c_str()));
    ElementsLabel->setVisible(l.ElementsShown);
    if (l.ElementsShown)
        ElementsLabel->setText(Latin1(l.ElementsText));
    if (l.BankShown) {
        BankLabel->setVisible(*l.BankShown);
        if (*l.BankShown)
            BankLabel->setText(Latin1(l.BankText));
    }
}

void ParameterEditor::BenchButtonClick() { ClearMemo(); }
