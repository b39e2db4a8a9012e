#include "service/param_read_back.h"

#include "link/link.h"
#include "service/param_editor_text.h"

ParamReadBack::ParamReadBack(Link& link) : link_(link) { link_.Subscribe(*this); }

ParamReadBack::~ParamReadBack() { link_.Unsubscribe(*this); }

void ParamReadBack::Load(int k, uint16_t number)
{
    if (k < 0 || k > 3)
        return;
    loaded_[size_t(k)] = number;
    link_.Benches[size_t(k)].RequestLoadFlashParameters(number);
}

void ParamReadBack::ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame)
{
    if (kind != ReplyKind::FlashParam || k < 0 || k > 3)
        return;
    if (frame.Code == 0x55) {
        link_.Benches[size_t(k)].RequestReadFlashParameters(loaded_[size_t(k)]);
    } else if (frame.Code == 0x49) {
        // The editor's default of ten columns: the layout only shapes its memo, the text is the reply's.
        lastText_[size_t(k)] = LayOutParamReply(frame.Data.data(), frame.Length, 10).Whole;
        ++reads_[size_t(k)];
    }
}
