#pragma once
// The program's main window beside simulated benches on pseudo-terminals, all
// in one event loop, with the boxes, file dialogs and calendar clock answered
// by the test.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "main_fixture.h"
#include "ui/main/main_window.h"
#include "sim/sim_server.h"

struct SimulatedAppTest : ::testing::Test {
    // The simulator replaces the links of its own benches; the other COMn stay
    // dangling, so no serial device of the machine itself is ever claimed.
    TempPlaces Places;
    RecordingMessages Messages;
    // Takes the boxes instead of Messages when set before StartBenchesAndApp.
    IMessageSink* MessagesOverride = nullptr;
    ScriptedDialogs Dialogs;
    FixedClock Clock;
    std::unique_ptr<sim::SimServer> Server;
    std::unique_ptr<MainWindow> App;

    // Starts `benches` simulated benches streaming every 20 ms, lets the test
    // set them up, then creates and shows the main window.
    void StartBenchesAndApp(int benches, const std::function<void(sim::SimServer&)>& prepare = {})
    {
        sim::SimServerConfig config;
        config.devicesDir = Places.Devices;
        config.benches = benches;
        config.bench.replyPeriodMs = 20;
        Server = std::make_unique<sim::SimServer>(config);
        QString error;
        ASSERT_TRUE(Server->Start(&error)) << error.toStdString();
        if (prepare)
            prepare(*Server);
        MainWindowOptions o;
        o.Messages = MessagesOverride ? MessagesOverride : &Messages;
        o.Dialogs = &Dialogs;
        o.Clock = Clock.Clock();
        App = std::make_unique<MainWindow>(o);
        App->show();
    }
    void TearDown() override
    {
        App.reset();
        Server.reset();
    }
};
