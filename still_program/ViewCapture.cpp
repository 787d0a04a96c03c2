// The view's side of the capture state machine: the camera's shutter, the
// sounds and the messages the machine asks for.
#include "SnapvoView.h"

#include "types/wintypes.h"   // Sounds.h names BOOL without it
#include "Sounds.h"
#include "framework/UiService.h"

void CSnapvoView::MTimerUserOnTimer(void* data)
{
    if (data == BrightnessTimerTag()) {
        FollowCameraBrightness();
        return;
    }
    // The machine steps only for its own timer's tag.
    m_machine.MTimerUserOnTimer(data);
}

BOOL CSnapvoView::IsBusy() const { return m_machine.IsBusy(); }

BOOL CSnapvoView::ShutterOpen() const { return m_camera && m_camera->IsExposing(); }

void CSnapvoView::EnableSelection(BOOL enable)
{
    if (m_camera)
        m_camera->EnableSelection(enable);
}

void CSnapvoView::PlaySoundFile(const char* name) { PlayProgramSound(name, m_workingDirectory); }

void CSnapvoView::ShowMessage(UINT stringId) { AfxMessageBox(stringId, MB_OK); }

void CSnapvoView::OpenShutter()
{
    if (m_camera)
        m_camera->OpenShutter();
    m_button.EnableWindow(FALSE);
}

void CSnapvoView::CloseShutter()
{
    if (m_camera)
        m_camera->CloseShutter();
    m_button.EnableWindow(TRUE);
}
