// Saves a value and ends normally without closing the store, as a program does.
// With "late", a static object destroyed after the store closed at exit writes
// one more value.
#include "keystore/keystore.h"

#include <cstdio>
#include <cstring>

namespace {

const char kText[] = "saved";

struct LateWriter {
    bool armed = false;
    ~LateWriter()
    {
        HKEY key = nullptr;
        if (armed && RegOpenKeyA(HKEY_CURRENT_USER, "Exit", &key) == ERROR_SUCCESS) {
            RegSetValueExA(key, "late", 0, REG_SZ, reinterpret_cast<const BYTE*>(kText), sizeof kText);
            RegCloseKey(key);
        }
    }
};

LateWriter late;   // made before the store is first used, so destroyed after it closed

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s STORE return|late\n", argv[0]);
        return 2;
    }
    keystore::SetLocation(argv[1]);
    late.armed = std::strcmp(argv[2], "late") == 0;
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Exit", &key) != ERROR_SUCCESS)
        return 3;
    if (RegSetValueExA(key, "early", 0, REG_SZ, reinterpret_cast<const BYTE*>(kText), sizeof kText) != ERROR_SUCCESS)
        return 4;
    return 0;   // the key is left open, as a program would leave it
}
