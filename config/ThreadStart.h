// The thread seam: how the driver's own threads come to be. Production starts
// a system thread; a test puts in a starter that refuses, to see what the
// driver does when the system has no thread to give.
#pragma once

#include <functional>
#include <system_error>
#include <thread>

struct TData;

class TThreadStart {
public:
    virtual ~TThreadStart() = default;
    // Runs `body` on a new thread held by `t`; false when none was created.
    virtual bool Start(std::thread& t, std::function<void()> body) const {
        try {
            t = std::thread(std::move(body));
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }
};

// Through the instance's starter when a test set one, else the system's.
bool StartThread(const TData* d, std::thread& t, std::function<void()> body);
