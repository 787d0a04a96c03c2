// The framework's doubly linked pointer lists, walked by POSITION.
// The lists borrow what they hold: deleting the objects is the owner's job.
#pragma once

#include <cassert>
#include <cstddef>

class CObject;

struct __POSITION {};
typedef __POSITION* POSITION;

template <typename T>
class CPointerList {
    struct Node : __POSITION {
        Node* prev;
        Node* next;
        T data;
    };

public:
    // The block size of the original allocator has no meaning here; kept for callers.
    explicit CPointerList(int blockSize = 10) { (void)blockSize; }
    CPointerList(const CPointerList&) = delete;
    CPointerList& operator=(const CPointerList&) = delete;
    ~CPointerList() { RemoveAll(); }

    int GetCount() const { return m_count; }
    int GetSize() const { return m_count; }
    bool IsEmpty() const { return m_count == 0; }

    T& GetHead() { assert(m_head); return m_head->data; }
    T GetHead() const { assert(m_head); return m_head->data; }
    T& GetTail() { assert(m_tail); return m_tail->data; }
    T GetTail() const { assert(m_tail); return m_tail->data; }

    POSITION AddHead(T value) { return InsertBefore(GetHeadPosition(), value); }
    POSITION AddTail(T value) { return InsertAfter(GetTailPosition(), value); }
    T RemoveHead() { T v = GetHead(); RemoveAt(m_head); return v; }
    T RemoveTail() { T v = GetTail(); RemoveAt(m_tail); return v; }
    void RemoveAll()
    {
        while (m_head)
            RemoveAt(m_head);
    }

    POSITION GetHeadPosition() const { return m_head; }
    POSITION GetTailPosition() const { return m_tail; }
    T& GetNext(POSITION& pos) { Node* n = node(pos); pos = n->next; return n->data; }
    T GetNext(POSITION& pos) const { Node* n = node(pos); pos = n->next; return n->data; }
    T& GetPrev(POSITION& pos) { Node* n = node(pos); pos = n->prev; return n->data; }
    T GetPrev(POSITION& pos) const { Node* n = node(pos); pos = n->prev; return n->data; }
    T& GetAt(POSITION pos) { return node(pos)->data; }
    T GetAt(POSITION pos) const { return node(pos)->data; }
    void SetAt(POSITION pos, T value) { node(pos)->data = value; }

    // A null position inserts at the head (before) or the tail (after).
    POSITION InsertBefore(POSITION pos, T value)
    {
        Node* at = pos ? node(pos) : m_head;
        Node* n = new Node{{}, at ? at->prev : m_tail, at, value};
        link(n);
        return n;
    }
    POSITION InsertAfter(POSITION pos, T value)
    {
        Node* at = pos ? node(pos) : m_tail;
        Node* n = new Node{{}, at, at ? at->next : nullptr, value};
        link(n);
        return n;
    }

    void RemoveAt(POSITION pos)
    {
        Node* n = node(pos);
        (n->prev ? n->prev->next : m_head) = n->next;
        (n->next ? n->next->prev : m_tail) = n->prev;
        delete n;
        --m_count;
    }

    // First position after `startAfter` (or from the head) holding `value`.
    POSITION Find(T value, POSITION startAfter = nullptr) const
    {
        for (Node* n = startAfter ? node(startAfter)->next : m_head; n; n = n->next)
            if (n->data == value)
                return n;
        return nullptr;
    }
    POSITION FindIndex(int index) const
    {
        if (index < 0 || index >= m_count)
            return nullptr;
        Node* n = m_head;
        while (index--)
            n = n->next;
        return n;
    }

private:
    static Node* node(POSITION pos) { assert(pos); return static_cast<Node*>(pos); }
    void link(Node* n)
    {
        (n->prev ? n->prev->next : m_head) = n;
        (n->next ? n->next->prev : m_tail) = n;
        ++m_count;
    }

    Node* m_head = nullptr;
    Node* m_tail = nullptr;
    int m_count = 0;
};

class CObList : public CPointerList<CObject*> {
public:
    using CPointerList<CObject*>::CPointerList;
};

class CPtrList : public CPointerList<void*> {
public:
    using CPointerList<void*>::CPointerList;
};
