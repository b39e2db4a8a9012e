#include "link/paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {
namespace {
QString FromEnvOrData(const char* variable, const char* leaf)
{
    const QString fromEnv = qEnvironmentVariable(variable);
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(fromEnv);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return QDir::cleanPath(data + QStringLiteral("/halyard/") + QLatin1String(leaf));
}

// A character code that may land anywhere for odd numbers; keep it a valid, printable QChar.
QChar CharAt(long long code)
{
    if (code < 0x20 || code > 0xD7FF)
        return QLatin1Char('?');
    return QChar(char16_t(code));
}
} // namespace

QString DevicesDir() { return FromEnvOrData("HALYARD_DEVICES", "devices"); }

QString DriveC() { return FromEnvOrData("HALYARD_DRIVE_C", "drive_c"); }

QString DriveCPath(const QString& windowsPath)
{
    QString path = windowsPath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.size() >= 2 && path[1] == QLatin1Char(':') && path[0].toLower() == QLatin1Char('c')) {
        QString rest = path.mid(2);
        while (rest.startsWith(QLatin1Char('/')))
            rest.remove(0, 1);
        return rest.isEmpty() ? DriveC() : DriveC() + QLatin1Char('/') + rest;
    }
    return path;
}

QString ComDeviceName(int n)
{
    QString name = QStringLiteral("COM");
    if (n < 10) {
        name += CharAt('0' + static_cast<long long>(n));
    } else {
        name += CharAt('0' + static_cast<long long>(n / 10));
        name += CharAt('0' + static_cast<long long>(n % 10));
    }
    return name;
}

int ComNumberOf(const QString& comName)
{
    if (comName.size() < 4 || comName.size() > 5 || !comName.startsWith(QLatin1String("COM")))
        return -1;
    int n = 0;
    for (int i = 3; i < comName.size(); ++i) {
        const QChar c = comName[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

QString ResolveDevice(const QString& comName)
{
    const int n = ComNumberOf(comName);
    if (n < 0)
        return {};
    const QString entry = DevicesDir() + QLatin1Char('/') + comName;
    // A dangling symlink is still "the entry": opening it fails, which is the truth.
    if (QFileInfo(entry).exists() || QFileInfo(entry).isSymLink())
        return entry;
    if (n == 0)
        return {};
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}

} // namespace Paths
