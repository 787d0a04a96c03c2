#include "Film.h"

#include <cstdio>
#include <unordered_map>

BOOL CPicture::AttachControl(int id, CWnd* parent, const CRect& rect)
{
    return Create(parent, "", WS_CHILD | WS_VISIBLE, rect, UINT(id));
}

BOOL CPicture::Display()
{
    LoadBitmap(m_name);
    return TRUE;
}

BOOL CFilmRoll::Add(CPicture* picture)
{
    if (!picture)
        return FALSE;
    AddTail(picture);
    return TRUE;
}

BOOL CFilmRoll::Remove(CPicture* picture)
{
    POSITION pos = picture ? Find(picture) : nullptr;
    if (!pos)
        return FALSE;
    RemoveAt(pos);
    return TRUE;
}

CPicture* CFilmRoll::GetAtIndex(int index) const
{
    POSITION pos = FindIndex(index);
    return pos ? GetAtPosition(pos) : nullptr;
}

void CFilmRoll::Free()
{
    while (!IsEmpty())
        delete RemoveHead();
}

void CFilmRoll::RemoveFilesAndFree()
{
    while (!IsEmpty()) {
        CPicture* p = static_cast<CPicture*>(RemoveHead());
        std::remove(p->GetImageName());   // a failed removal is ignored
        delete p;
    }
}

CString JoinPath(const CString& directory, const CString& name)
{
    if (directory.IsEmpty())
        return name;
    CString path = directory;
    if (path[path.GetLength() - 1] != '/')
        path += '/';
    return path + name;
}

CString RollFileName(const CString& stored)
{
    const std::string& s = stored.str();
    // Lists written on other systems separate folders with '\'.
    size_t slash = s.find_last_of("/\\");
    std::string name = slash == std::string::npos ? s : s.substr(slash + 1);
    if (name.empty() || name == "." || name == "..")
        return CString();
    return CString(name);
}

std::vector<CString> RollPathsFromStore(const CConfiguration& store, const CString& directory)
{
    std::vector<CString> paths;
    std::vector<const CParameter*> params;
    if (!store.GetParameters("images", params))
        return paths;
    // The first parameter of each name, as a lookup by name finds it.
    std::unordered_map<std::string, const CParameter*> byName;
    for (const CParameter* p : params)
        byName.emplace(p->m_name.str(), p);
    for (size_t i = 1; i <= params.size() && paths.size() < size_t(kFilmrollCapacity); ++i) {
        auto it = byName.find("location" + std::to_string(i));
        if (it == byName.end())
            continue;
        CString name = RollFileName(it->second->m_value);
        if (!name.IsEmpty())
            paths.push_back(JoinPath(directory, name));
    }
    return paths;
}

namespace {

bool NameAmong(const CString& name, const std::vector<CString>& names)
{
    for (const CString& other : names)
        if (other.CompareNoCase(name) == 0)
            return true;
    return false;
}

bool RollUses(const CFilmRoll& roll, const CString& name)
{
    for (POSITION pos = roll.GetHeadPosition(); pos;) {
        const CPicture* p = static_cast<const CPicture*>(roll.GetNext(pos));
        if (p->GetImageName().CompareNoCase(name) == 0)
            return true;
    }
    return false;
}

} // namespace

CString NextPictureName(const CFilmRoll& roll, const CString& directory, const std::vector<CString>& alsoTaken)
{
    // One of the first count + taken + 1 numbers is always free.
    const int last = roll.GetCount() + int(alsoTaken.size()) + 1;
    for (int n = 1;; ++n) {
        // The directory keeps its case: on this system it is part of the name.
        CString candidate = JoinPath(directory, "img" + std::to_string(n) + ".bmp");
        if (n == last || (!RollUses(roll, candidate) && !NameAmong(candidate, alsoTaken)))
            return candidate;
    }
}
