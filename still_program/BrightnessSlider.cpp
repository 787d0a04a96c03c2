#include "BrightnessSlider.h"

#include "framework/UiService.h"

namespace {

// 0 and 255 are not brightnesses a user picks with the slider.
bool Showable(WORD brightness)
{
    return brightness >= CBrightnessSlider::kLowest && brightness <= CBrightnessSlider::kHighest;
}

// The moves that change the brightness; the end of a drag (TB_THUMBPOSITION)
// repeats the last move and TB_TOP is not a brightness anyone picks.
bool MovesBrightness(UINT code)
{
    switch (code) {
    case TB_LINEUP:
    case TB_LINEDOWN:
    case TB_PAGEUP:
    case TB_PAGEDOWN:
    case TB_THUMBTRACK:
    case TB_BOTTOM: return true;
    default: return false;
    }
}

}  // namespace

CBrightnessSlider::CBrightnessSlider(CSliderCtrl& slider, UINT autoBrightnessText)
    : m_slider(slider), m_autoBrightnessText(autoBrightnessText)
{
}

void CBrightnessSlider::Attach(CLumivex* camera)
{
    m_camera = camera;
    m_slider.SetRange(kLowest, kHighest);
    m_shown = WORD(m_slider.GetPos());
    if (!m_camera)
        return;
    Show(m_camera->GetBrightness());
    ReadAutoBrightness();
}

void CBrightnessSlider::ReadAutoBrightness()
{
    if (m_camera)
        m_autoBrightness = m_camera->GetAutoBrightness();
}

void CBrightnessSlider::Show(WORD brightness)
{
    if (Showable(brightness))
        m_shown = brightness;
    m_slider.SetPos(m_shown);
}

void CBrightnessSlider::Follow()
{
    if (!m_camera)
        return;
    const WORD brightness = m_camera->GetBrightness();
    if (Showable(brightness) && brightness != m_slider.GetPos())
        Show(brightness);
}

void CBrightnessSlider::OnScroll(UINT code)
{
    if (!m_camera || !MovesBrightness(code))
        return;
    // An open shutter holds the camera at full brightness until it closes
    // and then puts the old value back: a move now would spoil the exposure.
    if (m_camera->IsExposing()) {
        m_slider.SetPos(m_shown);
        return;
    }
    if (!m_autoBrightness) {
        const int position = m_slider.GetPos();
        if (position != m_camera->GetBrightness())
            m_camera->SetBrightness(WORD(position));
        Show(WORD(position));
        return;
    }
    // The camera keeps its own brightness: the slider goes back to it.
    Show(m_camera->GetBrightness());
    // Each move of a drag says so, but one box at a time: the moves that
    // arrive while it is up are answered by the box already there.
    if (m_boxUp)
        return;
    m_boxUp = true;
    AfxMessageBox(m_autoBrightnessText, MB_OK);
    m_boxUp = false;
}
