// Any film.ini: the store reads it and the roll names at most 36 pictures,
// every one inside the roll directory.
#include "Config.h"
#include "Film.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class FuzzStore : public CIniConfiguration {
public:
    FuzzStore(std::string_view text) : CIniConfiguration("unused"), m_text(text) {}
    BOOL VLoadRecords() override
    {
        VFreeRecords();
        ParseRecords(m_text.substr(0, kMaxFileBytes));
        return TRUE;
    }

private:
    std::string_view m_text;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzStore store(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!store.Load())
        return 0;
    const CString dir("/roll");
    std::vector<CString> paths = RollPathsFromStore(store, dir);
    if (paths.size() > size_t(kFilmrollCapacity))
        std::abort();
    for (const CString& p : paths) {
        std::string_view s(p.str());
        std::string_view name = s.substr(6);
        if (s.substr(0, 6) != "/roll/" || name.empty() || name == "." || name == ".." ||
            name.find('/') != std::string_view::npos)
            std::abort();
    }
    return 0;
}
