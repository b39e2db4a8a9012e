#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

// A FIFO that holds at most Capacity() items: pushing onto a full queue drops
// the oldest item and counts it. Not locked; the owner guards it.
template <class T>
class BoundedQueue {
public:
    explicit BoundedQueue(size_t capacity) : capacity_(capacity < 1 ? 1 : capacity) {}

    // Appends; returns true when the oldest item had to go to make room.
    bool Push(T item)
    {
        bool dropped = false;
        if (items_.size() >= capacity_) {
            items_.pop_front();
            ++dropped_;
            dropped = true;
        }
        items_.push_back(std::move(item));
        return dropped;
    }
    // Takes the oldest item; false when empty.
    bool Pop(T& out)
    {
        if (items_.empty())
            return false;
        out = std::move(items_.front());
        items_.pop_front();
        return true;
    }
    size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    size_t Capacity() const { return capacity_; }
    // Items dropped to make room since the queue was made.
    uint64_t Dropped() const { return dropped_; }

private:
    size_t capacity_;
    std::deque<T> items_;
    uint64_t dropped_ = 0;
};
