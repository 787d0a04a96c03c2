// The widgets of the test-pattern camera's dialogs.
#include "capture/camera_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSlider>

namespace capture {

namespace {

QSlider* Slider(int value, QWidget* parent)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(1, 255);
    s->setValue(value);
    return s;
}

void AddButtons(QDialog& d, QFormLayout* form)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    form->addRow(buttons);
}

}  // namespace

int CameraSourceDialog::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Video Source");
    auto* form = new QFormLayout(&d);
    QSlider* brightness = Slider(settings.brightness, &d);
    QSlider* contrast = Slider(settings.contrast, &d);
    auto* automatic = new QCheckBox("Automatic brightness", &d);
    automatic->setChecked(settings.autoBrightness);
    form->addRow("Brightness", brightness);
    form->addRow("Contrast", contrast);
    form->addRow(automatic);
    AddButtons(d, form);
    if (d.exec() != QDialog::Accepted)
        return 2;
    settings.brightness = WORD(brightness->value());
    settings.contrast = WORD(contrast->value());
    settings.autoBrightness = automatic->isChecked();
    return 1;
}

int CameraFormatDialog::ShowModalWidget()
{
    QDialog d;
    d.setWindowTitle("Video Format");
    auto* form = new QFormLayout(&d);
    auto* sizeBox = new QComboBox(&d);
    for (const SIZE& s : sizes) {
        sizeBox->addItem(QString("%1 x %2").arg(s.cx).arg(s.cy));
        if (s.cx == size.cx && s.cy == size.cy)
            sizeBox->setCurrentIndex(sizeBox->count() - 1);
    }
    auto* depthBox = new QComboBox(&d);
    for (WORD depth : depths) {
        const char* name = depth == 24 ? "24-bit RGB" : depth == 16 ? "16-bit RGB 5-5-5" : depth == 8 ? "8-bit palette" : "4-bit 16 greys";
        depthBox->addItem(name, int(depth));
        if (depth == bits)
            depthBox->setCurrentIndex(depthBox->count() - 1);
    }
    form->addRow("Size", sizeBox);
    form->addRow("Depth", depthBox);
    AddButtons(d, form);
    if (d.exec() != QDialog::Accepted || sizeBox->currentIndex() < 0)
        return 2;
    size = sizes[size_t(sizeBox->currentIndex())];
    bits = WORD(depthBox->currentData().toInt());
    return 1;
}

}  // namespace capture
