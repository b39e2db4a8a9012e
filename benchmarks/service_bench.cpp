// Service tools: reading the parameter list and a parameter file of a whole bench.
#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

#include "param_file.h"
#include "param_list.h"
#include "sim_parameters.h"

namespace {

// A list file of 401 entries in the shapes the list uses.
std::string ParamListText()
{
    static const char* const types[] = {"eChar", "eInt", "eFloat", "eDouble", "eLong", "eString12"};
    static const char* const banks[] = {"eFlash", "eRAM", "eBoot"};
    std::string text = "/* Flash parameter list */\n#include \"params.h\"\n\nTParameterItem ParamList[] = {\n";
    for (int n = 0; n < 401; ++n) {
        text += "\t{ " + std::string(types[n % 6]) + ", &Parameter_" + std::to_string(n) + "_Value, " + banks[n % 3] +
                ", 0x" + std::to_string(1000 + n) + ", ";
        text += n % 5 == 0 ? "NUM_TEMPS * 2" : std::to_string(n % 20);
        text += " },   // parameter " + std::to_string(n) + "\n";
    }
    text += "\t{ eEnd, 0, eFlash, 0, 0 }\n};\n";
    return text;
}

void BM_ReadParamListFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ParamLst.c"));
    const std::string text = ParamListText();
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), qint64(text.size()));
    f.close();
    for (auto _ : state) {
        TParameterList list = ReadParamListFile(path);
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadParamListFile)->Unit(benchmark::kMicrosecond);

// A download file as an upload of a simulated bench writes it.
void BM_ReadParameterFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.CAL"));
    sim::SimParameterStore store(7);
    std::string text;
    for (int n = 0; n < sim::SimParameterStore::kCount; ++n) {
        const std::string& v = store.Flash(n);
        text += UploadEntryLines(n, "Parameter_" + std::to_string(n) + "_Value", reinterpret_cast<const uint8_t*>(v.data()),
                                 int(v.size()));
    }
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(text.data(), qint64(text.size()));
    out.close();
    for (auto _ : state) {
        QFile in(path);
        in.open(QIODevice::ReadOnly);
        ParamFileReader reader(in);
        int entries = 0;
        for (ParamFileReader::Step s = reader.Next(); s.What != ParamFileReader::Kind::End; s = reader.Next()) {
            if (s.What == ParamFileReader::Kind::Error)
                state.SkipWithError("file did not read back");
            entries += s.What == ParamFileReader::Kind::Entry;
        }
        benchmark::DoNotOptimize(entries);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadParameterFile)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
