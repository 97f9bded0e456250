#include <QCoreApplication>

#include <gtest/gtest.h>

// The link posts its signals to the thread that owns it, so the tests run with
// an application object and pump its events while they wait.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
