#include "win32/Win32Dispatcher.h"

#include <algorithm>

#include "win32/Ids.h"

namespace tulex::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TulexDispatcher";

}  // namespace

Win32Dispatcher::Win32Dispatcher() : uiThread_(std::this_thread::get_id()) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Win32Dispatcher::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);  // fails harmlessly when a second dispatcher registers it again
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Dispatcher::~Win32Dispatcher() {
    BeginShutdown();
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool Win32Dispatcher::ShuttingDown() const {
    std::lock_guard lock(mutex_);
    return shutdown_;
}

void Win32Dispatcher::Enqueue(Item item) {
    std::lock_guard lock(mutex_);
    if (shutdown_) return;
    queue_.push_back(std::move(item));
    // One wake-up per item: a modal loop may take one message and run one
    // function, the rest stay queued behind further messages.
    PostMessageW(window_, TULEX_WM_DISPATCH, 0, 0);
}

void Win32Dispatcher::Send(std::function<void()> fn) {
    if (IsUiThread()) {
        if (!ShuttingDown()) fn();
        return;
    }
    auto done = std::make_shared<bool>(false);
    Enqueue({std::move(fn), done});
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return *done || shutdown_; });
}

void Win32Dispatcher::Post(std::function<void()> fn) { Enqueue({std::move(fn), nullptr}); }

void Win32Dispatcher::PostAfter(std::chrono::milliseconds delay, std::function<void()> fn) {
    // The UI thread sets the timer: its WM_TIMER comes to the message window.
    Post([this, delay, fn = std::move(fn)]() mutable {
        const UINT_PTR id = nextTimerId_++;
        timers_.emplace(id, std::move(fn));
        SetTimer(window_, id, static_cast<UINT>(std::max<std::chrono::milliseconds::rep>(delay.count(), 0)), nullptr);
    });
}

void Win32Dispatcher::RunTimer(UINT_PTR id) {
    KillTimer(window_, id);
    const auto it = timers_.find(id);
    if (it == timers_.end()) return;
    const std::function<void()> fn = std::move(it->second);
    timers_.erase(it);
    if (!ShuttingDown()) fn();
}

void Win32Dispatcher::BeginShutdown() {
    std::lock_guard lock(mutex_);
    shutdown_ = true;
    queue_.clear();
    done_.notify_all();
}

void Win32Dispatcher::RunPending() {
    Item item;
    {
        std::lock_guard lock(mutex_);
        if (queue_.empty() || shutdown_) return;
        item = std::move(queue_.front());
        queue_.pop_front();
    }
    // On the UI thread, like BeginShutdown: the check above and the run
    // cannot interleave with it. The function may open a modal loop that
    // runs further items meanwhile.
    item.fn();
    if (item.done) {
        std::lock_guard lock(mutex_);
        *item.done = true;
        done_.notify_all();
    }
}

LRESULT CALLBACK Win32Dispatcher::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TULEX_WM_DISPATCH) {
        if (auto* self = reinterpret_cast<Win32Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->RunPending();
        return 0;
    }
    if (message == WM_TIMER) {
        if (auto* self = reinterpret_cast<Win32Dispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->RunTimer(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tulex::win32
