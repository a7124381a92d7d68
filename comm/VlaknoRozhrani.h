// The interface thread: one per declared interface, serving its queue.
#pragma once

class TThreadRozhrani {
public:
    ~TThreadRozhrani() = default;
};
