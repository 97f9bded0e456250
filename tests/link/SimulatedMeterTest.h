#pragma once

// A case with the meter simulator on a pseudo-terminal, reached through a
// link in a scratch folder of the case's own and sending a steady 61.5 dB.

#include "link/MeterSimulator.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

class SimulatedMeterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        linkPath = dir.filePath(QStringLiteral("meter"));
        sim.setLinkPath(linkPath);
        sim.setConstantLevel(61.5);
        QString error;
        ASSERT_TRUE(sim.start(&error)) << error.toStdString();
    }
    void TearDown() override { sim.stop(); }

    QTemporaryDir dir;
    QString linkPath;
    MeterSimulator sim;
};
