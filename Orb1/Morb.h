// The library's state for one application: creates the library statics in
// order and destroys them in reverse.
#pragma once

#include "types/wintypes.h"

class MOrb {
public:
    MOrb();
    ~MOrb();
    MOrb(const MOrb&) = delete;
    MOrb& operator=(const MOrb&) = delete;

    BOOL AreStaticsCreated() const { return m_bStaticsCreated; }

private:
    void DeleteStatics(int created);
    BOOL m_bStaticsCreated = FALSE;
    int m_created = 0;
};
