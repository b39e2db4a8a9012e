#include "rows/column_table.h"

namespace {
constexpr CellForm I(int w) { return IntegerForm(w); }
constexpr CellForm F(int w, int d) { return FixedForm(w, d); }
constexpr ColumnPosition kNone{"", "", ""};
} // namespace

const std::array<ColumnGroup, kGroupCount>& ColumnTable()
{
    // The offsets' captions name positions 1 to 4 while their three values stand at positions 0, 2
    // and 3 of a sample row and 0 to 2 of a mean row; the feed names a cell by its position.
    static const std::array<ColumnGroup, kGroupCount> table = {{
        {"Gas concentrations",
         {{{"  CO2 [%]", "CO2", "%"}, {"  Freon[ppm]", "Freon", "ppm"}, {"  O2 [%]", "O2", "%"}, {"  NO [ppm]", "NO", "ppm"},
           kNone, kNone, kNone, kNone}},
         {{"CO2 [%]", F(7, 2), {}, kStdevForm, false},
          {"Freon [ppm]", I(9), F(9, 2), kStdevForm, false},
          {"O2 [%]", F(7, 2), {}, kStdevForm, false},
          {"NO [ppm]", I(6), F(7, 2), kStdevForm, true}}},
        {"Demodulated IR",
         {{{"Dem CO2 ", "Dem CO2", ""}, {"  Freon ", "Freon", ""}, {"    Ref ", "Ref", ""}, kNone, kNone, kNone, kNone, kNone}},
         {{"Dem CO2", I(8), {}, F(0, 6), false},
          {"Dem Freon", I(8), {}, kStdevForm, false},
          {"Dem Ref", I(8), {}, kStdevForm, false}}},
        {"Offset",
         {{{"Offset1", "Offset1", ""}, {"Offset2", "Offset2", ""}, {"Offset3", "Offset3", ""}, {"Offset4", "Offset4", ""},
           kNone, kNone, kNone, kNone}},
         {{"Offset CO2 [0.01 %]", I(7), {}, kStdevForm, false},
          {"Offset Freon [0.01 %]", I(7), {}, kStdevForm, false},
          {"Offset Ref [0.01 %]", I(7), {}, kStdevForm, false}}},
        {"Detector temperatures",
         {{{"DetCel", "DetCel", ""}, {"DetSrc", "DetSrc", ""}, {"Det Freon", "Det Freon", ""}, kNone, kNone, kNone, kNone, kNone}},
         {{"DetCel", I(6), {}, kStdevForm, false},
          {"DetSrc", I(6), {}, kStdevForm, false},
          {"Det Freon", I(6), {}, kStdevForm, false}}},
        {"Ambient temperature",
         {{{"AmbTemp", "AmbTemp", "\xC2\xB0" "C"}, kNone, kNone, kNone, kNone, kNone, kNone, kNone}},
         {{"AmbTemp [degC]", F(6, 1), {}, kStdevForm, false}}},
        {"Pressures",
         {{{" Abs p", "Abs p", "0.1 torr"}, {" Dif p", "Dif p", "0.001 psi"}, kNone, kNone, kNone, kNone, kNone, kNone}},
         {{"Abs p [0.1 torr]", I(6), {}, kStdevForm, false},
          {"Dif p [0.001 psi]", I(6), {}, kStdevForm, false}}},
        {"Ambient pressure",
         {{{" Amb p", "Amb p", "0.1 torr"}, kNone, kNone, kNone, kNone, kNone, kNone, kNone}},
         {{"Amb p [0.1 torr]", I(6), {}, kStdevForm, false}}},
        {"ADC minimum and maximum",
         {{{" Min CO2", "Min CO2", ""}, {" Max CO2", "Max CO2", ""}, {" Min Freon ", "Min Freon", ""}, {" Max Freon ", "Max Freon", ""},
           {" Min Ref", "Min Ref", ""}, {" Max Ref", "Max Ref", ""}, kNone, kNone}},
         {{"Min CO2", I(8), {}, kStdevForm, false},
          {"Max CO2", I(8), {}, kStdevForm, false},
          {"Min Freon", I(8), {}, kStdevForm, false},
          {"Max Freon", I(8), {}, kStdevForm, false},
          {"Min Ref", I(8), {}, kStdevForm, false},
          {"Max Ref", I(8), {}, kStdevForm, false}}},
        {"Raw NO and O2",
         {{{"Raw NO", "Raw NO", ""}, {"Raw O2 ", "Raw O2", ""}, kNone, kNone, kNone, kNone, kNone, kNone}},
         {{"Raw NO", I(6), {}, kStdevForm, false}, {"Raw O2", I(6), {}, kStdevForm, false}}},
        {"PEF", {{{"  PEF ", "PEF", ""}, kNone, kNone, kNone, kNone, kNone, kNone, kNone}}, {{"PEF", F(6, 3), {}, kStdevForm, false}}},
    }};
    return table;
}
