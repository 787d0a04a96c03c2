#include "Mlist.h"

#include "Mstatic.h"

#include <memory>

namespace {

class ListStatics : public MStatic {
public:
    CPtrList* List(int nIndex) { return IsNew(nIndex) ? m_lists[nIndex].get() : nullptr; }

protected:
    BOOL VNew(int nIndex) override
    {
        m_lists[nIndex] = std::make_unique<CPtrList>();
        return TRUE;
    }
    void VDelete(int nIndex) override
    {
        // Members outlive the list only as orphans: cut them loose first.
        if (CPtrList* list = m_lists[nIndex].get())
            while (!list->IsEmpty())
                static_cast<MList*>(list->GetHead())->SetList(nullptr);
        m_lists[nIndex].reset();
    }

private:
    std::unique_ptr<CPtrList> m_lists[kMaxInstances];
};

ListStatics g_listStatics;

} // namespace

MList::MList(CPtrList* list) { SetList(list ? list : GDefaultList()); }

MList::~MList() { SetList(nullptr); }

void MList::SetList(CPtrList* list)
{
    if (m_list) {
        if (POSITION pos = m_list->Find(this))
            m_list->RemoveAt(pos);
    }
    m_kind = KeyKind::None;
    m_list = list;
    if (m_list)
        m_list->AddTail(this);
}

BOOL MList::SetKeyOf(KeyKind kind, intptr_t key1, intptr_t key2)
{
    if (!m_list)
        return FALSE;
    MList* other = Find(m_list, kind, key1, key2);
    if (other && other != this)
        return FALSE;
    m_kind = kind;
    m_key1 = key1;
    m_key2 = key2;
    return TRUE;
}

BOOL MList::SetKey(long key1, long key2) { return SetKeyOf(KeyKind::LongPair, key1, key2); }
BOOL MList::SetKey(WORD key1, long key2) { return SetKeyOf(KeyKind::WordLong, key1, key2); }

BOOL MList::SetKey(const void* key1, const void* key2)
{
    return SetKeyOf(KeyKind::PointerPair, reinterpret_cast<intptr_t>(key1), reinterpret_cast<intptr_t>(key2));
}

void MList::ResetKey()
{
    m_kind = KeyKind::None;
    m_key1 = m_key2 = 0;
}

int MList::Count() const { return m_list ? m_list->GetCount() : 0; }

MList* MList::First() const
{
    return m_list && !m_list->IsEmpty() ? static_cast<MList*>(m_list->GetHead()) : nullptr;
}

MList* MList::Last() const
{
    return m_list && !m_list->IsEmpty() ? static_cast<MList*>(m_list->GetTail()) : nullptr;
}

MList* MList::Neighbour(bool next) const
{
    if (!m_list)
        return nullptr;
    POSITION pos = m_list->Find(const_cast<MList*>(this));
    if (!pos)
        return nullptr;
    if (next)
        m_list->GetNext(pos);
    else
        m_list->GetPrev(pos);
    return pos ? static_cast<MList*>(m_list->GetAt(pos)) : nullptr;
}

MList* MList::Next() const { return Neighbour(true); }
MList* MList::Prev() const { return Neighbour(false); }

MList* MList::Find(const CPtrList* list, KeyKind kind, intptr_t key1, intptr_t key2)
{
    if (!list)
        return nullptr;
    for (POSITION pos = list->GetHeadPosition(); pos;) {
        auto* member = static_cast<MList*>(list->GetNext(pos));
        if (member->m_kind == kind && member->m_key1 == key1 && member->m_key2 == key2)
            return member;
    }
    return nullptr;
}

MList* MList::_FindFromKey(const CPtrList* list, long key1, long key2)
{
    return Find(list, KeyKind::LongPair, key1, key2);
}

MList* MList::_FindFromKey(const CPtrList* list, WORD key1, long key2)
{
    return Find(list, KeyKind::WordLong, key1, key2);
}

MList* MList::_FindFromKey(const CPtrList* list, const void* key1, const void* key2)
{
    return Find(list, KeyKind::PointerPair, reinterpret_cast<intptr_t>(key1),
                reinterpret_cast<intptr_t>(key2));
}

BOOL MList::_IsInList(const CPtrList* list, const MList* member)
{
    return list && list->Find(const_cast<MList*>(member)) ? TRUE : FALSE;
}

BOOL MList::GList() { return g_listStatics.New(OrbInstanceIndex()); }
void MList::GDeleteList() { g_listStatics.Delete(OrbInstanceIndex()); }
CPtrList* MList::GDefaultList() { return g_listStatics.List(OrbInstanceIndex()); }

void* MPtrArray::GetAt(int index) const
{
    return index >= 0 && index < kSize ? m_slots[index] : nullptr;
}

BOOL MPtrArray::SetAt(int index, void* pointer)
{
    if (index < 0 || index >= kSize)
        return FALSE;
    m_slots[index] = pointer;
    return TRUE;
}

void MPtrArray::RemoveAll()
{
    for (void*& slot : m_slots)
        slot = nullptr;
}

int MPtrArray::GetFirstEmpty() const
{
    for (int i = 0; i < kSize; ++i)
        if (!m_slots[i])
            return i;
    return -1;
}

int MPtrArray::GetNextAfter(int index) const
{
    for (int i = index < -1 ? 0 : index + 1; i < kSize; ++i)
        if (m_slots[i])
            return i;
    return -1;
}

int MPtrArray::GetCount() const
{
    int count = 0;
    for (void* slot : m_slots)
        count += slot != nullptr;
    return count;
}
