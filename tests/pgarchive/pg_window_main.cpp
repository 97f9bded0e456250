#include "config/ColorConfig.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The marks are written in UTC; the readings are on the meter's clock.
    qputenv("TZ", "UTC");
    tzset();
    QApplication app(argc, argv);
    // The windows remember their settings: never in the real user's.
    QTemporaryDir config;
    setAppDataFolderOverride(std::filesystem::path(config.path().toStdString()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
