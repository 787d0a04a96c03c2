// MList: membership in a shared pointer list, with an optional key that is
// unique within that list. MPtrArray: ten pointer slots.
#pragma once

#include "types/CObList.h"
#include "types/wintypes.h"

#include <cstdint>

class MList {
public:
    // Joins `list`; without one, the application's default list (see GList).
    explicit MList(CPtrList* list = nullptr);
    virtual ~MList();
    MList(const MList&) = delete;
    MList& operator=(const MList&) = delete;

    // Leaves the current list (dropping the key) and joins another; null only leaves.
    void SetList(CPtrList* list);
    CPtrList* GetList() const { return m_list; }

    // FALSE when another member of the list already has this key.
    BOOL SetKey(long key1, long key2);
    BOOL SetKey(WORD key1, long key2);
    BOOL SetKey(const void* key1, const void* key2);
    void ResetKey();
    BOOL HasKey() const { return m_kind != KeyKind::None; }

    int Count() const;
    MList* First() const;
    MList* Last() const;
    MList* Next() const;
    MList* Prev() const;

    static MList* _FindFromKey(const CPtrList* list, long key1, long key2);
    static MList* _FindFromKey(const CPtrList* list, WORD key1, long key2);
    static MList* _FindFromKey(const CPtrList* list, const void* key1, const void* key2);
    static BOOL _IsInList(const CPtrList* list, const MList* member);

    // The per-application default lists.
    static BOOL GList();
    static void GDeleteList();
    static CPtrList* GDefaultList();

private:
    enum class KeyKind { None, LongPair, WordLong, PointerPair };
    BOOL SetKeyOf(KeyKind kind, intptr_t key1, intptr_t key2);
    static MList* Find(const CPtrList* list, KeyKind kind, intptr_t key1, intptr_t key2);
    MList* Neighbour(bool next) const;

    CPtrList* m_list = nullptr;
    KeyKind m_kind = KeyKind::None;
    intptr_t m_key1 = 0;
    intptr_t m_key2 = 0;
};

class MPtrArray {
public:
    static constexpr int kSize = 10;

    void* GetAt(int index) const;
    BOOL SetAt(int index, void* pointer);
    void RemoveAll();
    // Index of the first empty slot, or -1 when all are used.
    int GetFirstEmpty() const;
    // Index of the first used slot at all, or after `index`; -1 when none.
    int GetFirst() const { return GetNextAfter(-1); }
    int GetNextAfter(int index) const;
    int GetCount() const;

private:
    void* m_slots[kSize] = {};
};
