// For benchmarks that run program windows: one Qt application for the whole
// run, offscreen unless the caller chose a platform.
#pragma once

#include <QApplication>

inline void EnsureQtApplication(const char* programName)
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(programName), nullptr};
    // Never destroyed: the windows of every benchmark outlive their runs.
    new QApplication(argc, argv);
}
