// The application object of a test program that paints into images without
// any window: text needs fonts, and fonts need a QGuiApplication, which the
// offscreen platform gives without a display.
#pragma once

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace testsupport {

// Created on first use and kept until the process ends.
inline QGuiApplication& guiApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "logic_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return *app;
}

// Creates the application before the first test of the program runs.
class GuiApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { guiApplication(); }
};

} // namespace testsupport
