#pragma once
#include "ui/commands/panel_view.h"

// Placement of the pool controls: a label at x = 16 and a field at x = 176
// (x = 150 and 210 for narrow byte fields), rows 24 pixels apart from y = 16.
namespace PanelLayout {

constexpr int kLabelX = 16;
constexpr int kFieldX = 176;
constexpr int kNarrowX1 = 150;
constexpr int kNarrowX2 = 210;
constexpr int kNarrowWidth = 50;
constexpr int kFieldWidth = 150;
constexpr int kRowHeight = 21;

constexpr int RowY(int row) { return 16 + 24 * row; }

inline void Label(PanelView& v, int n, const QString& caption, int x, int y, int width = 158)
{
    v.L(n) = PanelLabel{true, caption, QRect(x, y, width, kRowHeight)};
}

inline void Edit(PanelView& v, int n, const QString& text, int x, int y, int width = kFieldWidth)
{
    v.E(n) = PanelEdit{true, text, QRect(x, y, width, kRowHeight)};
}

// A label with its field on one row.
inline void Row(PanelView& v, int label, const QString& caption, int edit, const QString& text, int y)
{
    Label(v, label, caption, kLabelX, y);
    Edit(v, edit, text, kFieldX, y);
}

// The same with its field further right, for captions longer than the usual label column.
constexpr int kWideFieldX = 226;
inline void WideRow(PanelView& v, int label, const QString& caption, int edit, const QString& text, int y)
{
    Label(v, label, caption, kLabelX, y, kWideFieldX - kLabelX - 8);
    Edit(v, edit, text, kWideFieldX, y);
}

inline void Check(PanelView& v, int n, const QString& caption, bool checked, int x, int y, int width = 60)
{
    v.C(n) = PanelCheck{true, caption, checked, QRect(x, y, width, kRowHeight)};
}

// Height of a radio group holding the items in the given columns.
inline int RadioHeight(int items, int columns)
{
    const int rows = (items + columns - 1) / (columns > 0 ? columns : 1);
    return 22 + 22 * rows;
}

inline void Radio(PanelView& v, int n, const QString& caption, const QStringList& items, int columns, int selected,
                  int x, int y, int width = 300, int height = 0)
{
    v.R(n) = PanelRadioGroup{true, caption, items, columns, selected,
                             QRect(x, y, width, height > 0 ? height : RadioHeight(int(items.size()), columns))};
}

// Bottom of radio group n, for the row placed below it.
inline int Below(const PanelView& v, int n) { return v.R(n).Geometry.bottom() + 8; }

inline void ProcessStateRow(PanelView& v)
{
    v.InProgVisible = true;
    v.InProgText.clear();
}

// Position of the selected item, kept within the group's items.
inline int Selection(const PanelRadioGroup& g)
{
    if (g.Selected < 0 || g.Selected >= g.Items.size())
        return 0;
    return g.Selected;
}

} // namespace PanelLayout
