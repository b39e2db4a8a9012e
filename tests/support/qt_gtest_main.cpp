#include <QApplication>
#include <gtest/gtest.h>

// Window, port and simulator tests need a QApplication and its event loop,
// never a screen: they run on the offscreen platform unless told otherwise
// (also when CTest lists the tests without the test environment).
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
