// The widgets of the V4L2 cameras' source and format dialogs: glue over
// CameraControls and CameraFormats, which hold all the logic.
#pragma once

#include "capture/v4l2_controls.h"
#include "capture/v4l2_formats.h"

#include <QWidget>

#include <map>

class QComboBox;
class QLabel;
class QSpinBox;
class QStackedWidget;

namespace capture {

// One editor a control (named "control-<id>"), greyed while read-only or
// owned by an automatic mode; every change goes to the camera at once, and
// all editors then show what the camera reports. "Defaults" resets them.
class CameraControlsPanel : public QWidget {
public:
    explicit CameraControlsPanel(CameraControls& model, QWidget* parent = nullptr);
    // The camera's answer to the last change: empty when it took it.
    QString LastError() const;

private:
    QWidget* MakeEditor(const CameraControl& control);
    void Edited(uint32_t id, int32_t value);
    void ResetToDefaults();
    void Show(bool ok, const std::string& error);
    void Sync();

    CameraControls& m_model;
    std::map<uint32_t, QWidget*> m_editors;
    QLabel* m_error = nullptr;
};

// Pixel format, size and rate, and "Apply", after which the panel shows what
// the driver chose. Ranged sizes are two spin boxes on the range's steps.
class CameraFormatPanel : public QWidget {
public:
    explicit CameraFormatPanel(CameraFormats& model, QWidget* parent = nullptr);
    FormatChoice Choice() const;
    // Shows `choice` as chosen, as near as the lists allow.
    void Select(const FormatChoice& choice);
    // "Apply" goes through `apply` instead of straight to the camera.
    void SetApplier(FormatApplier apply) { m_apply = std::move(apply); }
    // False when the camera refused; the panel's result line says why.
    bool Apply();
    const AppliedFormat& Applied() const { return m_applied; }
    QString Result() const;

private:
    void FillSizes();
    void FillRates();
    FrameSize ChosenSize() const;
    const PixelFormat* ChosenFormat() const;

    CameraFormats& m_model;
    FormatApplier m_apply;
    std::vector<PixelFormat> m_formats;
    AppliedFormat m_applied;
    QComboBox* m_format = nullptr;
    QStackedWidget* m_sizeKind = nullptr;
    QComboBox* m_size = nullptr;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QComboBox* m_rate = nullptr;
    QLabel* m_result = nullptr;
};

}  // namespace capture
