// The auto-capture dialogs' widgets and the time button on screen, offscreen:
// they open with their controls, follow the dialog's rules and answer keys.
#include "AutoCaptureDialogs.h"
#include "TimeButtonWidget.h"
#include "framework/TestUiService.h"
#include "resource.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class AutoCaptureWidgets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSnapvoStrings(); }

    // Runs `inspect` on the dialog once it is up, then cancels it.
    static void WhileShown(const std::function<void(QDialog&)>& inspect)
    {
        QTimer::singleShot(0, [inspect] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            inspect(*dialog);
            dialog->reject();
        });
    }

    template <class W>
    static W* Find(QDialog& d, const char* name)
    {
        W* w = d.findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    static void Key(QWidget* w, int key, const QString& text = QString())
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(w, &press);
    }

    // One application a test, gone before the process exits: Qt's input
    // devices do not survive being torn down by static destructors.
    static inline int argc = 1;
    static inline char name[] = "snapvo_dialogs_test";
    static inline char* argv[] = {name, nullptr};
    QApplication app{argc, argv};
    ScopedTestUi ui;
};

TEST_F(AutoCaptureWidgets, OptionsDialogShowsTheDialogState)
{
    CAutoCaptureSchedule schedule;
    schedule.fileSeries = FALSE;
    schedule.incrementName = "Garden";
    CAutoCaptureDlg logic(schedule);
    bool inspected = false;
    WhileShown([&](QDialog& d) {
        inspected = true;
        EXPECT_EQ(d.windowTitle(), "Auto Capture Options");
        EXPECT_EQ(d.font().weight(), QFont::Normal);
        auto* list = Find<QComboBox>(d, "intervalList");
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count(), 5);
        EXPECT_EQ(list->currentIndex(), 1);
        EXPECT_EQ(list->itemText(4), "Other...");
        auto* increment = Find<QLineEdit>(d, "increment");
        auto* series = Find<QCheckBox>(d, "series");
        ASSERT_TRUE(increment && series);
        EXPECT_EQ(increment->text(), "Garden");
        EXPECT_FALSE(increment->isEnabled());
        series->setChecked(true);
        EXPECT_TRUE(increment->isEnabled());
        EXPECT_TRUE(logic.series);

        // A refused character is dropped with a beep; a good one goes in.
        increment->setFocus();
        increment->end(false);
        Key(increment, Qt::Key_Period, ".");
        EXPECT_EQ(increment->text(), "Garden");
        EXPECT_EQ(ui->beeps.size(), 1u);
        Key(increment, Qt::Key_2, "2");
        EXPECT_EQ(increment->text(), "Garden2");
        EXPECT_EQ(logic.incrementName, "Garden2");

        // OK with a name in no folder: the message, and the name selected for retyping.
        auto* latest = Find<QLineEdit>(d, "latestImage");
        ASSERT_NE(latest, nullptr);
        EXPECT_EQ(latest->maxLength(), kAutoCaptureEditLimit);
        latest->selectAll();
        latest->insert("/no/such/folder/latest.bmp");
        EXPECT_EQ(logic.latestImageName, "/no/such/folder/latest.bmp");
        Find<QPushButton>(d, "ok")->click();
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].text, "Invalid file name specified for latest image.");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(latest->selectedText(), latest->text());
    });
    EXPECT_EQ(logic.ShowModalWidget(), IDCANCEL);
    EXPECT_TRUE(inspected);
}

TEST_F(AutoCaptureWidgets, OtherDialogEnablesTheWindowAndEndDate)
{
    CAutoCaptureSchedule schedule;
    schedule.allDay = TRUE;
    schedule.useEnd = FALSE;
    CAutoCaptureOtherDlg logic(schedule);
    bool inspected = false;
    WhileShown([&](QDialog& d) {
        inspected = true;
        EXPECT_EQ(d.windowTitle(), "Auto-Capture Options:");
        auto* beginTime = Find<QtTimeButton>(d, "beginTime");
        auto* endDate = Find<QtTimeButton>(d, "endDate");
        auto* specific = Find<QRadioButton>(d, "specific");
        auto* until = Find<QCheckBox>(d, "until");
        ASSERT_TRUE(beginTime && endDate && specific && until);
        EXPECT_FALSE(beginTime->isEnabled());
        EXPECT_FALSE(endDate->isEnabled());
        specific->setChecked(true);
        until->setChecked(true);
        EXPECT_TRUE(beginTime->isEnabled());
        EXPECT_TRUE(endDate->isEnabled());
        EXPECT_FALSE(logic.allDay);
        EXPECT_TRUE(logic.useEnd);
        EXPECT_EQ(Find<QComboBox>(d, "unit")->count(), 3);
    });
    EXPECT_EQ(logic.ShowModalWidget(), IDCANCEL);
    EXPECT_TRUE(inspected);
}

TEST_F(AutoCaptureWidgets, TimeButtonStepsWithKeysAndWheel)
{
    CTimeButton button(TimeLayout::Time, CTime(2026, 5, 10, 9, 59, 0));
    QtTimeButton widget(button);
    widget.resize(widget.sizeHint());
    EXPECT_GE(widget.sizeHint().width(), widget.fontMetrics().horizontalAdvance("09:59AM"));

    Key(&widget, Qt::Key_Right);
    EXPECT_EQ(button.SelectedField(), TimeField::Minute);
    Key(&widget, Qt::Key_Up);
    EXPECT_EQ(button.Text(), "09:00AM");
    Key(&widget, Qt::Key_Minus, "-");
    EXPECT_EQ(button.Text(), "09:59AM");
    Key(&widget, Qt::Key_Right);
    Key(&widget, Qt::Key_Plus, "+");
    EXPECT_EQ(button.Text(), "09:59PM");
    Key(&widget, Qt::Key_Left);
    Key(&widget, Qt::Key_Left);
    Key(&widget, Qt::Key_Down);
    EXPECT_EQ(button.Text(), "08:59PM");

    QWheelEvent wheel(QPointF(2, 2), QPointF(2, 2), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &wheel);
    EXPECT_EQ(button.Text(), "09:59PM");
}

} // namespace
