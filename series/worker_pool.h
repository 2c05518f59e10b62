// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Starts the workers of a run: `jobs` of them (0: one for each core), never more than the `total`
// pictures there are to measure, each running `work`. `running` counts the workers still
// working, under `mutex`, so that the run can tell when the last one ends. A system short of
// threads gets fewer workers, and with none the calling thread does the work itself: the result
// is the same, only slower.
void StartWorkers(int jobs, int total, std::vector<std::thread>& pool, std::mutex& mutex,
                  int& running, const std::function<void()>& work);
