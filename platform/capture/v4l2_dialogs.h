// The V4L2 cameras' source and format dialogs. Their logic lives here over
// the CameraControls and CameraFormats models; the windows around the panels
// are in ShowModalWidget, and tests answer the dialogs through the UI service.
#pragma once

#include "capture/v4l2_controls.h"
#include "capture/v4l2_formats.h"
#include "framework/Dialog.h"

namespace capture {

constexpr UINT IDD_V4L2_SOURCE = 3103;
constexpr UINT IDD_V4L2_FORMAT = 3104;

// Every control changes the camera at once, so the picture shows it while the
// dialog is up; any ending but OK puts back the values the controls had when
// the dialog opened.
class V4l2SourceDialog : public CDialog {
public:
    V4l2SourceDialog(CWnd* owner, CameraControls& controls) : CDialog(IDD_V4L2_SOURCE, owner), controls(controls) {}
    BOOL OnInitDialog() override;
    int DoModal() override;
    int ShowModalWidget() override;

    CameraControls& controls;
    // Why putting the values back was not complete; empty when it was.
    std::string restoreError;

private:
    std::vector<CameraControl> m_opened;
};

// OK puts `choice` into effect through the driver; a refusal is shown and the
// dialog stays. Any ending but an accepted OK puts back the format the camera
// had when the dialog opened, if something else was applied meanwhile.
class V4l2FormatDialog : public CDialog {
public:
    V4l2FormatDialog(CWnd* owner, CameraFormats& model, const FormatChoice& current, FormatApplier apply)
        : CDialog(IDD_V4L2_FORMAT, owner), model(model), choice(current), m_opened(current), m_apply(std::move(apply)) {}
    BOOL OnInitDialog() override;
    void OnOK() override;
    int DoModal() override;
    int ShowModalWidget() override;
    // What "Apply" in the window and OK go through: the driver, remembering
    // that the camera may no longer have the opening format.
    bool Apply(const FormatChoice& wanted, AppliedFormat& result, std::string& why);

    CameraFormats& model;
    std::vector<PixelFormat> formats;   // as the camera listed them on opening
    FormatChoice choice;                // what OK applies; the current format on opening
    AppliedFormat applied;              // what the driver made of the last choice applied
    std::string error;                  // the last refusal

private:
    FormatChoice m_opened;
    FormatApplier m_apply;
    bool m_changed = false;
    bool m_accepted = false;
};

}  // namespace capture
