// The application base of programs that use the library.
#pragma once

#include "Morb.h"
#include "framework/WinApp.h"

#include <memory>

class MWinApp : public CWinApp {
public:
    // instance: this application's number, 0..9, indexing the library's tables.
    explicit MWinApp(const char* appName = nullptr, int instance = 0);
    ~MWinApp() override;

    // Shows "ORB Library Initialization Failed" and returns FALSE on failure.
    BOOL InitializeOrb();
    BOOL UninitializeOrb();
    int GetInstanceIndex() const { return m_nInstance; }
    MOrb* GetOrb() const { return m_pOrb.get(); }

private:
    std::unique_ptr<MOrb> m_pOrb;
    int m_nInstance;
};

MWinApp* GetMWinApp();
