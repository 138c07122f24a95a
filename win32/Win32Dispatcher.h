#pragma once
// The Dispatcher on the Win32 UI thread. Work from other threads goes into a
// queue and a private message to a message-only window wakes the UI thread,
// which runs it one function at a time; modal loops (message boxes, menus,
// the input dialog) dispatch that message too, so a sender is never held up
// by them. Send waits on our own condition, so BeginShutdown releases every
// waiting sender, and a function whose sender was released is not run.

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "app/Dispatcher.h"

namespace tulex::win32 {

class Win32Dispatcher final : public Dispatcher {
public:
    // Must be constructed on the UI thread.
    Win32Dispatcher();
    ~Win32Dispatcher() override;
    Win32Dispatcher(const Win32Dispatcher&) = delete;
    Win32Dispatcher& operator=(const Win32Dispatcher&) = delete;

    void Send(std::function<void()> fn) override;
    void Post(std::function<void()> fn) override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) override;
    bool IsUiThread() const override { return std::this_thread::get_id() == uiThread_; }
    void BeginShutdown() override;
    bool ShuttingDown() const;

private:
    struct Item {
        std::function<void()> fn;
        std::shared_ptr<bool> done;  // set for Send
    };
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Enqueue(Item item);
    void RunPending();
    void RunTimer(UINT_PTR id);

    std::thread::id uiThread_;
    HWND window_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable done_;
    std::deque<Item> queue_;
    bool shutdown_ = false;
    // Delayed work by its timer (UI thread only).
    std::map<UINT_PTR, std::function<void()>> timers_;
    UINT_PTR nextTimerId_ = 1;
};

}  // namespace tulex::win32
