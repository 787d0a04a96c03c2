// Stored settings text is outside data: any bytes must read into every item
// type without a fault, and write back as text.
#include "Mcfgtype.h"
#include "tests/memory_table.h"

#include <cstddef>
#include <cstdint>
#include <string>


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryTable table;
    table.Put("F", "v", bytes.c_str());   // stored text ends at its first NUL
    MCfgSection section("F", &table);
    MCfgShort s(section, "v", 0, -10, 10);
    MCfgUShort us(section, "v", 0, 5, 30);
    MCfgLong l(section, "v", 0);
    MCfgULong ul(section, "v", 0);
    MCfgFloat f(section, "v", 0.0f, -1.0f, 1.0f);
    MCfgString str(section, "v", "d", 8);
    MCfgUpperString up(section, "v", "d", 8);
    MCfgRect r(section, "v", CRect());
    MCfgSize sz(section, "v", CSize());
    MCfgBool b(section, "v", FALSE);
    MCfgBinary bin(section, "v", "0 ");
    unsigned char out[64];
    unsigned long length = sizeof out;
    bin.GetBinary(out, length);
    bin.GetBinaryLength();
    table.UpdateTable();
    return 0;
}
