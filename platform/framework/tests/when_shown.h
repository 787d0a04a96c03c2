// For widget tests: runs a check on a modal dialog window once it is up.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

// Runs `inside` on the dialog window once it is up; `inside` closes it. A
// window that never shows fails the test instead of waiting for ever.
inline void WhenShown(std::function<void(QDialog&)> inside, int triesLeft = 200)
{
    QTimer::singleShot(triesLeft == 200 ? 0 : 10, [inside, triesLeft] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                inside(*d);
                if (d->isVisible()) {
                    ADD_FAILURE() << "the check left the window open";
                    d->reject();
                }
                return;
            }
        if (triesLeft > 0)
            WhenShown(inside, triesLeft - 1);
        else
            ADD_FAILURE() << "no dialog window came up";
    });
}
