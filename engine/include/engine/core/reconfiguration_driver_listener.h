// ReconfigurationDriverListener: registered with the driver, which keeps these
// listeners in priority order but has nothing to tell them yet.
#pragma once

class ReconfigurationDriverListener {
public:
    virtual ~ReconfigurationDriverListener() = default;
};
