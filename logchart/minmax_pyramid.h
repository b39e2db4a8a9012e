#pragma once
#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

// The least and greatest value of a stretch of points; empty when it holds no value.
struct ValueRange {
    float Min = std::numeric_limits<float>::infinity();
    float Max = -std::numeric_limits<float>::infinity();
    bool Empty() const { return !(Min <= Max); }
    // NaN (no value) is left out by the comparisons.
    void Add(float low, float high)
    {
        if (low < Min)
            Min = low;
        if (high > Max)
            Max = high;
    }
    void Add(const ValueRange& r) { Add(r.Min, r.Max); }
};

// Minimum and maximum of a series over any index range in a few dozen steps:
// level 0 holds them per block of kFan points, level 1 per kFan blocks of level
// 0, and so on. A range is read from the points at its ragged ends and from the
// highest level whose blocks fit inside, so a view of millions of points is
// drawn from its true extremes without visiting them. The points themselves
// stay with the caller, who hands them in as two functions (low and high of
// point i: the value twice, or mean - stdev and mean + stdev for a band).
class MinMaxPyramid {
public:
    static constexpr size_t kFan = 16;

    size_t Count() const { return Points; }

    // The series now has `count` points; the points from `changedFrom` on are
    // new or changed (a growing log appends, and rewrites nothing before).
    template <class Low, class High>
    void Update(size_t count, size_t changedFrom, Low low, High high)
    {
        changedFrom = std::min(changedFrom, Points);
        Points = count;
        size_t below = count;                 // items on the level below
        size_t from = changedFrom / kFan;     // first block to recompute
        for (size_t level = 0; below > 1 || level == 0; ++level) {
            const size_t blocks = (below + kFan - 1) / kFan;
            if (Levels.size() <= level)
                Levels.emplace_back();
            std::vector<ValueRange>& out = Levels[level];
            out.resize(blocks);
            for (size_t b = from; b < blocks; ++b) {
                ValueRange r;
                const size_t end = std::min(below, (b + 1) * kFan);
                if (level == 0)
                    for (size_t i = b * kFan; i < end; ++i)
                        r.Add(low(i), high(i));
                else
                    for (size_t i = b * kFan; i < end; ++i)
                        r.Add(Levels[level - 1][i]);
                out[b] = r;
            }
            below = blocks;
            from /= kFan;
            if (blocks <= 1) {
                Levels.resize(level + 1);
                break;
            }
        }
    }

    // Minimum and maximum of points [from, to).
    template <class Low, class High>
    ValueRange Query(size_t from, size_t to, Low low, High high) const
    {
        ValueRange r;
        to = std::min(to, Points);
        if (from >= to)
            return r;
        // Points at the ragged ends, up to the first whole block.
        size_t a = from, b = to;
        const size_t a1 = std::min(b, (a + kFan - 1) / kFan * kFan);
        for (size_t i = a; i < a1; ++i)
            r.Add(low(i), high(i));
        if (a1 >= b)
            return r;
        const size_t b1 = std::max(a1, b / kFan * kFan);
        for (size_t i = b1; i < b; ++i)
            r.Add(low(i), high(i));
        // Whole blocks [a1, b1) in block units, level by level.
        a = a1 / kFan;
        b = b1 / kFan;
        for (size_t level = 0; a < b && level < Levels.size(); ++level) {
            const std::vector<ValueRange>& blocks = Levels[level];
            const size_t an = std::min(b, (a + kFan - 1) / kFan * kFan);
            for (size_t i = a; i < an; ++i)
                r.Add(blocks[i]);
            if (an >= b)
                break;
            const size_t bn = std::max(an, b / kFan * kFan);
            for (size_t i = bn; i < b; ++i)
                r.Add(blocks[i]);
            if (level + 1 == Levels.size()) {
                for (size_t i = an; i < bn; ++i)
                    r.Add(blocks[i]);
                break;
            }
            a = an / kFan;
            b = bn / kFan;
        }
        return r;
    }

    // Bytes held by the levels.
    size_t Bytes() const
    {
        size_t n = 0;
        for (const auto& l : Levels)
            n += l.capacity() * sizeof(ValueRange);
        return n;
    }

private:
    size_t Points = 0;
    std::vector<std::vector<ValueRange>> Levels;
};
