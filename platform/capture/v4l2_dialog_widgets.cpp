#include "capture/v4l2_dialog_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace capture {

namespace {

bool Editable(const CameraControl& c) { return !c.ReadOnly() && !c.Inactive() && !c.Grabbed(); }

QString EditorName(uint32_t id) { return QString("control-%1").arg(id); }

void ShowValue(QWidget* editor, const CameraControl& c)
{
    const QSignalBlocker quiet(editor);
    if (auto* slider = qobject_cast<QSlider*>(editor))
        slider->setValue(c.value);
    else if (auto* box = qobject_cast<QCheckBox*>(editor))
        box->setChecked(c.value != 0);
    else if (auto* menu = qobject_cast<QComboBox*>(editor))
        menu->setCurrentIndex(menu->findData(c.value));
    editor->setEnabled(Editable(c));
}

QString RateText(FrameInterval i)
{
    return QString("%1 frames a second").arg(double(i.denominator) / i.numerator, 0, 'g', 4);
}

}  // namespace

CameraControlsPanel::CameraControlsPanel(CameraControls& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* form = new QFormLayout(this);
    for (const CameraControl& c : m_model.Controls())
        form->addRow(QString::fromStdString(c.name), MakeEditor(c));
    auto* reset = new QPushButton("Defaults", this);
    reset->setObjectName("defaults");
    connect(reset, &QPushButton::clicked, this, &CameraControlsPanel::ResetToDefaults);
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    form->addRow(reset);
    form->addRow(m_error);
    Sync();
}

QWidget* CameraControlsPanel::MakeEditor(const CameraControl& c)
{
    QWidget* editor = nullptr;
    const uint32_t id = c.id;
    switch (c.kind) {
    case ControlKind::Integer: {
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(c.minimum, c.maximum);
        slider->setSingleStep(c.step);
        slider->setPageStep(c.step * 8);
        connect(slider, &QSlider::valueChanged, this, [this, id](int v) { Edited(id, v); });
        editor = slider;
        break;
    }
    case ControlKind::Boolean: {
        auto* box = new QCheckBox(this);
        connect(box, &QCheckBox::toggled, this, [this, id](bool on) { Edited(id, on ? 1 : 0); });
        editor = box;
        break;
    }
    case ControlKind::Menu:
    case ControlKind::IntegerMenu: {
        auto* menu = new QComboBox(this);
        for (const ControlMenuItem& item : c.items)
            menu->addItem(QString::fromStdString(item.name), item.index);
        connect(menu, &QComboBox::activated, this, [this, id, menu](int i) { Edited(id, menu->itemData(i).toInt()); });
        editor = menu;
        break;
    }
    case ControlKind::Button: {
        auto* button = new QPushButton(QString::fromStdString(c.name), this);
        connect(button, &QPushButton::clicked, this, [this, id] { Edited(id, 1); });
        editor = button;
        break;
    }
    }
    editor->setObjectName(EditorName(id));
    m_editors[id] = editor;
    return editor;
}

void CameraControlsPanel::Edited(uint32_t id, int32_t value)
{
    std::string error;
    const bool ok = m_model.Set(id, value, error);
    Show(ok, error);
}

void CameraControlsPanel::ResetToDefaults()
{
    std::string error;
    const bool ok = m_model.ResetToDefaults(error);
    Show(ok, error);
}

void CameraControlsPanel::Show(bool ok, const std::string& error)
{
    m_error->setText(ok ? QString() : QString::fromStdString(error));
    Sync();
}

QString CameraControlsPanel::LastError() const { return m_error->text(); }

void CameraControlsPanel::Sync()
{
    for (auto& [id, editor] : m_editors) {
        const CameraControl* c = m_model.Find(id);
        if (c)
            ShowValue(editor, *c);
        else
            editor->setEnabled(false);   // the camera no longer answers for it
    }
}

