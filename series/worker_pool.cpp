// SPDX-License-Identifier: GPL-3.0-or-later
#include "series/worker_pool.h"

#include <algorithm>
#include <system_error>

void StartWorkers(int jobs, int total, std::vector<std::thread>& pool, std::mutex& mutex,
                  int& running, const std::function<void()>& work) {
    int threads =
        jobs > 0 ? jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::max(1, total));
    pool.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) {
        {
            std::lock_guard lock(mutex);
            ++running;
        }
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            std::lock_guard lock(mutex);
            --running;
            break;
        }
    }
    if (pool.empty()) {
        {
            std::lock_guard lock(mutex);
            ++running;
        }
        work();
    }
}
