#pragma once
// What halyard-service was asked to do, read from its command line.
#include <QString>
#include <QStringList>

#include <array>

struct ServiceOptions {
    enum class Command { Upgrade, Upload, Download, Read, Write, Store, Load, CalLoad, CalCheck };
    Command What = Command::Upgrade;
    std::array<bool, 4> Benches{};           // --benches 1,3 / 1-4 (--bench N): bench k (0..3) takes part
    std::array<int, 4> ComNumbers{1, 2, 3, 4}; // --port K=COMn: bench K's port; bench k on COMk otherwise
    QString File;                            // firmware, parameter or .CAL file; may hold {n}
    QString Out;                             // upload: --out PATTERN
    int First = 0, Last = 400;               // upload: --first, --last
    int Param = -1;                          // read|write|store|load: --param N (0..400)
    QString Text;                            // write: --text T
    bool HasText = false;
    QString Trace = QStringLiteral("tryfile-{n}.txt"); // --trace PATTERN: each bench's trace
    QString ParamList = QStringLiteral("ParamLst.c");  // --param-list FILE: names of uploaded parameters
    int Baud = 19200;                        // --baud RATE
    int NoReplySeconds = 30;                 // --timeout S: upgrade gives up after S s without a reply
    bool Json = false;                       // --json: one JSON object per line per event
    bool DryRun = false;                     // --dry-run
    bool AllowFlashStore = false;            // --allow-flash-store
    bool Overwrite = false;                  // --overwrite: upload replaces existing files
    bool Help = false;

    int BenchCount() const;
    // Sends Store Flash Parameters (store, download, cal load).
    bool StoresToFlash() const;
};

struct ServiceOptionsResult {
    ServiceOptions Options;
    QString Error; // empty when the command line was good
};

// Parses the arguments after the program name. Options take their value as the next
// argument or after '=' ("--benches 1-4", "--benches=1-4").
ServiceOptionsResult ParseServiceOptions(const QStringList& args);

// The --help text.
QString ServiceUsage();

// "{n}" in a pattern replaced by the bench number (1..4).
QString ForBench(const QString& pattern, int k);
