// The flash parameter list reader on any bytes: every field stays within its bound, every type and
// bank label is one of the list's, and an entry's numbers never leave 0..400.
#include <string_view>

#include "fuzz_check.h"
#include "service/param_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ParameterList list = ParseParamList(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const ParameterItem& item : list) {
        FUZZ_CHECK(item.Name.size() <= kParamFieldMax);
        FUZZ_CHECK(item.ElementsText.size() <= kParamFieldMax);
        FUZZ_CHECK(item.TypeIndex >= 0 && item.TypeIndex < int(std::size(ParamTypeNames)));
        FUZZ_CHECK(item.BankIndex >= 0 && item.BankIndex < int(std::size(ParamBankNames)));
    }
    if (size == 0)
        for (const ParameterItem& item : list)
            FUZZ_CHECK(item.Name.empty() && item.TypeIndex == 0);
    return 0;
}
