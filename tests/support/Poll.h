// Waiting on a condition, never on the clock alone.
#pragma once
#include <chrono>
#include <functional>
#include <thread>

namespace quorvel::test {

// Checks `condition` every few milliseconds until it holds or `limit` has passed, and
// says whether it held. The limits are generous: a loaded machine is slow, not wrong.
inline bool PollUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace quorvel::test
