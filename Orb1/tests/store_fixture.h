// A private key store per test, removed afterwards.
#pragma once

#include "keystore/keystore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/velmora-orb-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        keystore::SetLocation(m_dir + "/keystore.sqlite");
    }
    void TearDown() override
    {
        keystore::SetLocation("");
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    // Points the store somewhere it can never be opened.
    void BreakStore()
    {
        std::string blocker = m_dir + "/blocker";
        FILE* f = fopen(blocker.c_str(), "w");
        if (f)
            fclose(f);
        keystore::SetLocation(blocker + "/keystore.sqlite");
    }
    const std::string& dir() const { return m_dir; }

private:
    std::string m_dir;
};
