// The application object of a window test program.
#pragma once

#include <QApplication>
#include <gtest/gtest.h>

namespace testsupport {

// Created on first use and kept until the process ends: the windows of the
// program are created on first use and live that long too, and tearing the
// application down under them during exit crashes in Qt's thread-local storage.
inline QApplication& application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Creates the application before the first test of the program runs.
class ApplicationEnvironment final : public ::testing::Environment {
public:
    void SetUp() override { application(); }
};

} // namespace testsupport
