#pragma once
// A listener a test subscribes to a link, answering through plain functions. Leave() it before the
// link goes (a fixture's TearDown, before the window that owns the link is deleted).
#include <functional>
#include <string>

#include "link/link.h"

struct LinkSpy : LinkListener {
    std::function<void(int, ReplyKind, const RxFrame&)> Decoded;
    std::function<void(int, const std::string&, bool)> Status;

    void Join(Link& link)
    {
        Leave();
        on_ = &link;
        link.Subscribe(*this);
    }
    void Leave()
    {
        if (on_)
            on_->Unsubscribe(*this);
        on_ = nullptr;
    }
    ~LinkSpy() override { Leave(); }

    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override
    {
        if (Decoded)
            Decoded(k, kind, frame);
    }
    void StatusShown(int k, const std::string& text, bool error) override
    {
        if (Status)
            Status(k, text, error);
    }

private:
    Link* on_ = nullptr;
};
