#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "feed/bounded_queue.h"

namespace {
std::vector<int> Drain(BoundedQueue<int>& q)
{
    std::vector<int> out;
    int v = 0;
    while (q.Pop(v))
        out.push_back(v);
    return out;
}
} // namespace

TEST(BoundedQueue, FullQueueDropsTheOldestAndCountsThem)
{
    struct Case {
        size_t capacity;
        int pushed;
        std::vector<int> kept;
        uint64_t dropped;
    };
    const Case cases[] = {
        {3, 2, {1, 2}, 0},
        {3, 3, {1, 2, 3}, 0},
        {3, 5, {3, 4, 5}, 2},
        {1, 4, {4}, 3},
        {0, 2, {2}, 1}, // no room at all is taken as room for one
    };
    for (const Case& c : cases) {
        BoundedQueue<int> q(c.capacity);
        int droppedByPush = 0;
        for (int i = 1; i <= c.pushed; ++i)
            droppedByPush += q.Push(i) ? 1 : 0;
        EXPECT_EQ(q.Dropped(), c.dropped) << c.capacity << "/" << c.pushed;
        EXPECT_EQ(static_cast<uint64_t>(droppedByPush), c.dropped);
        EXPECT_EQ(Drain(q), c.kept) << c.capacity << "/" << c.pushed;
    }
}

TEST(BoundedQueue, PoppingMakesRoomAndTheCountStays)
{
    BoundedQueue<std::string> q(2);
    q.Push("a");
    q.Push("b");
    q.Push("c"); // drops a
    std::string v;
    ASSERT_TRUE(q.Pop(v));
    EXPECT_EQ(v, "b");
    q.Push("d"); // room: nothing dropped
    EXPECT_EQ(q.Dropped(), 1u);
    EXPECT_EQ(q.Size(), 2u);
    ASSERT_TRUE(q.Pop(v));
    EXPECT_EQ(v, "c");
    ASSERT_TRUE(q.Pop(v));
    EXPECT_EQ(v, "d");
    EXPECT_FALSE(q.Pop(v));
    EXPECT_EQ(v, "d"); // an empty queue leaves the target alone
}
