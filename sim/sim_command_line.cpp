#include "sim/sim_command_line.h"

#include <QCommandLineParser>

namespace sim {

bool ParseSimNumber(const QString& text, long long* value)
{
    QString t = text.trimmed();
    int base = 10;
    if (t.startsWith("0x", Qt::CaseInsensitive)) {
        t = t.mid(2);
        base = 16;
    } else if (t.startsWith('$')) {
        t = t.mid(1);
        base = 16;
    } else if (t.endsWith('h', Qt::CaseInsensitive)) {
        t.chop(1);
        base = 16;
    }
    bool ok = false;
    const long long v = t.toLongLong(&ok, base);
    if (ok)
        *value = v;
    return ok && !t.isEmpty();
}

namespace {

bool ParseByte(const QString& text, uint8_t* out)
{
    long long v = 0;
    if (!ParseSimNumber(text, &v) || v < 0 || v > 255)
        return false;
    *out = uint8_t(v);
    return true;
}

bool ParseInt(const QString& text, long long lo, long long hi, long long* out)
{
    long long v = 0;
    if (!ParseSimNumber(text, &v) || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

} // namespace

ParseResult ParseSimCommandLine(const QStringList& arguments, SimServerConfig* config, QString* message)
{
    // --silent takes an optional value (--silent or --silent=CODE), which the
    // parser cannot express: take those out first.
    QStringList rest;
    QStringList silentValues;
    bool silentAll = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i > 0 && (a == "--silent" || a == "-silent")) {
            silentAll = true;
        } else if (i > 0 && a.startsWith("--silent=")) {
            silentValues << a.mid(9);
        } else {
            rest << a;
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Emulates up to four Kestrel-2 benches on pseudo-terminals linked as <devices>/COMk.\n"
        "Numbers are decimal, or hexadecimal with 0x or $ before or h after them.\n"
        "  --silent           answer nothing\n"
        "  --silent=CODE      answer nothing to CODE (repeatable)");
    const QCommandLineOption help({"h", "help"}, "Show this help.");
    const QCommandLineOption benches("benches", "Number of benches, 1 to 4 (default 1).", "N", "1");
    const QCommandLineOption ports("ports", "Port numbers of the benches, e.g. 1,3 (default 1..N).", "LIST");
    const QCommandLineOption devices("devices", "Folder of the COMn links (default $HALYARD_DEVICES or "
                                                "the XDG data folder's halyard/devices).", "DIR");
    const QCommandLineOption period("period", "Stream period in ms (default 100).", "MS", "100");
    const QCommandLineOption lineRate("line-rate", "Stream back to back at the pace of the line.");
    const QCommandLineOption baud("baud", "Pace of the emulated line (default 115200).", "B", "115200");
    const QCommandLineOption pace("pace", "Every frame takes its time at --baud both ways: a request is heard once "
                                          "its bytes have crossed the line, a reply arrives once its own have.");
    const QCommandLineOption seed("seed", "Seed of noise, drift and parameters (default 1).", "S", "1");
    const QCommandLineOption nak("nak", "NAK CODE with REASON (repeatable).", "CODE:REASON");
    const QCommandLineOption nakParam("nak-param", "Refuse flash parameter N with REASON (repeatable).",
                                      "N:REASON");
    const QCommandLineOption silentParam("silent-param-from",
                                         "Answer no flash parameter request from the Nth on (counting from 1).", "N");
    const QCommandLineOption corrupt("corrupt", "Spoil the checksum of the next N replies; 'all' for every reply.",
                                     "N");
    const QCommandLineOption noise("noise", "Noise burst before a frame with this probability in %.", "PERCENT");
    const QCommandLineOption split("split", "Write each frame in several small pieces.");
    const QCommandLineOption vanish("vanish-after", "Close the lines after this many seconds.", "SECONDS");
    const QCommandLineOption comeBack("come-back-after",
                                      "After vanishing, come back at the same path this many seconds later.",
                                      "SECONDS");
    const QCommandLineOption delay("delay", "Put every frame on the line this many ms after it was made.", "MS");
    const QCommandLineOption nakStream("nak-stream", "Send a NAK with REASON instead of each stream frame.",
                                       "REASON");
    const QCommandLineOption garbage("garbage", "Put N random bytes on the line at start.", "N");
    const QCommandLineOption zero("zero-required", "Start with the zero-required status bit set.");
    const QCommandLineOption process("process-ms", "How long a zero or span runs (default 3000).", "MS", "3000");
    const QCommandLineOption nakErase("nak-erase", "Refuse the flash erase (0x26) with REASON.", "REASON");
    const QCommandLineOption nakWrite("nak-write", "Refuse the N-th flash write (0x27) of a download with REASON.",
                                      "N:REASON");
    const QCommandLineOption dropWrite("drop-write", "Carry out the N-th flash write but lose its reply.", "N");
    const QCommandLineOption corruptWrite("corrupt-write", "Carry out the N-th flash write but spoil its reply.", "N");
    for (const auto& o : {help, benches, ports, devices, period, lineRate, baud, seed, nak, nakParam, corrupt,
                          noise, split, vanish, zero, process, nakErase, nakWrite, dropWrite, corruptWrite})
        parser.addOption(o);
    parser.addOption(silentParam);
    parser.addOption(pace);
    for (const auto& o : {comeBack, delay, nakStream, garbage})
        parser.addOption(o);
    const QCommandLineOption record("record",
                                    "Write every data reply's values to DIR/COMk.readings, one line a reply, "
                                    "for soak runs that check what the host logged.",
                                    "DIR");
    parser.addOption(record);

    auto fail = [&](const QString& why) {
        if (message)
            *message = why;
        return ParseResult::Error;
    };
    if (!parser.parse(rest))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        if (message)
            *message = parser.helpText();
        return ParseResult::Help;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail("unexpected argument: " + parser.positionalArguments().first());

    SimServerConfig c = *config;
    long long v = 0;
    if (!ParseInt(parser.value(benches), 1, 4, &v))
        return fail("--benches must be 1 to 4");
    c.benches = int(v);
    c.ports.clear();
    if (parser.isSet(ports)) {
        for (const QString& p : parser.value(ports).split(',', Qt::SkipEmptyParts)) {
            if (!ParseInt(p, 1, 99, &v) || c.ports.contains(int(v)))
                return fail("--ports: bad port " + p);
            c.ports.push_back(int(v));
        }
        if (c.ports.isEmpty() || c.ports.size() > 4)
            return fail("--ports needs 1 to 4 port numbers");
        if (parser.isSet(benches) && c.ports.size() != c.benches)
            return fail("--ports and --benches disagree");
        c.benches = int(c.ports.size());
    }
    if (parser.isSet(devices))
        c.devicesDir = parser.value(devices);
    if (!ParseInt(parser.value(period), 1, 3600000, &v))
        return fail("--period must be a positive number of ms");
    c.bench.replyPeriodMs = int(v);
    c.bench.lineRate = parser.isSet(lineRate);
    c.bench.paceLine = parser.isSet(pace);
    if (!ParseInt(parser.value(baud), 50, 4000000, &v))
        return fail("--baud out of range");
    c.bench.baud = int(v);
    if (!ParseInt(parser.value(seed), 0, 0xFFFFFFFFll, &v))
        return fail("--seed must be 0 to 4294967295");
    c.bench.seed = uint32_t(v);
    if (!ParseInt(parser.value(process), 0, 3600000, &v))
        return fail("--process-ms out of range");
    c.bench.processMs = int(v);
    c.recordDir = parser.value(record);

    for (const QString& item : parser.values(nak)) {
        const QStringList parts = item.split(':');
        uint8_t code = 0, reason = 0;
        if (parts.size() != 2 || !ParseByte(parts[0], &code) || !ParseByte(parts[1], &reason))
            return fail("--nak wants CODE:REASON, got " + item);
        c.faults.nakCode[code] = reason;
    }
    for (const QString& item : parser.values(nakParam)) {
        const QStringList parts = item.split(':');
        uint8_t reason = 0;
        if (parts.size() != 2 || !ParseInt(parts[0], 0, 65535, &v) || !ParseByte(parts[1], &reason))
            return fail("--nak-param wants N:REASON, got " + item);
        c.faults.nakParameter[int(v)] = reason;
    }
    if (parser.isSet(silentParam)) {
        if (!ParseInt(parser.value(silentParam), 1, 1000000000, &v))
            return fail("--silent-param-from wants a count from 1");
        c.faults.silentFromParamRequest = int(v);
    }
    c.faults.silentAll = silentAll;
    for (const QString& s : silentValues) {
        uint8_t code = 0;
        if (!ParseByte(s, &code))
            return fail("--silent=CODE: bad code " + s);
        c.faults.silentCodes.insert(code);
    }
    if (parser.isSet(corrupt)) {
        if (parser.value(corrupt).compare("all", Qt::CaseInsensitive) == 0)
            c.faults.corruptAll = true;
        else if (ParseInt(parser.value(corrupt), 0, 1000000000, &v))
            c.faults.corruptNext = int(v);
        else
            return fail("--corrupt wants a count or 'all'");
    }
    if (parser.isSet(noise)) {
        if (!ParseInt(parser.value(noise), 0, 100, &v))
            return fail("--noise must be 0 to 100");
        c.faults.noisePercent = int(v);
    }
    if (parser.isSet(nakErase)) {
        uint8_t reason = 0;
        if (!ParseByte(parser.value(nakErase), &reason))
            return fail("--nak-erase wants a reason byte");
        c.faults.flash.nakEraseReason = reason;
    }
    if (parser.isSet(nakWrite)) {
        const QStringList parts = parser.value(nakWrite).split(':');
        uint8_t reason = 0;
        if (parts.size() != 2 || !ParseInt(parts[0], 1, 1000000000, &v) || !ParseByte(parts[1], &reason))
            return fail("--nak-write wants N:REASON, got " + parser.value(nakWrite));
        c.faults.flash.nakWriteNumber = int(v);
        c.faults.flash.nakWriteReason = reason;
    }
    if (parser.isSet(dropWrite)) {
        if (!ParseInt(parser.value(dropWrite), 1, 1000000000, &v))
            return fail("--drop-write wants a write number from 1");
        c.faults.flash.dropWriteNumber = int(v);
    }
    if (parser.isSet(corruptWrite)) {
        if (!ParseInt(parser.value(corruptWrite), 1, 1000000000, &v))
            return fail("--corrupt-write wants a write number from 1");
        c.faults.flash.corruptWriteNumber = int(v);
    }
    c.faults.splitWrites = parser.isSet(split);
    c.faults.zeroRequired = parser.isSet(zero);
    if (parser.isSet(vanish)) {
        bool ok = false;
        const double seconds = parser.value(vanish).toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 1e6)
            return fail("--vanish-after wants seconds");
        c.vanishAfterMs = int(seconds * 1000.0);
    }
    if (parser.isSet(comeBack)) {
        bool ok = false;
        const double seconds = parser.value(comeBack).toDouble(&ok);
        if (!ok || seconds < 0 || seconds > 1e6)
            return fail("--come-back-after wants seconds");
        c.faults.comeBackAfterMs = int64_t(seconds * 1000.0);
    }
    if (parser.isSet(delay)) {
        if (!ParseInt(parser.value(delay), 0, 3600000, &v))
            return fail("--delay must be 0 to 3600000 ms");
        c.faults.replyDelayMs = int(v);
    }
    if (parser.isSet(nakStream)) {
        uint8_t reason = 0;
        if (!ParseByte(parser.value(nakStream), &reason))
            return fail("--nak-stream wants a reason byte");
        c.faults.nakStreamReason = reason;
    }
    if (parser.isSet(garbage)) {
        if (!ParseInt(parser.value(garbage), 0, 1LL << 32, &v))
            return fail("--garbage must be 0 to 4294967296 bytes");
        c.faults.garbageBytes = v;
    }
    *config = c;
    return ParseResult::Ok;
}

} // namespace sim
