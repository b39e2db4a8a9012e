#include "ui/main/main_window.h"
#include "programs/common/stop_signals.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

bool HasDisplay()
{
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (display && *display) || (wayland && *wayland) || (platform && *platform);
}

void ShowError(const QString& text)
{
    QMessageBox::critical(nullptr, QStringLiteral("Error"), text);
}

// Errors escaping an event handler end the program after the standard error box.
class HalyardApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ShowError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            ShowError(QStringLiteral("An unexpected error ended the program."));
        }
        exit(1);
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (!HasDisplay()) {
        std::fprintf(stderr,
                     "No display: neither DISPLAY nor WAYLAND_DISPLAY is set. Run halyard in a desktop session, "
                     "or set QT_QPA_PLATFORM (for example offscreen) to run it without one.\n");
        return 1;
    }
    HalyardApplication app(argc, argv);
    try {
        // Made before the window, so signals are still caught while the window shuts down.
        StopSignals stopSignals;
        MainWindow mainWindow;
        // A logout, shutdown or closed terminal ends the program as Exit does: the Stop line,
        // stop requests to the benches, the ports (and their lock files) closed.
        QObject::connect(&stopSignals, &StopSignals::StopRequested, &mainWindow, [&mainWindow] {
            mainWindow.close();
            QCoreApplication::quit();
        });
        mainWindow.show();
        mainWindow.StartAutomation();
        return app.exec();
    } catch (const std::exception& e) {
        ShowError(QString::fromLocal8Bit(e.what()));
        return 1;
    } catch (...) {
        ShowError(QStringLiteral("An unexpected error ended the program."));
        return 1;
    }
}
