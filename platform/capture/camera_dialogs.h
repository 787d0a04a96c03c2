// The cameras' source and format dialogs. Their logic lives here; a widget
// shows them through ShowModalWidget, and tests answer them through the UI
// service.
#pragma once

#include "capture/test_pattern.h"
#include "framework/Dialog.h"

namespace capture {

constexpr UINT IDD_CAMERA_SOURCE = 3101;
constexpr UINT IDD_CAMERA_FORMAT = 3102;

class CameraSourceDialog : public CDialog {
public:
    explicit CameraSourceDialog(CWnd* owner) : CDialog(IDD_CAMERA_SOURCE, owner) {}
    int ShowModalWidget() override;
    TestPatternSettings settings;
};

class CameraFormatDialog : public CDialog {
public:
    explicit CameraFormatDialog(CWnd* owner) : CDialog(IDD_CAMERA_FORMAT, owner) {}
    int ShowModalWidget() override;
    std::vector<SIZE> sizes;
    SIZE size{160, 120};
    WORD bits = 24;
    std::vector<WORD> depths{24, 16, 8, 4};   // the depths the camera offers
};

}  // namespace capture
