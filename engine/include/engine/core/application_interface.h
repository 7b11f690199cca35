// ApplicationInterface: the render driver's application shell as the engine
// sees it; its listeners are called once per pass of the driver's loop.
#pragma once

class ApplicationListener {
public:
    virtual void iteration() = 0;
    virtual ~ApplicationListener() = default;
};

class ApplicationInterface {
public:
    // Higher priorities are called first, equal ones in registration order.
    virtual void registerListener(ApplicationListener* listener, int priority) = 0;
    virtual void unregisterListener(ApplicationListener* listener) = 0;
    virtual ~ApplicationInterface() = default;
};
