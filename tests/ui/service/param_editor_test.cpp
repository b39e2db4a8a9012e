// The parameter editor window headless, over an in-memory port: what each
// button sends, how replies show, and the labels of the parameter list.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include "ui/common/bench_buttons.h"
#include "support/fake_host.h"
#include "ui/service/parameter_editor.h"
#include "support/memory_port.h"

namespace {

RxFrame Reply(uint8_t code, const std::string& text = {})
{
    RxFrame f;
    f.Start = kAck;
    f.Code = code;
    f.Length = uint8_t(text.size());
    std::copy(text.begin(), text.end(), f.Data.begin());
    return f;
}

struct EditorTest : ::testing::Test {
    QTemporaryDir Dir;
    FakeHost Host;
    MemoryPort Port;
    std::unique_ptr<ParameterEditor> Editor;

    void SetUp() override
    {
        qputenv("HALYARD_DRIVE_C", Dir.filePath(QStringLiteral("drive_c")).toLocal8Bit());
        QFile list(Dir.filePath(QStringLiteral("ParamLst.c")));
        ASSERT_TRUE(list.open(QIODevice::WriteOnly));
        list.write("TParameterItem ParamList[] = {\n"
                   "  {eChar, Zero, eFlash, 0, 0},\n"
                   "  {eInt, &Count, eRAM, 0, 3},\n"
                   "  {eFloat, Gain, eBoot, 0, 0},\n"
                   "  {eLong, Temps, eFlash, 0, 4},\n"
                   "  {eDouble, Poly, eFlash, 0, NUM_TEMPS*2},\n"
                   "  {eInt, Mode, eRAM, 0, 0},\n"
                   "};\n");
        list.close();
        Host.TheLink.Benches[0].Setup(&Port);
        Host.SwitchedOn = {true, false, false, false};
        Create();
    }
    void Create(bool flashMarker = false)
    {
        Editor.reset();
        QDir().mkpath(Dir.filePath(QStringLiteral("drive_c")));
        QFile marker(Dir.filePath(QStringLiteral("drive_c/Flash.Ok")));
        if (flashMarker) {
            ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
            marker.close();
        } else {
            marker.remove();
        }
        Editor = std::make_unique<ParameterEditor>(Host, Dir.filePath(QStringLiteral("ParamLst.c")));
    }
    void TearDown() override
    {
        Editor.reset();
        qunsetenv("HALYARD_DRIVE_C");
    }
    // Payload (code and data) of each request sent, oldest first.
    std::vector<std::vector<uint8_t>> Requests()
    {
        std::vector<std::vector<uint8_t>> out;
        const std::vector<uint8_t> bytes = Port.TakeSent();
        for (size_t at = 0; at + 2 < bytes.size();) {
            const size_t n = bytes[at + 1];
            out.emplace_back(bytes.begin() + long(at + 2), bytes.begin() + long(std::min(bytes.size(), at + 2 + n)));
            at += 3 + n;
        }
        return out;
    }
    void Number(const char* text) { Editor->ParamNumberEdit->setText(QString::fromLatin1(text)); }
    QStringList Messages() { return Host.Sink.Texts(); }
};

TEST_F(EditorTest, StartsWithTheListAndParameterOne)
{
    EXPECT_EQ(Editor->windowTitle(), QStringLiteral("Parameters"));
    EXPECT_EQ(Editor->ParamNameCombo->count(), 401);
    EXPECT_EQ(Editor->ParamNameCombo->currentIndex(), 1);
    EXPECT_EQ(Editor->ParamNameCombo->itemText(1), QStringLiteral("Count"));
    EXPECT_EQ(Editor->ParamNumberEdit->text(), QStringLiteral("1"));
    EXPECT_EQ(Editor->TypeLabel->text(), QStringLiteral("Int"));
    EXPECT_EQ(Editor->ElementsLabel->text(), QStringLiteral("3"));
    EXPECT_EQ(Editor->ValueText->toPlainText(), QStringLiteral("Memo1"));
    EXPECT_EQ(Editor->ColumnEdit->text(), QStringLiteral("10"));
    EXPECT_FALSE(Editor->FlashStoreAllowed);
    EXPECT_EQ(Editor->SelectedBench(), 0);
    EXPECT_TRUE(Editor->BenchGroup->BB[0]->isChecked());
}

TEST_F(EditorTest, StoreButtonAtOpeningFollowsTheMarker)
{
    // Without the marker file flash cannot be stored from the editor, not even before the first
    // Read or Write; with it, storing is offered from the start.
    for (bool marker : {false, true}) {
        Create(marker);
        EXPECT_EQ(Editor->StoreBtn->isEnabled(), marker) << marker;
        Number("12");
        Editor->StoreBtn->click();
        EXPECT_EQ(Requests().size(), marker ? 1u : 0u) << marker;
    }
}

TEST_F(EditorTest, LabelsFollowTheChosenNumber)
{
    Editor->ParamNameCombo->setCurrentIndex(2); // Elements 0: the bank shows
    EXPECT_EQ(Editor->ParamNumberEdit->text(), QStringLiteral("2"));
    EXPECT_EQ(Editor->TypeLabel->text(), QStringLiteral("Float"));
    EXPECT_TRUE(Editor->ElementsLabel->isHidden());
    EXPECT_FALSE(Editor->BankLabel->isHidden());
    EXPECT_EQ(Editor->BankLabel->text(), QStringLiteral("Boot"));

    Number("3"); // Elements 4: the previous bank text stays
    EXPECT_EQ(Editor->ParamNameCombo->currentIndex(), 3);
    EXPECT_EQ(Editor->ElementsLabel->text(), QStringLiteral("4"));
    EXPECT_FALSE(Editor->ElementsLabel->isHidden());
    EXPECT_EQ(Editor->BankLabel->text(), QStringLiteral("Boot"));
    EXPECT_FALSE(Editor->BankLabel->isHidden());

    Number("4");
    EXPECT_EQ(Editor->ElementsLabel->text(), QStringLiteral("NUM_TEMPS*2"));
    Number("200"); // no entry: an empty name of type Char
    EXPECT_EQ(Editor->TypeLabel->text(), QStringLiteral("Char"));

    Number("401"); // out of range: the combo box stays where it was
    EXPECT_EQ(Editor->ParamNameCombo->currentIndex(), 200);
    Editor->ReadButton->click();
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Illegal Parameter number")});
    EXPECT_EQ(Host.Sink.Shown.back().Caption, QStringLiteral("Warning"));
    EXPECT_TRUE(Requests().empty());
}

TEST_F(EditorTest, ButtonsSendTheirRequestsForTheNumber)
{
    Create(true); // the marker file offers Store
    Number("12");
    Editor->ValueText->setPlainText(QStringLiteral("1.5,\n2,\t 0\r\n"));
    Editor->WriteBtn->click();
    Editor->StoreBtn->click();
    Editor->LoadBtn->click();
    Editor->ReadButton->click();
    EXPECT_FALSE(Editor->StoreBtn->isEnabled()); // reading disables storing until a write is acknowledged
    Number(" 300");
    Editor->ParamNumberEdit->returnPressed(); // Enter reads
    const std::vector<std::vector<uint8_t>> expected = {
        {0x48, 0, 12, '1', '.', '5', ',', '2', ',', '0', 0},
        {0x54, 0x5E, 0xA3, 0, 12},
        {0x55, 0, 12},
        {0x49, 0, 12},
        {0x49, 0x01, 0x2C},
    };
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(Editor->CurrentParam, 300);
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(EditorTest, BadNumbersSendNothing)
{
    Create(true); // the marker file offers Store
    using Button = IMessageSink::Button;
    // The warning for a number out of range has a single Yes button; conversion errors have OK.
    const struct {
        const char* Text;
        const char* Message;
        Button Buttons;
    } cases[] = {{"x", "'x' is not a valid integer value", Button::Ok},
                 {"", "'' is not a valid integer value", Button::Ok},
                 {"401", "Illegal Parameter number", Button::Yes},
                 {"-1", "Illegal Parameter number", Button::Yes}};
    for (const auto& c : cases) {
        for (QPushButton* b : {Editor->WriteBtn, Editor->LoadBtn, Editor->StoreBtn}) {
            Editor->CurrentParam = 7;
            Host.Sink.Shown.clear();
            Number(c.Text);
            b->click();
            EXPECT_EQ(Messages(), QStringList{QString::fromLatin1(c.Message)}) << c.Text;
            ASSERT_EQ(Host.Sink.Shown.size(), 1u) << c.Text;
            EXPECT_EQ(Host.Sink.Shown[0].ButtonShown, c.Buttons) << c.Text;
            EXPECT_EQ(Editor->CurrentParam, 7) << c.Text;
        }
    }
    Number("abc"); // Read converts leniently: -999 is out of range
    Editor->ReadButton->click();
    EXPECT_EQ(Messages().last(), QStringLiteral("Illegal Parameter number"));
    EXPECT_EQ(Host.Sink.Shown.back().ButtonShown, Button::Yes);
    EXPECT_EQ(Host.Sink.Shown.back().IconShown, IMessageSink::Icon::Warning);
    EXPECT_TRUE(Requests().empty());
}

TEST_F(EditorTest, NoBenchChosenSendsNothingAndSaysNothing)
{
    Create(true); // the marker file offers Store
    Host.SwitchedOn = {};
    Editor->UpdateBenchSelection();
    EXPECT_EQ(Editor->SelectedBench(), -1);
    Number("5");
    for (QPushButton* b : {Editor->ReadButton, Editor->WriteBtn, Editor->LoadBtn, Editor->StoreBtn})
        b->click();
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Editor->CurrentParam, 5);
}

TEST_F(EditorTest, TextTooLongForOneRequestIsNotCut)
{
    Number("5");
    Editor->ValueText->setPlainText(QString(kMaxFlashDataBytes + 1, QLatin1Char('9')));
    Editor->WriteBtn->click();
    EXPECT_TRUE(Requests().empty());
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages()[0].contains(QStringLiteral("too long")));
    Editor->ValueText->setPlainText(QString(kMaxFlashDataBytes, QLatin1Char('9')) + QStringLiteral("  \n "));
    Editor->WriteBtn->click();
    ASSERT_EQ(Requests().size(), 1u);
}

