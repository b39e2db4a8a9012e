#pragma once
#include "main_fixture.h"
#include "ui/main/main_window.h"

#include <gtest/gtest.h>

#include <memory>

// The main window in temporary places, its messages recorded, its file dialogs answered by script and
// its calendar clock standing still.
struct ScriptedWindowTest : ::testing::Test {
    TempPlaces Places;
    RecordingMessages Messages;
    ScriptedDialogs Dialogs;
    FixedClock Clock;
    std::unique_ptr<MainWindow> App;

    void Create()
    {
        MainWindowOptions o;
        o.Messages = &Messages;
        o.Dialogs = &Dialogs;
        o.Clock = Clock.Clock();
        App = std::make_unique<MainWindow>(o);
    }
    void SetUp() override { Create(); }
};