CameraFormatPanel::CameraFormatPanel(CameraFormats& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_formats(model.List())
{
    auto* form = new QFormLayout(this);
    m_format = new QComboBox(this);
    m_format->setObjectName("format");
    for (const PixelFormat& f : m_formats)
        m_format->addItem(QString("%1 (%2)").arg(QString::fromStdString(f.description),
                                                 QString::fromStdString(FourccText(f.fourcc))));
    m_sizeKind = new QStackedWidget(this);
    m_size = new QComboBox(m_sizeKind);
    m_size->setObjectName("size");
    auto* range = new QWidget(m_sizeKind);
    auto* row = new QHBoxLayout(range);
    m_width = new QSpinBox(range);
    m_width->setObjectName("width");
    m_height = new QSpinBox(range);
    m_height->setObjectName("height");
    row->addWidget(m_width);
    row->addWidget(new QLabel("x", range));
    row->addWidget(m_height);
    m_sizeKind->addWidget(m_size);
    m_sizeKind->addWidget(range);
    m_rate = new QComboBox(this);
    m_rate->setObjectName("rate");
    auto* apply = new QPushButton("Apply", this);
    apply->setObjectName("apply");
    m_result = new QLabel(this);
    m_result->setWordWrap(true);
    form->addRow("Format", m_format);
    form->addRow("Size", m_sizeKind);
    form->addRow("Rate", m_rate);
    form->addRow(apply);
    form->addRow(m_result);
    connect(m_format, &QComboBox::currentIndexChanged, this, &CameraFormatPanel::FillSizes);
    connect(m_size, &QComboBox::currentIndexChanged, this, &CameraFormatPanel::FillRates);
    connect(m_width, &QSpinBox::editingFinished, this, &CameraFormatPanel::FillRates);
    connect(m_height, &QSpinBox::editingFinished, this, &CameraFormatPanel::FillRates);
    connect(apply, &QPushButton::clicked, this, &CameraFormatPanel::Apply);
    FillSizes();
}

const PixelFormat* CameraFormatPanel::ChosenFormat() const
{
    const int i = m_format->currentIndex();
    return i < 0 ? nullptr : &m_formats[size_t(i)];
}

void CameraFormatPanel::FillSizes()
{
    const PixelFormat* f = ChosenFormat();
    {
        const QSignalBlocker quiet(m_size);
        m_size->clear();
        if (f)
            for (const FrameSize& s : f->sizes.discrete)
                m_size->addItem(QString("%1 x %2").arg(s.width).arg(s.height));
    }
    const bool ranged = f && f->sizes.ranged;
    if (ranged) {
        const FrameSizes& r = f->sizes;
        m_width->setRange(int(std::min<uint32_t>(r.minimum.width, INT32_MAX)), int(std::min<uint32_t>(r.maximum.width, INT32_MAX)));
        m_width->setSingleStep(int(std::min<uint32_t>(r.step.width, INT32_MAX)));
        m_height->setRange(int(std::min<uint32_t>(r.minimum.height, INT32_MAX)), int(std::min<uint32_t>(r.maximum.height, INT32_MAX)));
        m_height->setSingleStep(int(std::min<uint32_t>(r.step.height, INT32_MAX)));
    }
    m_sizeKind->setCurrentIndex(ranged ? 1 : 0);
    FillRates();
}

FrameSize CameraFormatPanel::ChosenSize() const
{
    const PixelFormat* f = ChosenFormat();
    if (!f)
        return {};
    if (f->sizes.ranged)
        return NearestSize(f->sizes, {uint32_t(m_width->value()), uint32_t(m_height->value())});
    const int i = m_size->currentIndex();
    return i < 0 ? FrameSize{} : f->sizes.discrete[size_t(i)];
}

void CameraFormatPanel::FillRates()
{
    m_rate->clear();
    m_rate->addItem("As the camera has it", QVariant::fromValue(QPoint(0, 0)));
    const PixelFormat* f = ChosenFormat();
    if (!f)
        return;
    for (const FrameInterval& i : m_model.Intervals(f->fourcc, ChosenSize()).discrete)
        m_rate->addItem(RateText(i), QVariant::fromValue(QPoint(int(i.numerator), int(i.denominator))));
}

FormatChoice CameraFormatPanel::Choice() const
{
    const PixelFormat* f = ChosenFormat();
    const QPoint rate = m_rate->currentData().toPoint();
    return {f ? f->fourcc : 0, ChosenSize(), {uint32_t(rate.x()), uint32_t(rate.y())}};
}

void CameraFormatPanel::Select(const FormatChoice& choice)
{
    auto f = std::find_if(m_formats.begin(), m_formats.end(), [&](const PixelFormat& p) { return p.fourcc == choice.fourcc; });
    if (f == m_formats.end())
        return;
    m_format->setCurrentIndex(int(f - m_formats.begin()));
    if (f->sizes.ranged) {
        const FrameSize s = NearestSize(f->sizes, choice.size);
        m_width->setValue(int(std::min<uint32_t>(s.width, INT32_MAX)));
        m_height->setValue(int(std::min<uint32_t>(s.height, INT32_MAX)));
        FillRates();
    } else {
        auto s = std::find(f->sizes.discrete.begin(), f->sizes.discrete.end(), choice.size);
        if (s != f->sizes.discrete.end())
            m_size->setCurrentIndex(int(s - f->sizes.discrete.begin()));
    }
    const int rate = m_rate->findData(QVariant::fromValue(QPoint(int(choice.interval.numerator), int(choice.interval.denominator))));
    if (rate >= 0)
        m_rate->setCurrentIndex(rate);
}

bool CameraFormatPanel::Apply()
{
    std::string error;
    const bool ok = m_apply ? m_apply(Choice(), m_applied, error) : m_model.Apply(Choice(), m_applied, error);
    if (!ok) {
        m_result->setText(QString::fromStdString(error));
        return false;
    }
    const FormatChoice& c = m_applied.chosen;
    QString text = QString("The camera chose %1, %2 x %3")
                       .arg(QString::fromStdString(FourccText(c.fourcc))).arg(c.size.width).arg(c.size.height);
    if (c.interval.numerator > 0 && c.interval.denominator > 0)
        text += ", " + RateText(c.interval);
    m_result->setText(text + ".");
    return true;
}

QString CameraFormatPanel::Result() const { return m_result->text(); }

}  // namespace capture
