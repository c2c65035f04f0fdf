#include "tests/support/MessageBoxes.h"

#include <QApplication>
#include <gtest/gtest.h>

// Every test runs inside a widget application on the offscreen platform, so windows, timers
// and the bus behave as they do in the program.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ovento::test::PassOverMessageBoxes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