TEST_F(EditorTest, ReadRepliesShowInColumns)
{
    const struct {
        const char* What;
        const char* Columns;
        std::string Reply;
        QString Memo;
    } cases[] = {
        {"three values", "10", "1,2,3", "1,\t2,\t3"},
        {"a full line then an empty one", "10", "0,1,2,3,4,5,6,7,8,9,", "0,\t1,\t2,\t3,\t4,\t5,\t6,\t7,\t8,\t9,\t\n"},
        {"two columns", "2", "1,2,3,4,5", "1,\t2,\t\n3,\t4,\t\n5"},
        {"twenty columns", "20", "1,2", "1,\t2"},
        {"empty reply", "10", "", ""},
    };
    for (const auto& c : cases) {
        Editor->ValueText->clear();
        Editor->ColumnEdit->setText(QString::fromLatin1(c.Columns));
        Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x49, c.Reply));
        EXPECT_EQ(Editor->ValueText->toPlainText(), c.Memo) << c.What;
        EXPECT_EQ(Editor->LastParamText(), QByteArray::fromStdString(c.Reply)) << c.What;
    }
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(EditorTest, BadColumnCountDropsTheReply)
{
    Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x49, "7,8"));
    for (const char* columns : {"0", "21", "x", ""}) {
        Host.Sink.Shown.clear();
        Editor->ValueText->setPlainText(QStringLiteral("before"));
        Editor->ColumnEdit->setText(QString::fromLatin1(columns));
        Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x49, "1,2"));
        EXPECT_EQ(Messages(), QStringList{QStringLiteral("Check Number of Columns")}) << columns;
        EXPECT_EQ(Host.Sink.Shown[0].Caption, QStringLiteral("Information"));
        EXPECT_EQ(Editor->ValueText->toPlainText(), QStringLiteral("before")) << columns;
        EXPECT_EQ(Editor->LastParamText(), QByteArray("7,8")) << columns;
    }
}

