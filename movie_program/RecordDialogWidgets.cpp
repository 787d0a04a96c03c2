// The recording dialogs on screen. OK hands the controls' texts to the
// dialog's logic, which keeps the dialog open when it refuses them.
#include "RecordDialogs.h"

#include "framework/UiService.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace {

constexpr const char* kTimeLapsePrompt = "Enter the amount of time to pause before taking another frame:";

QString Text(const CString& text) { return QString::fromUtf8(text.GetString()); }
CString Text(const QString& text) { return CString(text.toUtf8().constData()); }

QLineEdit* NumberField(const CString& text, const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(Text(text), parent);
    field->setObjectName(name);
    field->selectAll();
    return field;
}

// OK runs `accept` (which copies the texts and asks the logic); the dialog
// closes only when the logic ended it, else `field` takes the focus again.
void ConnectOk(QDialogButtonBox* buttons, QDialog& d, CDialog& logic, QLineEdit* field,
               const std::function<void()>& accept)
{
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, [&d, &logic, field, accept] {
        accept();
        if (logic.IsEnded()) {
            d.accept();
            return;
        }
        field->setFocus();
        field->selectAll();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
}

}  // namespace

int CTimeLapseDlg::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Time Lapse");
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(new QLabel(kTimeLapsePrompt));
    auto* row = new QHBoxLayout;
    auto* count = NumberField(countText, "count", &d);
    auto* unit = new QComboBox(&d);
    unit->setObjectName("unit");
    unit->setEditable(true);
    unit->setInsertPolicy(QComboBox::NoInsert);
    for (const char* name : kUnits)
        unit->addItem(name);
    unit->setCurrentText(Text(unitText));
    row->addWidget(count);
    row->addWidget(unit);
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    layout->addWidget(buttons);
    ConnectOk(buttons, d, *this, count, [this, count, unit] {
        countText = Text(count->text());
        unitText = Text(unit->currentText());
        OnOK();
    });
    return d.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

int COtherRateDlg::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Other Frame Rate");
    auto* layout = new QVBoxLayout(&d);
    auto* form = new QFormLayout;
    auto* rate = NumberField(rateText, "rate", &d);
    auto* prompt = new QLabel(kPrompt, &d);
    prompt->setBuddy(rate);
    form->addRow(prompt, rate);
    layout->addLayout(form);
    auto* note = new QLabel(kNote, &d);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, &d);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::helpRequested, &d, [this] { OnHelp(); });
    ConnectOk(buttons, d, *this, rate, [this, rate] {
        rateText = Text(rate->text());
        OnOK();
    });
    return d.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}
