#pragma once
// The bench group of a window must leave each button room for its caption.
#include <QRadioButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "ui/common/bench_buttons.h"

inline void ExpectBenchButtonsFit(const BenchButtons& group)
{
    const QWidget* window = group.window();
    EXPECT_TRUE(window->rect().contains(group.geometry())) << window->objectName().toStdString();
    for (const QRadioButton* b : group.BB) {
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->objectName().toStdString();
        EXPECT_GE(b->height(), b->sizeHint().height()) << b->objectName().toStdString();
    }
}
