// The window of the save-options dialog: the compressor list, then the
// settings, each enabled only when the chosen compressor takes it.
#include "movie/save_options_dialog.h"

#include "framework/UiService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>

namespace movie {

namespace {

// The controls, named so that tests can find them.
struct OptionControls {
    QComboBox* compressor;
    QSlider* quality;
    QLabel* qualityValue;
    QCheckBox* keyFrames;
    QSpinBox* keyFrameEvery;
    QCheckBox* dataRate;
    QSpinBox* kilobytes;
};

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(name);
    return widget;
}

QWidget* Row(QWidget* first, QWidget* second, const char* unit)
{
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(first);
    line->addWidget(second);
    line->addWidget(new QLabel(unit));
    return row;
}

OptionControls AddControls(QDialog& window, QFormLayout* form, const SaveOptionsDialog& dialog)
{
    OptionControls c{Named(new QComboBox, "compressor"),        Named(new QSlider(Qt::Horizontal), "quality"),
                     new QLabel,                                Named(new QCheckBox("&Key frame every"), "keyframes"),
                     Named(new QSpinBox, "keyframe-every"),     Named(new QCheckBox("&Data rate"), "datarate"),
                     Named(new QSpinBox, "kilobytes")};
    for (const Compressor& compressor : dialog.Compressors())
        c.compressor->addItem(QString::fromStdString(compressor.name));
    c.quality->setRange(0, 100);
    c.keyFrameEvery->setRange(1, 9999);
    c.kilobytes->setRange(1, 999999);
    form->addRow("Pictures:", new QLabel(QString::fromStdString(dialog.Describe())));
    form->addRow("&Compressor:", c.compressor);
    form->addRow("Compression &quality:", Row(c.quality, c.qualityValue, "%"));
    form->addRow(Row(c.keyFrames, c.keyFrameEvery, "frames"));
    form->addRow(Row(c.dataRate, c.kilobytes, "KB/sec"));
    return c;
}

void ShowValues(const OptionControls& c, const SaveOptionsDialog& dialog)
{
    c.compressor->setCurrentIndex(int(dialog.chosen));
    c.quality->setValue(dialog.qualityPercent);
    c.qualityValue->setNum(dialog.qualityPercent);
    c.keyFrames->setChecked(dialog.keyFramesOn);
    c.keyFrameEvery->setValue(int(std::min<uint32_t>(dialog.keyFrameEvery, 9999)));
    c.dataRate->setChecked(dialog.dataRateOn);
    c.kilobytes->setValue(int(std::min<uint32_t>(dialog.kilobytesPerSecond, 999999)));
}

void EnableFor(const OptionControls& c, const CompressorSettings& takes)
{
    c.quality->setEnabled(takes.quality);
    c.keyFrames->setEnabled(takes.keyFrames);
    c.keyFrameEvery->setEnabled(takes.keyFrames && c.keyFrames->isChecked());
    c.dataRate->setEnabled(takes.dataRate);
    c.kilobytes->setEnabled(takes.dataRate && c.dataRate->isChecked());
}

void ReadValues(const OptionControls& c, SaveOptionsDialog& dialog)
{
    dialog.chosen = size_t(std::max(0, c.compressor->currentIndex()));
    dialog.qualityPercent = c.quality->value();
    dialog.keyFramesOn = c.keyFrames->isChecked();
    dialog.keyFrameEvery = uint32_t(c.keyFrameEvery->value());
    dialog.dataRateOn = c.dataRate->isChecked();
    dialog.kilobytesPerSecond = uint32_t(c.kilobytes->value());
}

}  // namespace

int SaveOptionsDialog::ShowModalWidget()
{
    QDialog window;
    window.setWindowTitle("Video Compression");
    auto* form = new QFormLayout(&window);
    const OptionControls c = AddControls(window, form, *this);
    ShowValues(c, *this);
    auto refresh = [this, c] {
        ReadValues(c, *this);
        c.qualityValue->setNum(qualityPercent);
        EnableFor(c, Settings());
    };
    refresh();
    QObject::connect(c.compressor, &QComboBox::currentIndexChanged, &window, refresh);
    QObject::connect(c.quality, &QSlider::valueChanged, &window, refresh);
    QObject::connect(c.keyFrames, &QCheckBox::toggled, &window, refresh);
    QObject::connect(c.dataRate, &QCheckBox::toggled, &window, refresh);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, [this, c, &window] {
        ReadValues(c, *this);
        OnOK();
        if (IsEnded())
            window.accept();
    });
    return window.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

}  // namespace movie
