// The call-back thread: reports completed requests to the host.
#pragma once

class TThreadCallBack {
public:
    ~TThreadCallBack() = default;
};
