// Per-application static data. A static user (one per library class that has
// such data) creates its data for an application instance in VNew and destroys
// it in VDelete; the instance number (0..9) indexes every per-application table.
#pragma once

#include "types/wintypes.h"

class MStatic {
public:
    static constexpr int kMaxInstances = 10;

    MStatic() = default;
    virtual ~MStatic() = default;
    MStatic(const MStatic&) = delete;
    MStatic& operator=(const MStatic&) = delete;

    // Creates this user's data for the instance; FALSE for an index out of range.
    BOOL New(int nIndex);
    // Destroys it again; harmless when it was never created.
    void Delete(int nIndex);
    BOOL IsNew(int nIndex) const;

    // The table of static users of one instance: NewStatics opens it,
    // DeleteStatics destroys whatever its users still hold.
    static BOOL NewStatics(int nIndex);
    static void DeleteStatics(int nIndex);
    static BOOL AreStaticsNew(int nIndex);

protected:
    virtual BOOL VNew(int nIndex) = 0;
    virtual void VDelete(int nIndex) = 0;

private:
    bool m_new[kMaxInstances] = {};
};

// The application instance the calling code belongs to: the running
// MWinApp's, or 0 without one.
int OrbInstanceIndex();
