// PriorityDrivenSubscribeDeliverer: a listener registry delivering in priority
// order, safe against registry changes made from inside a delivery.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "thread/synchronized.h"

// Higher priorities are called first; equal priorities in registration order.
// A delivery runs under the registry's lock (recursive), so listeners may
// register and unregister, themselves or others, from inside their call, and
// may start a nested delivery. Each delivery keeps a "called" mark per record
// and a "changed" mark; a change restarts the walk from the front, skipping the
// listeners already called. So every listener present at the end of a delivery
// is called exactly once in it, and one registered during it is called too.
template <typename T>
class PriorityDrivenSubscribeDeliverer {
public:
    PriorityDrivenSubscribeDeliverer() = default;
    virtual ~PriorityDrivenSubscribeDeliverer() = default;
    PriorityDrivenSubscribeDeliverer(const PriorityDrivenSubscribeDeliverer&) = delete;
    PriorityDrivenSubscribeDeliverer& operator=(const PriorityDrivenSubscribeDeliverer&) = delete;

    // A null listener is ignored. Registering twice gives two records (and two
    // calls per delivery).
    virtual void registerListener(T* listener, int priority) {
        if (listener == nullptr) {
            return;
        }
        thread::Lock guard(lock_);
        auto record = std::make_unique<Record>();
        // Not yet called in any of the deliveries in progress.
        record->calledMarks.assign(static_cast<std::size_t>(depth_), 0);
        record->priority = priority;
        record->listener = listener;
        const auto position = std::find_if(entries_.begin(), entries_.end(),
                                           [priority](const Entry& e) { return e.first < priority; });
        entries_.emplace(position, priority, std::move(record));
        markChanged();
    }

    // Removes the first record of `listener`; an unknown listener changes nothing.
    virtual void unregisterListener(T* listener) {
        thread::Lock guard(lock_);
        const auto found = std::find_if(entries_.begin(), entries_.end(), [listener](const Entry& e) {
            return e.second->listener == listener;
        });
        if (found != entries_.end()) {
            entries_.erase(found);
            markChanged();
        }
    }

    std::size_t listenerCount() const {
        thread::Lock guard(lock_);
        return entries_.size();
    }

    // Calls `operation` with `args` on every listener. Arguments are passed to
    // each listener as lvalues, never moved from.
    template <typename... Params, typename... Args>
    void deliver(void (T::*operation)(Params...), Args&&... args) {
        thread::Lock guard(lock_);
        DeliveryScope scope(*this);
        std::size_t i = 0;
        while (i < entries_.size()) {
            Record& record = *entries_[i].second;
            if (record.calledMarks.back() == 0) {
                record.calledMarks.back() = 1;
                (record.listener->*operation)(args...);
                // `record` may be gone now; only the marks are read below.
            }
            if (changedMarks_.back() != 0) {
                changedMarks_.back() = 0;
                i = 0;
            } else {
                ++i;
            }
        }
    }

private:
    struct Record {
        std::vector<int> calledMarks;  // one per delivery in progress, innermost last
        int priority = 0;
        T* listener = nullptr;  // not owned
    };
    using Entry = std::pair<int, std::unique_ptr<Record>>;

    // Pushes the marks of one delivery and pops them again, also when a
    // listener throws.
    class DeliveryScope {
    public:
        explicit DeliveryScope(PriorityDrivenSubscribeDeliverer& owner) : owner_(owner) {
            owner_.changedMarks_.push_back(0);
            ++owner_.depth_;
            for (auto& entry : owner_.entries_) {
                entry.second->calledMarks.push_back(0);
            }
        }
        ~DeliveryScope() {
            for (auto& entry : owner_.entries_) {
                entry.second->calledMarks.pop_back();
            }
            owner_.changedMarks_.pop_back();
            --owner_.depth_;
        }
        DeliveryScope(const DeliveryScope&) = delete;
        DeliveryScope& operator=(const DeliveryScope&) = delete;

    private:
        PriorityDrivenSubscribeDeliverer& owner_;
    };

    void markChanged() { std::fill(changedMarks_.begin(), changedMarks_.end(), 1); }

    std::vector<Entry> entries_;  // highest priority first
    std::vector<int> changedMarks_;
    thread::SynchronizedObject lock_;
    int depth_ = 0;
};
