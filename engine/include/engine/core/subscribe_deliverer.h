// SubscribeDeliverer: the engine's listener list, in registration order.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

// Listeners may register and unregister (themselves or others) from inside a
// delivery, also a nested one: every listener present at the end of a delivery
// is called exactly once in it. A change restarts the walk from the front, and
// per-delivery marks tell which listeners were already called.
template <typename T>
class SubscribeDeliverer {
public:
    SubscribeDeliverer() = default;
    virtual ~SubscribeDeliverer() = default;
    SubscribeDeliverer(const SubscribeDeliverer&) = delete;
    SubscribeDeliverer& operator=(const SubscribeDeliverer&) = delete;

    // A null listener is ignored. Registering twice gives two calls.
    void registerListener(T* listener) {
        if (listener == nullptr) {
            return;
        }
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        auto record = std::make_unique<Record>();
        record->listener = listener;
        record->calledMarks.assign(static_cast<std::size_t>(depth_), 0);
        records_.push_back(std::move(record));
        markChanged();
    }

    // Removes the first registration of `listener`; unknown ones change nothing.
    void unregisterListener(T* listener) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        const auto found = std::find_if(records_.begin(), records_.end(),
                                        [listener](const auto& r) { return r->listener == listener; });
        if (found != records_.end()) {
            records_.erase(found);
            markChanged();
        }
    }

    std::size_t listenerCount() const {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        return records_.size();
    }

    // Calls `operation` with `args` on every listener, under the list's lock.
    template <typename... Params, typename... Args>
    void deliver(void (T::*operation)(Params...), Args&&... args) {
        std::lock_guard<std::recursive_mutex> guard(mutex_);
        DeliveryScope scope(*this);
        std::size_t i = 0;
        while (i < records_.size()) {
            Record& record = *records_[i];
            if (record.calledMarks.back() == 0) {
                record.calledMarks.back() = 1;
                (record.listener->*operation)(args...);
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
        std::vector<int> calledMarks;
        T* listener = nullptr;
    };

    // Pushes this delivery's marks and pops them again, also when a listener
    // throws.
    class DeliveryScope {
    public:
        explicit DeliveryScope(SubscribeDeliverer& owner) : owner_(owner) {
            owner_.changedMarks_.push_back(0);
            ++owner_.depth_;
            for (auto& record : owner_.records_) {
                record->calledMarks.push_back(0);
            }
        }
        ~DeliveryScope() {
            for (auto& record : owner_.records_) {
                record->calledMarks.pop_back();
            }
            owner_.changedMarks_.pop_back();
            --owner_.depth_;
        }
        DeliveryScope(const DeliveryScope&) = delete;
        DeliveryScope& operator=(const DeliveryScope&) = delete;

    private:
        SubscribeDeliverer& owner_;
    };

    void markChanged() { std::fill(changedMarks_.begin(), changedMarks_.end(), 1); }

    std::vector<std::unique_ptr<Record>> records_;
    std::vector<int> changedMarks_;
    mutable std::recursive_mutex mutex_;
    int depth_ = 0;
};
