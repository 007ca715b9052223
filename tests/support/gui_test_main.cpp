// One main for the window tests: a QApplication on the offscreen platform, then GoogleTest.
#include "widgets/windowsettings.h"
#include "catalogue/IO_BZIP.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

// What windows remember between runs goes to a folder of the test run's own, and every test
// starts from none: the user's settings are never read or written.
struct ForgetWindowSettings : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { WindowSettings()->clear(); }
};

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir settings;
    ::setenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    SetDecimalSeparator('.');
    SetZoneBias(0);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new ForgetWindowSettings);
    return RUN_ALL_TESTS();
}
