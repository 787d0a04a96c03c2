// The recording dialogs on screen, offscreen: each opens on the values given,
// stays open on a refused entry (the refusal goes through the UI service,
// which the test records) and closes with the entry taken.
#include "RecordDialogs.h"
#include "resource.h"

#include "framework/TestUiService.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

QDialog* ActiveDialog() { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); }

void Press(QDialog* dialog, QDialogButtonBox::StandardButton button)
{
    dialog->findChild<QDialogButtonBox*>()->button(button)->click();
}

// Runs the dialog's widget and `user` once it is up; a dialog the user left
// open is cancelled.
int RunAsUser(CDialog& dialog, const std::function<void(QDialog*)>& user)
{
    QTimer::singleShot(0, [&] {
        QDialog* widget = ActiveDialog();
        if (!widget)
            return;
        user(widget);
        if (widget->isVisible())
            widget->reject();
    });
    dialog.BeginModal();
    const int result = dialog.ShowModalWidget();
    dialog.FinishModal();
    return result;
}

TEST(RecordDialogWidgets, TimeLapseRefusesACountOutsideOneToSixtyAndTakesTheUnitChosen)
{
    struct Case {
        const char* refused;
        const char* taken;
        int unitIndex;
        DWORD count;
        const char* unit;
    };
    for (const Case& c : {Case{"0", "2", 1, 2, "Minutes"}, Case{"61", "60", 2, 60, "Hours"}}) {
        SCOPED_TRACE(c.refused);
        ScopedTestUi ui;
        CTimeLapseDlg dialog(nullptr, 5, "HOURS");
        QString openedCount, openedUnit;
        QStringList units;
        bool openAfterRefusal = false;
        const int result = RunAsUser(dialog, [&](QDialog* d) {
            auto* count = d->findChild<QLineEdit*>("count");
            auto* unit = d->findChild<QComboBox*>("unit");
            openedCount = count->text();
            openedUnit = unit->currentText();
            for (int i = 0; i < unit->count(); ++i)
                units << unit->itemText(i);
            count->setText(c.refused);
            Press(d, QDialogButtonBox::Ok);
            openAfterRefusal = d->isVisible();
            count->setText(c.taken);
            unit->setCurrentIndex(c.unitIndex);
            Press(d, QDialogButtonBox::Ok);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(openedCount, "5");
        EXPECT_EQ(openedUnit, "Hours");
        EXPECT_EQ(units, (QStringList{"Seconds", "Minutes", "Hours"}));
        EXPECT_TRUE(openAfterRefusal);
        ASSERT_EQ(ui->boxes.size(), 1u);
        EXPECT_EQ(ui->boxes[0].text, "Please enter a number between 1 and 60.");
        EXPECT_EQ(dialog.Count(), c.count);
        EXPECT_EQ(dialog.Unit(), c.unit);
    }
}

// The unit box takes typing; what it holds goes to the dialog's logic as typed.
TEST(RecordDialogWidgets, TimeLapseHandsATypedUnitOn)
{
    ScopedTestUi ui;
    CTimeLapseDlg dialog(nullptr, 5, "Seconds");
    const int result = RunAsUser(dialog, [](QDialog* d) {
        d->findChild<QComboBox*>("unit")->setEditText("Fortnights");
        Press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.Unit(), "Fortnights");
}

TEST(RecordDialogWidgets, OtherRateRefusesThirtyOneTakesTwoAndOpensHelp)
{
    ScopedTestUi ui;
    COtherRateDlg dialog(nullptr, 10);
    QString opened;
    QStringList labels;
    bool openAfterRefusal = false;
    const int result = RunAsUser(dialog, [&](QDialog* d) {
        auto* rate = d->findChild<QLineEdit*>("rate");
        opened = rate->text();
        for (QLabel* label : d->findChildren<QLabel*>())
            labels << label->text();
        Press(d, QDialogButtonBox::Help);
        rate->setText("31");
        Press(d, QDialogButtonBox::Ok);
        openAfterRefusal = d->isVisible();
        rate->setText("2");
        Press(d, QDialogButtonBox::Ok);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(opened, "10");
    EXPECT_EQ(labels, (QStringList{COtherRateDlg::kPrompt, COtherRateDlg::kNote}));
    EXPECT_TRUE(openAfterRefusal);
    ASSERT_EQ(ui->boxes.size(), 1u);
    EXPECT_EQ(ui->boxes[0].text, "Please enter a number between 1 and 30.");
    ASSERT_EQ(ui->helpCalls.size(), 1u);
    EXPECT_EQ(ui->helpCalls[0].data, 24u);
    EXPECT_EQ(dialog.Fps(), 2);
}

TEST(RecordDialogWidgets, CancelKeepsWhatWasThere)
{
    ScopedTestUi ui;
    COtherRateDlg rate(nullptr, 10);
    EXPECT_EQ(RunAsUser(rate,
                  [](QDialog* d) {
                      d->findChild<QLineEdit*>("rate")->setText("3");
                      Press(d, QDialogButtonBox::Cancel);
                  }),
              IDCANCEL);
    EXPECT_EQ(rate.Fps(), 10);
    CTimeLapseDlg lapse(nullptr, 5, "Minutes");
    EXPECT_EQ(RunAsUser(lapse,
                  [](QDialog* d) {
                      d->findChild<QLineEdit*>("count")->setText("3");
                      Press(d, QDialogButtonBox::Cancel);
                  }),
              IDCANCEL);
    EXPECT_EQ(lapse.Count(), 5u);
    EXPECT_EQ(lapse.Unit(), "Minutes");
    EXPECT_TRUE(ui->boxes.empty());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    RegisterReelixStrings();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
