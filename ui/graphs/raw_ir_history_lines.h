#pragma once
#include <QString>
#include <deque>

// The lines of the raw IR history list: the log header and first data line
// stay, the newest lines follow. Once the list holds more than Limit lines,
// each new line first removes the line at index 2.
struct RawIrHistoryLines {
    static constexpr size_t Limit = 150;
    std::deque<QString> Lines;

    void Clear() { Lines.clear(); }
    void Add(const QString& line)
    {
        if (Lines.size() > Limit)
            Lines.erase(Lines.begin() + 2);
        Lines.push_back(line);
    }
};
