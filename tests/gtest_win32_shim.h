// GoogleTest under the win32 thread model of mingw-w64, which has no
// std::mutex or std::condition_variable: its one use of them, the
// Notification that only GoogleTest's own thread tests use, is replaced by
// a spinning flag. Included before everything else in GoogleTest and in the
// programs that use it.
#pragma once

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {
class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { __atomic_store_n(&notified_, true, __ATOMIC_SEQ_CST); }
    void WaitForNotification() {
        while (!__atomic_load_n(&notified_, __ATOMIC_SEQ_CST)) __builtin_ia32_pause();
    }

private:
    bool notified_ = false;
};
}  // namespace testing::internal
