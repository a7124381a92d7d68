// The window without a screen: it only keeps the view model's 200 ms timer,
// on a small thread of its own.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "diag/DrvDialog.h"
#include "diag/Okno.h"

namespace {

class TOknoHeadless final : public TOkno {
public:
    explicit TOknoHeadless(TDrvDialog& dialog) : dialog_(dialog), vlakno_([this] { Bez(); }) {}
    ~TOknoHeadless() override { ZastavTimer(); }

    void NastavViditelnost(bool) override {}
    void Minimalizuj() override {}
    void Obnov() override {}
    void Fokus() override {}
    void Umisti(int32_t, int32_t, int32_t, int32_t) override {}
    void Povol(bool) override {}
    void Vykresli() override {}

    void ZastavTimer() override {
        {
            std::lock_guard g(zamek_);
            stop_ = true;
        }
        zmena_.notify_all();
        if (vlakno_.joinable() && vlakno_.get_id() != std::this_thread::get_id()) vlakno_.join();
    }

private:
    void Bez() {
        using namespace std::chrono_literals;
        auto dalsi = std::chrono::steady_clock::now() + 200ms;
        std::unique_lock u(zamek_);
        while (!zmena_.wait_until(u, dalsi, [this] { return stop_; })) {
            u.unlock();
            dialog_.Timer1Timer();
            u.lock();
            // A late tick does not make the following ones come in a burst.
            dalsi = std::max(dalsi + 200ms, std::chrono::steady_clock::now());
        }
    }

    TDrvDialog& dialog_;
    std::mutex zamek_;
    std::condition_variable zmena_;
    bool stop_ = false;
    std::thread vlakno_;  // last: starts once the members above exist
};

}  // namespace

std::unique_ptr<TOkno> VytvorOknoHeadless(TDrvDialog& dialog) {
    return std::make_unique<TOknoHeadless>(dialog);
}
