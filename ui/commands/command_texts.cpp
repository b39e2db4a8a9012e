#include "ui/commands/command_texts.h"

namespace CommandTexts {

namespace {
const char* const kModes[8] = {
    "Osprey, Old", "Osprey, New", "Harrier, Old", "Harrier, New",
    "Falcon, Single-Sol, Old", "Falcon, Single-Sol, New", "Falcon, Multi-Sol, Old", "Falcon, Multi-Sol, New",
};
} // namespace

QString PumpState(uint8_t state)
{
    switch (state) {
    case 0: return QStringLiteral("Pump Off");
    case 1: return QStringLiteral("Pump On");
    default: return {};
    }
}

QString BitState(uint8_t value, uint8_t bit)
{
    return (value & bit) ? QStringLiteral("Set") : QStringLiteral("Clear");
}

QString StandbyState(uint8_t state)
{
    if (state == 0x80)
        return QStringLiteral("Enabled");
    if (state == 0x40)
        return QStringLiteral("Disabled");
    return {};
}

QString DemodAlgorithm(uint8_t algorithm)
{
    switch (algorithm) {
    case 0: return QStringLiteral("Alder");
    case 1: return QStringLiteral("Birch");
    default: return {};
    }
}

QStringList ModeItems()
{
    QStringList items;
    for (int i = 0; i < 8; ++i)
        items << QStringLiteral("%1 - %2").arg(i).arg(QLatin1String(kModes[i]));
    return items;
}

QString ReportedMode(uint8_t mode)
{
    return mode < 8 ? QString::fromLatin1(kModes[mode]) : QString();
}

QString HexByte(uint8_t b)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(uint(b), 2, 16, QLatin1Char('0')).toUpper();
}

QStringList CommandSetItems()
{
    QStringList items{QStringLiteral("Current Command Set")};
    for (const char* kind : {"Temporary", "Permanent"})
        for (const CommandSetModel& m : kCommandSetModels)
            items << QStringLiteral("%1 Command Set, %2").arg(QLatin1String(m.Name), QLatin1String(kind));
    return items;
}

std::array<uint8_t, 4> CommandSetBytes(int index)
{
    const int models = int(kCommandSetModels.size());
    if (index < 1 || index > 2 * models)
        return {};
    const bool permanent = index > models;
    const int type = kCommandSetModels[size_t((index - 1) % models)].TypeNumber;
    return {uint8_t(type / 100), uint8_t(type % 100), 0, uint8_t(permanent ? 1 : 0)};
}

QString CommandSetReply(const std::array<uint8_t, 3>& reply)
{
    QString s = QStringLiteral("%1%2").arg(int(reply[0]), 2).arg(int(reply[1]), 2);
    if (reply[2] != 0)
        s += QChar(QLatin1Char(char(reply[2])));
    return s;
}

} // namespace CommandTexts
