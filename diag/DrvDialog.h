// The diagnostic window's view model.
#pragma once

class TDrvDialog {
public:
    ~TDrvDialog() = default;
};
