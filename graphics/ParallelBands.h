#pragma once

#include <QtGlobal>

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

// Runs job(first, end) over bands of [0, count) that together cover it once, on up to `threads` threads
// (never more than the processor's cores, nor than count): the calling thread takes the first band.
// Used for raster work on large pictures, where each band writes rows of its own. An exception that a
// band raises (its memory not there) is raised again in the calling thread once every band has ended.
template <typename Job>
void ForBands(int count, double threads, const Job& job) {
    const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
    const int used = std::clamp(int(threads), 1, std::max(1, std::min(cores, count)));
    std::vector<std::exception_ptr> failures(used);
    const auto band = [&](int t) {
        try {
            job(int(qint64(count) * t / used), int(qint64(count) * (t + 1) / used));
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(used - 1);
    for (int t = 1; t < used; ++t) {
        try {
            helpers.emplace_back(band, t);
        } catch (const std::system_error&) {
            band(t);  // no thread to be had: do that band here
        }
    }
    band(0);
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}
