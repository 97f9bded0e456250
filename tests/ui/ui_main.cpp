#include "config/ColorConfig.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The graph reads, and the colour settings write, ColorConfig.ini: never
    // the real user's.
    QTemporaryDir config;
    setAppDataFolderOverride(std::filesystem::path(config.path().toStdString()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
