#pragma once

#include <QtGlobal>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

// Runs job(first, end) over bands of [0, count) that together cover it once, on up to `threads` threads
// (never more than the processor's cores, nor than count): the calling thread takes the first band.
// Used for raster work on large pictures, where each band writes rows of its own.
template <typename Job>
void ForBands(int count, double threads, const Job& job) {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int used = std::clamp(int(threads), 1, std::max(1, std::min(cores, count)));
    std::vector<std::thread> helpers;
    helpers.reserve(used - 1);
    for (int t = 1; t < used; ++t) {
        const int first = int(qint64(count) * t / used);
        const int end = int(qint64(count) * (t + 1) / used);
        try {
            helpers.emplace_back(job, first, end);
        } catch (const std::system_error&) {
            job(first, end);  // no thread to be had: do that band here
        }
    }
    job(0, int(qint64(count) / used));
    for (std::thread& helper : helpers) {
        helper.join();
    }
}
