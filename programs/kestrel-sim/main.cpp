// kestrel-sim: emulated benches on pseudo-terminals for the demo and for tests.

#include "sim/sim_command_line.h"
#include "sim/sim_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <vector>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &c, 1);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kestrel-sim");

    sim::SimServerConfig config;
    QString message;
    switch (sim::ParseSimCommandLine(QCoreApplication::arguments(), &config, &message)) {
    case sim::ParseResult::Help:
        std::fputs(qPrintable(message), stdout);
        return 0;
    case sim::ParseResult::Error:
        std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(message));
        return 2;
    case sim::ParseResult::Ok:
        break;
    }

    // Signals end the event loop through a pipe, so clean-up runs on the main thread.
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("kestrel-sim: pipe");
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&]() {
        char buf[16];
        while (::read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        app.quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

    sim::SimServer server(config);
    QString error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "kestrel-sim: %s\n", qPrintable(error));
        return 1;
    }
    for (int i = 0; i < server.Count(); ++i) {
        sim::SimLink* link = server.Link(i);
        std::printf("bench %d: %s -> %s\n", server.PortOf(i), qPrintable(link->LinkPath()),
                    qPrintable(link->SlavePath()));
        const int port = server.PortOf(i);
        QObject::connect(link, &sim::SimLink::Vanished, &app, [port]() {
            std::printf("bench %d: vanished\n", port);
            std::fflush(stdout);
        });
        QObject::connect(link, &sim::SimLink::CameBack, &app, [port]() {
            std::printf("bench %d: back\n", port);
            std::fflush(stdout);
        });
    }
    std::fflush(stdout);

    // Readings as the wire carried them: code, whether the frame was spoiled on purpose, then CO2
    // (hundredths of a percent), Freon (ppm), O2 (hundredths of a percent) and NO (ppm).
    std::vector<std::unique_ptr<QFile>> records;
    if (!config.recordDir.isEmpty()) {
        QDir().mkpath(config.recordDir);
        for (int i = 0; i < server.Count(); ++i) {
            auto file = std::make_unique<QFile>(QDir(config.recordDir).filePath(QStringLiteral("COM%1.readings").arg(server.PortOf(i))));
            if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                std::fprintf(stderr, "kestrel-sim: cannot write %s\n", qPrintable(file->fileName()));
                return 1;
            }
            QFile* out = file.get();
            server.Link(i)->Bench().OnReading = [out](const sim::SimReading& r) {
                char line[96];
                const int n = std::snprintf(line, sizeof line, "%02x %d %d %d %d %d\n", r.code, r.corrupted ? 1 : 0,
                                            r.values.co2, int(r.values.freon), r.values.o2, r.values.no);
                out->write(line, n);
            };
            records.push_back(std::move(file));
        }
    }

    const int rc = app.exec();
    // What each bench sent, for soak runs that compare it with what the host logged.
    for (int i = 0; i < server.Count(); ++i)
        std::printf("bench %d: sent %d data replies\n", server.PortOf(i), server.Link(i)->Bench().RepliesSent(0x01));
    std::fflush(stdout);
    server.Stop(); // removes the links
    return rc;
}
