// The chooser on screen: one list of formats with OK and Cancel.
#include "audio/sound_format_chooser.h"
#include "framework/UiService.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace audio {

int SoundFormatDialog::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle(QString::fromLocal8Bit(m_title.GetString()));
    auto* layout = new QVBoxLayout(&d);
    auto* list = new QListWidget(&d);
    list->setObjectName("formats");
    for (const WAVEFORMATEX& f : m_formats)
        list->addItem(QString::fromLocal8Bit(SoundFormatText(f).GetString()));
    list->setCurrentRow(m_selection);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    layout->addWidget(buttons);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(m_selection >= 0);
    QObject::connect(list, &QListWidget::currentRowChanged, &d, [this, ok](int row) { ok->setEnabled(Select(row)); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    if (d.exec() != QDialog::Accepted || m_selection < 0)
        return IDCANCEL;
    OnOK();
    return IDOK;
}

}  // namespace audio
