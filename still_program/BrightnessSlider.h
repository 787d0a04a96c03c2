// The camera's brightness on a slider, as both programs show it: a move sets
// the camera's brightness, unless the camera keeps its own (automatic
// brightness), when the slider goes back to the camera's value and the user
// is told why; a timer of the view's has the slider follow the camera.
#pragma once

#include "CaptureWnd.h"
#include "framework/Controls.h"

class CBrightnessSlider {
public:
    static constexpr WORD kLowest = 1;
    static constexpr WORD kHighest = 254;

    // `autoBrightnessText` is the string shown when a move is refused.
    CBrightnessSlider(CSliderCtrl& slider, UINT autoBrightnessText);

    // After the slider window exists: its range, and its position and the
    // automatic-brightness state read from `camera` (null: no camera).
    void Attach(CLumivex* camera);
    // The camera's own dialogs may have turned automatic brightness on or off.
    void ReadAutoBrightness();
    WORD AutoBrightness() const { return m_autoBrightness; }
    // The timer's tick: the slider moves to the camera's brightness.
    void Follow();
    // A scroll code the slider sent.
    void OnScroll(UINT code);

private:
    void Show(WORD brightness);

    CSliderCtrl& m_slider;
    UINT m_autoBrightnessText;
    CLumivex* m_camera = nullptr;
    WORD m_autoBrightness = 0;
    // The last brightness the slider showed as the camera's: where it goes
    // back to when a move is refused.
    WORD m_shown = 0;
    bool m_boxUp = false;
};
