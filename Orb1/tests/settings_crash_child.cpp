// Saves a settings table over and over until it is killed. Every round sets all
// items of every section to the round number, so a reader can tell a torn save.
#include "Mcfgtbl.h"
#include "Mcfgtype.h"
#include "keystore/keystore.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s STORE KEYPATH\n", argv[0]);
        return 2;
    }
    keystore::SetLocation(argv[1]);
    static const char* const kSections[] = {"Alpha", "Beta", "Gamma", "Delta"};
    static const char* const kItems[] = {"one", "two", "three", "four", "five", "six"};
    MCfgINITable table;
    std::vector<std::unique_ptr<MCfgSection>> sections;
    std::vector<std::unique_ptr<MCfgLong>> items;
    for (const char* s : kSections) {
        sections.push_back(std::make_unique<MCfgSection>(s, nullptr));
        for (const char* i : kItems)
            items.push_back(std::make_unique<MCfgLong>(*sections.back(), i, 0));
    }
    if (!table.Load(argv[2]))
        return 3;
    for (auto& s : sections)
        s->SetTable(&table);
    // Tells the parent the saving starts now, so its kill lands among the saves
    // however slowly the process started.
    std::fputs("saving\n", stdout);
    std::fflush(stdout);
    long round = items.front()->Get();
    for (;;) {
        ++round;
        for (auto& item : items)
            *item = int32_t(round);
        table.UpdateTable();
        if (!table.Save())
            return 4;
    }
}
