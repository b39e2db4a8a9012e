// The service menu entries of the main window open the calibration and firmware
// windows, and a download runs from the program's own window beside a
// simulated bench.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <deque>

#include "ui/common/bench_buttons.h"
#include "ui/service/calibration_window.h"
#include "ui/service/firmware_upgrade_window.h"
#include "support/pty_fixture.h"
#include "ui/service/service_dialogs.h"
#include "support/sim_app_fixture.h"

namespace {

struct OnePath : IServiceDialogs {
    QString Path;
    QString OpenFileName(const QString&, const QString&, const QString&) override { return Path; }
    bool AskYesNo(const QString&, const QString&) override { return false; }
};

struct ServiceMenusTest : SimulatedAppTest {
    void SetUp() override
    {
        StartBenchesAndApp(1);
        ASSERT_TRUE(App->ActiveBench[0]->isEnabled());
        App->ActiveBench[0]->click();
        ASSERT_TRUE(App->PortOpen(0));
    }
    void Trigger(const char* name) { App->findChild<QAction*>(QString::fromLatin1(name))->trigger(); }
};

TEST_F(ServiceMenusTest, EntriesOpenTheRealWindowsInTheirModes)
{
    auto* cal = qobject_cast<CalibrationWindow*>(App->Windows().Calibration);
    auto* upgrade = qobject_cast<FirmwareUpgradeWindow*>(App->Windows().Upgrade);
    ASSERT_NE(cal, nullptr);
    ASSERT_NE(upgrade, nullptr);

    Trigger("LoadcalConstants1");
    EXPECT_TRUE(cal->isVisible());
    EXPECT_EQ(cal->windowTitle(), QStringLiteral("Load Calibration Parameters"));
    EXPECT_TRUE(cal->Machine().LoadMode);
    EXPECT_TRUE(cal->BB[0]->isEnabled() && cal->BB[0]->isChecked());
    EXPECT_FALSE(cal->BB[1]->isEnabled());
    Trigger("CheckCalConstants1");
    EXPECT_EQ(cal->windowTitle(), QStringLiteral("Check Calibration Parameters"));
    EXPECT_FALSE(cal->Machine().LoadMode);

    Trigger("BenchUpgrade1");
    EXPECT_TRUE(upgrade->isVisible());
    EXPECT_EQ(upgrade->windowTitle(), QStringLiteral("Flash Firmware Download"));
    EXPECT_EQ(upgrade->SelectedBench(), 0);
}

TEST_F(ServiceMenusTest, DownloadFromTheProgramsWindowWhileBenchesStream)
{
    // Streaming data keeps arriving during the download: the window takes every
    // reply while busy and passes over the ones that are not its own.
    App->StartBtn->click();
    ASSERT_TRUE(WaitFor([&] { return Server->Link(0)->Bench().RepliesSent(0x01) + Server->Link(0)->Bench().RepliesSent(0x06) +
                                         Server->Link(0)->Bench().RepliesSent(0x44) > 2; }));
    auto* upgrade = qobject_cast<FirmwareUpgradeWindow*>(App->Windows().Upgrade);
    OnePath dialogs;
    dialogs.Path = Places.DriveC + QStringLiteral("/fw.s19");
    {
        QFile f(dialogs.Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("S20E1234560102030405060708A0B1E0\nS2080000100A0B0C0DB9\nS804000000FB\n");
    }
    upgrade->Dialogs = &dialogs;
    Trigger("BenchUpgrade1");
    upgrade->StartBtn->click();
    ASSERT_TRUE(WaitFor([&] { return upgrade->Success->isVisible(); }, 10000)) << Messages.Messages.size();
    const auto& image = Server->Link(0)->Bench().FlashImage();
    ASSERT_EQ(image.size(), 14u);
    EXPECT_EQ(image.at(0x123456), 0x01);
    EXPECT_EQ(image.at(0x12345F), 0xB1);
    EXPECT_EQ(image.at(0x000010), 0x0A);
}

} // namespace
