// The number dialogs on screen: the prompt, the field and OK / Cancel. OK
// hands the typed text to the dialog's logic, which keeps the dialog open
// when it refuses the number.
#include "ModeDialogs.h"

#include "framework/UiService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

void AddLabel(QBoxLayout* layout, const char* text)
{
    if (text && *text)
        layout->addWidget(new QLabel(QString::fromUtf8(text)));
}

}  // namespace

int CNumberDialog::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle(QString::fromUtf8(m_texts.caption));
    auto* layout = new QVBoxLayout(&d);
    auto* field = new QLineEdit(QString::fromUtf8(FieldText().GetString()), &d);
    field->setObjectName("number");
    field->selectAll();
    const bool unitBeside = *m_texts.unit != '\0';
    auto* row = new QHBoxLayout;
    AddLabel(unitBeside ? static_cast<QBoxLayout*>(row) : layout, m_texts.prompt);
    row->addWidget(field);
    AddLabel(row, m_texts.unit);
    layout->addLayout(row);
    AddLabel(layout, m_texts.note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, [this, &d, field] {
        SetFieldText(field->text().toUtf8().constData());
        OnOK();
        if (IsEnded()) {
            d.accept();
            return;
        }
        field->setFocus();
        field->selectAll();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted)
        return IDCANCEL;
    return IDOK;
}
