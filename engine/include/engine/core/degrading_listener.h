// DegradingListener: told when the quality options have been applied or read back.
#pragma once

class DegradingManager;

class DegradingListener {
public:
    // Slot 0: the manager's options changed (its apply or current ran).
    virtual void qualityChanged(DegradingManager* manager) = 0;
    virtual ~DegradingListener() = default;
};