TEST_F(EditorTest, StoreButtonAfterAWrite)
{
    const struct {
        bool Marker;
        int Param;
        bool Enabled;
    } cases[] = {
        {false, 2, false}, {true, 2, true}, {true, 1, false}, // parameter 1 is in the RAM bank
        {true, 5, false},  {true, 450, true}, {false, 450, false},
    };
    for (const auto& c : cases) {
        Create(c.Marker);
        EXPECT_EQ(Editor->FlashStoreAllowed, c.Marker);
        Editor->ReadButton->click(); // disables it
        EXPECT_FALSE(Editor->StoreBtn->isEnabled());
        Editor->CurrentParam = uint16_t(c.Param);
        Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x48));
        EXPECT_EQ(Editor->StoreBtn->isEnabled(), c.Enabled) << c.Marker << " " << c.Param;
    }
}

TEST_F(EditorTest, LoadReplyReadsTheLoadedNumberBack)
{
    // Whoever sends the load, its number is what the editor reads back.
    Host.TheLink.Benches[0].RequestLoadFlashParameters(77);
    EXPECT_EQ(Editor->CurrentParam, 77);
    Requests();
    Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x55));
    EXPECT_EQ(Requests(), (std::vector<std::vector<uint8_t>>{{0x49, 0, 77}}));
    Editor->ReplyDecoded(0, ReplyKind::FlashParam, Reply(0x54));
    EXPECT_TRUE(Requests().empty());
}

