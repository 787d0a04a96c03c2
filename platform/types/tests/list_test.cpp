#include "types/CObList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
std::vector<int> Contents(const CPtrList& list)
{
    std::vector<int> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.push_back(int(reinterpret_cast<intptr_t>(list.GetNext(pos))));
    return out;
}
void* P(intptr_t v) { return reinterpret_cast<void*>(v); }
}

TEST(CPtrList, InsertAndRemoveKeepOrderAndLinks)
{
    CPtrList list;
    list.AddTail(P(2));
    list.AddHead(P(1));
    POSITION three = list.AddTail(P(3));
    list.InsertBefore(three, P(25));
    list.InsertAfter(three, P(4));
    EXPECT_EQ(Contents(list), (std::vector<int>{1, 2, 25, 3, 4}));

    list.RemoveAt(three);
    EXPECT_EQ(Contents(list), (std::vector<int>{1, 2, 25, 4}));
    EXPECT_EQ(list.RemoveHead(), P(1));
    EXPECT_EQ(list.RemoveTail(), P(4));
    EXPECT_EQ(list.GetCount(), 2);

    // Walking backwards sees the same links.
    std::vector<int> back;
    for (POSITION pos = list.GetTailPosition(); pos;)
        back.push_back(int(reinterpret_cast<intptr_t>(list.GetPrev(pos))));
    EXPECT_EQ(back, (std::vector<int>{25, 2}));
}

TEST(CPtrList, FindAndFindIndex)
{
    CPtrList list;
    for (int i = 0; i < 5; ++i)
        list.AddTail(P(i % 2));
    POSITION first = list.Find(P(1));
    ASSERT_NE(first, nullptr);
    POSITION second = list.Find(P(1), first);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(list.Find(P(1), second), nullptr);
    EXPECT_EQ(list.FindIndex(5), nullptr);
    EXPECT_EQ(list.FindIndex(-1), nullptr);
    EXPECT_EQ(list.GetAt(list.FindIndex(4)), P(0));
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.GetHeadPosition(), nullptr);
}
