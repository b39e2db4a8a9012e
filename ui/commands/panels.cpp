#include "ui/commands/panels.h"

namespace Panels {

const PanelDef* Find(uint8_t code)
{
    for (auto list : {BenchPanels(), EngineeringPanels()})
        for (const PanelDef& p : list)
            if (p.Code == code)
                return &p;
    return nullptr;
}

} // namespace Panels
