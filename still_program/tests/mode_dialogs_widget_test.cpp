// The three number dialogs on screen, offscreen: each opens with its caption
// and texts and the current number, stays open on a refused number (the
// refusal goes through the UI service, which the test records) and closes
// with the number taken.
#include "ModeDialogs.h"
#include "framework/TestUiService.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

struct Seen {
    QString title;
    QStringList labels;
    QString field;
    bool openAfterRefusal = false;
    bool closedAfterTaking = false;
};

void PressOk(QWidget* dialog, const QString& text)
{
    dialog->findChild<QLineEdit*>("number")->setText(text);
    dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// Runs the dialog's widget; once it is up, types `refused` and then `taken`.
Seen Drive(CNumberDialog& dialog, const QString& refused, const QString& taken)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        auto* widget = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!widget)
            return;
        seen.title = widget->windowTitle();
        for (QLabel* label : widget->findChildren<QLabel*>())
            seen.labels << label->text();
        seen.field = widget->findChild<QLineEdit*>("number")->text();
        PressOk(widget, refused);
        seen.openAfterRefusal = widget->isVisible();
        PressOk(widget, taken);
        seen.closedAfterTaking = !widget->isVisible();
        if (!seen.closedAfterTaking)
            widget->reject();
    });
    dialog.BeginModal();
    const int result = dialog.ShowModalWidget();
    dialog.FinishModal();
    EXPECT_EQ(result, seen.closedAfterTaking ? IDOK : IDCANCEL);
    return seen;
}

TEST(ModeDialogWidgets, OpenWithTheirTextsRefuseOutOfRangeAndTakeAGoodNumber)
{
    struct Case {
        std::function<std::unique_ptr<CNumberDialog>()> make;
        QString title;
        QStringList labels;
        QString field;
        QString refused;
        QString message;
        QString taken;
        long value;
    };
    const Case cases[] = {
        {[] { return std::make_unique<CSelfTimerDlg>(nullptr, 10); }, "Self Timer",
         {"Enter a timer delay between 3 and 60 seconds:"}, "10", "2",
         "Please enter an integer between 3 and 60. ", "3", 3},
        {[] { return std::make_unique<CTimedExposureDlg>(nullptr, 3); }, "Timed Exposure",
         {"Keep shutter open for ", "seconds", "Maximum Exposure Time 86,400 seconds (24 hours)"}, "3", "86401",
         "Please enter an integer between 1 and 86400. ", "86400", 86400},
        {[] { return std::make_unique<CMultipleOtherDlg>(nullptr, 1); }, "Multiple Exposure Other",
         {"Enter the number of images to send to the Film Roll (between 1 and 36):"}, "1", "x",
         "Please enter an integer.", "36", 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.toStdString());
        ScopedTestUi ui;
        std::unique_ptr<CNumberDialog> dialog = c.make();
        const Seen seen = Drive(*dialog, c.refused, c.taken);
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.labels, c.labels);
        EXPECT_EQ(seen.field, c.field);
        EXPECT_TRUE(seen.openAfterRefusal);
        EXPECT_TRUE(seen.closedAfterTaking);
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(QString(ui->boxes[0].text.GetString()), c.message);
        EXPECT_EQ(dialog->Value(), c.value);
    }
}

TEST(ModeDialogWidgets, CancelKeepsTheNumber)
{
    ScopedTestUi ui;
    CSelfTimerDlg dialog(nullptr, 10);
    QTimer::singleShot(0, [] {
        auto* widget = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!widget)
            return;
        widget->findChild<QLineEdit*>("number")->setText("30");
        widget->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    dialog.BeginModal();
    EXPECT_EQ(dialog.ShowModalWidget(), IDCANCEL);
    dialog.FinishModal();
    EXPECT_EQ(dialog.Value(), 10);
    EXPECT_TRUE(ui->boxes.empty());
}

}  // namespace

int main(int argc, char** argv)
{
    RegisterSnapvoStrings();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