TEST_F(EditorTest, LoadIsReadBackFromTheBenchThatLoadedIt)
{
    // Bench 1 chosen in the editor; a procedure loads parameter 12 on bench 2.
    MemoryPort second;
    Host.TheLink.Benches[1].Setup(&second);
    Host.SwitchedOn = {true, true, false, false};
    Editor->UpdateBenchSelection();
    Editor->BenchGroup->BB[0]->click();
    Host.TheLink.Benches[1].RequestLoadFlashParameters(12);
    second.TakeSent();
    Requests();
    Editor->ReplyDecoded(1, ReplyKind::FlashParam, Reply(0x55));
    EXPECT_TRUE(Requests().empty()) << "nothing goes to the bench chosen in the editor";
    const std::vector<uint8_t> sent = second.TakeSent();
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 2, sent.begin() + 5), (std::vector<uint8_t>{0x49, 0, 12}));
}

TEST_F(EditorTest, BenchButtonClearsTheMemo)
{
    Host.SwitchedOn = {true, true, false, false};
    Editor->UpdateBenchSelection();
    Editor->ValueText->setPlainText(QStringLiteral("old"));
    Editor->BenchGroup->BB[1]->click();
    EXPECT_EQ(Editor->SelectedBench(), 1);
    EXPECT_TRUE(Editor->ValueText->toPlainText().isEmpty());

    // Clicking the bench already chosen is no change: what the memo shows stays.
    Editor->ValueText->setPlainText(QStringLiteral("read"));
    Editor->BenchGroup->BB[1]->click();
    EXPECT_EQ(Editor->ValueText->toPlainText(), QStringLiteral("read"));
    Editor->BenchGroup->BB[0]->click();
    EXPECT_EQ(Editor->SelectedBench(), 0);
    EXPECT_TRUE(Editor->ValueText->toPlainText().isEmpty());
}

} // namespace
