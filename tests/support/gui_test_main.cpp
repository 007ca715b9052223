// One main for the window tests: a QApplication on the offscreen platform, then GoogleTest.
#include "catalogue/IO_BZIP.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    SetDecimalSeparator('.');
    SetZoneBias(0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
