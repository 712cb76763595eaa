// The main of the program's Qt test executables: a QApplication on the
// offscreen platform (no display needed), then GoogleTest, in a home of its
// own (support/IsolatedHome.h).
#include <gtest/gtest.h>

#include <QApplication>

#include "support/IsolatedHome.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    testing_support::IsolatedHome home;
    int result;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
