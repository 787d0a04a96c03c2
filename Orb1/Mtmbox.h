// A message box that presses its own default button once its timeout passes.
#pragma once

#include "Mcallbk.h"
#include "Mtimer.h"
#include "framework/UiService.h"

class MTimedMessageBox : public MTimerUser, public MCallbackUser {
public:
    // timeout in milliseconds; 0 makes a plain message box.
    MTimedMessageBox(const char* text, UINT type, UINT helpId, unsigned short timeout);
    ~MTimedMessageBox() override;

    int DoModal();

    void MTimerUserOnTimer(void* data) override;
    void VCallbackUserOnMessage(unsigned data) override;

private:
    void PostCheck();

    const char* m_text;
    UINT m_type;
    UINT m_helpId;
    unsigned short m_timeout;
    MTimer m_timer;
    int m_boxesBefore = 0;   // open boxes before ours: ours is up once there are more
    int m_boxDepth = 0;      // 0 until the box is seen up
    MCallback* m_pending = nullptr;
};

int OrbMessageBox(const char* text, unsigned type, unsigned helpId, unsigned short timeout);
