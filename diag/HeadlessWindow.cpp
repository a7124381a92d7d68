// The window without a screen: it only keeps the view model's 200 ms timer,
// on a small thread of its own.
#include <algorithm>

#include "diag/DrvDialog.h"
#include "diag/Window.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

namespace {

constexpr int64_t PeriodNs = 200 * 1000000LL;

class TTimerThread final : public TThread {
public:
    explicit TTimerThread(TDrvDialog& dialog) : dialog_(dialog) {}
    ~TTimerThread() override {
        Stop();
        Join();
    }

private:
    void Execute() override {
        int64_t next = dialog_.Clock().PaceNs() + PeriodNs;
        while (!Stopping()) {
            const uint32_t generation = Alarm().Generation();
            const int64_t remaining = next - dialog_.Clock().PaceNs();
            if (remaining > 0) {
                Alarm().Wait(generation, static_cast<uint32_t>((remaining + 999999) / 1000000));
                continue;
            }
            dialog_.Timer1Timer();
            // A late tick does not make the following ones come in a burst.
            next = std::max(next + PeriodNs, dialog_.Clock().PaceNs());
        }
    }

    TDrvDialog& dialog_;
};

class THeadlessWindow final : public TWindow {
public:
    explicit THeadlessWindow(TDrvDialog& dialog) : timer_(dialog) {}
    ~THeadlessWindow() override { StopTimer(); }

    bool Start() { return timer_.Start(nullptr, "zr6180 window"); }

    void SetVisible(bool) override {}
    void Minimise() override {}
    void Restore() override {}
    void Focus() override {}
    void Place(int32_t, int32_t, int32_t, int32_t) override {}
    void Enable(bool) override {}
    void DrawAll() override {}

    void StopTimer() override {
        timer_.Stop();
        timer_.Join();
    }

private:
    TTimerThread timer_;
};

}  // namespace

std::unique_ptr<TWindow> CreateHeadlessWindow(TDrvDialog& dialog) {
    auto window = std::make_unique<THeadlessWindow>(dialog);
    if (!window->Start()) return nullptr;
    return window;
}
