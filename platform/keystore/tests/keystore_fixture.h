// A private store file per test, removed afterwards.
#pragma once

#include "keystore/keystore.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <unistd.h>

class KeyStoreFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/velmora-keystore-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
        m_path = m_dir + "/keystore.sqlite";
        keystore::SetLocation(m_path);
    }
    void TearDown() override
    {
        keystore::SetLocation("");
        keystore::SetBusyTimeout(keystore::kDefaultBusyTimeoutMs);
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    // Makes the store's volatile keys look as if made before the last boot,
    // so the next open must remove them. The store must be closed.
    void PretendRebooted() const
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "UPDATE keys SET boot = 'an-earlier-boot' WHERE boot IS NOT NULL", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const std::string& dir() const { return m_dir; }
    const std::string& path() const { return m_path; }

private:
    std::string m_dir, m_path;
};
