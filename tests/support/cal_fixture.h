#pragma once
// Calibration files for the tests: every value of a file is known, so a test
// can say which text each of the 42 calibration parameters must end up with.
#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct CalFileContent {
    std::string Serial = "K2-0417";
    // Temperature lines: cell, detector, pressure, as written.
    std::array<std::array<std::string, 3>, 4> Temps;
    // Coefficient records, by parameter number, as written (before zero replacement).
    std::map<int, std::vector<std::string>> Records;

    static constexpr int kSpanTable[4][9] = {{117, 127, 132, 137, 257, 261, 265, 269, 126},
                                             {118, 128, 133, 138, 258, 262, 266, 270, 131},
                                             {119, 129, 134, 139, 259, 263, 267, 271, 136},
                                             {120, 130, 135, 140, 260, 264, 268, 272, 141}};

    // Distinct values for every parameter; one span coefficient and one
    // temperature are written as "0.000E0".
    static CalFileContent Sample()
    {
        CalFileContent c;
        char buf[32];
        for (int t = 0; t < 4; ++t) {
            std::snprintf(buf, sizeof buf, "%.2f", 15.0 + 10.0 * t + 0.25);
            c.Temps[size_t(t)][0] = buf;
            std::snprintf(buf, sizeof buf, "%.2f", 16.0 + 10.0 * t + 0.5);
            c.Temps[size_t(t)][1] = buf;
            std::snprintf(buf, sizeof buf, "%.2f", 758.0 + t + 0.31);
            c.Temps[size_t(t)][2] = buf;
            for (int k = 0; k < 9; ++k) {
                std::vector<std::string>& v = c.Records[kSpanTable[t][k]];
                for (int i = 0; i < 20; ++i) {
                    std::snprintf(buf, sizeof buf, "%.3e", (1.0 + 0.001 * (t * 200 + k * 20 + i)) * (i % 2 ? -1 : 1));
                    v.push_back(buf);
                }
            }
        }
        c.Temps[2][1] = "0.000E0";
        c.Records[128][3] = "0.000E0";
        for (int i = 0; i < 12; ++i) {
            std::snprintf(buf, sizeof buf, "%.4e", 0.0125 * (i + 1));
            c.Records[145].push_back(buf);
        }
        for (int p : {273, 274})
            for (int i = 0; i < 20; ++i) {
                std::snprintf(buf, sizeof buf, "%.5e", (p - 270) * 1.5 + 0.01 * i);
                c.Records[p].push_back(buf);
            }
        return c;
    }

    // The file text. `decorated` adds comment lines, section headers, blank and
    // indented lines and trailing comments, none of which may change what is read.
    std::string Text(bool decorated) const
    {
        std::string s;
        auto comment = [&](const std::string& text) {
            if (decorated)
                s += text + "\r\n";
        };
        auto line = [&](const std::vector<std::string>& values, size_t from, size_t count) {
            s += decorated ? "\t " : "";
            for (size_t i = from; i < from + count; ++i)
                s += values[i] + (decorated ? "  " : " ");
            s += decorated ? "// end of line\r\n" : "\r\n";
        };
        comment("; calibration constants");
        comment("[Serial]");
        s += Serial + (decorated ? " // bench serial\r\n" : "\r\n");
        for (int t = 0; t < 4; ++t) {
            comment("");
            comment("[Temperature " + std::to_string(t) + "]");
            comment("   // cell, detector, pressure");
            line({Temps[size_t(t)].begin(), Temps[size_t(t)].end()}, 0, 3);
            for (int k = 0; k < 9; ++k) {
                comment("// group " + std::to_string(k));
                for (int l = 0; l < 4; ++l)
                    line(Records.at(kSpanTable[t][k]), size_t(l) * 5, 5);
            }
        }
        comment("  [Zero]");
        for (int l = 0; l < 4; ++l)
            line(Records.at(145), size_t(l) * 3, 3);
        comment("/ NH3");
        for (int p : {273, 274})
            for (int l = 0; l < 2; ++l)
                line(Records.at(p), size_t(l) * 10, 10);
        return s;
    }

    // Text the procedure writes for each of the 42 parameters.
    std::map<int, std::string> Expected() const
    {
        std::map<int, std::string> e;
        auto join = [](const std::vector<std::string>& v) {
            std::string s;
            for (size_t i = 0; i < v.size(); ++i)
                s += (i ? "," : "") + (v[i] == "0.000E0" ? std::string("0") : v[i]);
            return s;
        };
        for (const auto& [p, v] : Records)
            e[p] = join(v);
        for (int col = 0; col < 3; ++col) {
            std::string s;
            for (int t = 0; t < 4; ++t)
                s += (t ? "," : "") + Temps[size_t(t)][size_t(col)]; // temperatures as written
            e[col == 0 ? 153 : col == 1 ? 152 : 154] = s;
        }
        return e;
    }
};
