// A private key store per test, and a way to make it unreachable.
#pragma once

#include "keystore/tests/keystore_fixture.h"

#include <cstdio>

class StoreFixture : public KeyStoreFixture {
protected:
    // Points the store somewhere it can never be opened.
    void BreakStore()
    {
        std::string blocker = dir() + "/blocker";
        if (FILE* f = std::fopen(blocker.c_str(), "w"))
            std::fclose(f);
        keystore::SetLocation(blocker + "/keystore.sqlite");
    }
};
