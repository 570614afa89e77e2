#include "solverparts.h"

#include <atomic>
#include <cmath>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace Kgw {

void runInParallel(int count, int threads, const std::function<void(int, int)> &job,
    const ProgressFunction &progress)
{
    std::atomic<int> next { 0 };
    std::atomic<int> done { 0 };
    std::atomic<bool> stop { false };
    std::exception_ptr failure;
    std::mutex failureLock;
    const auto work = [&](int thread) {
        try {
            for (int j = next++; j < count && !stop; j = next++) {
                job(j, thread);
                const int finished = ++done;
                if (thread == 0 && progress)
                    progress(double(finished) / count);
            }
        } catch (...) {
            stop = true;
            const std::lock_guard<std::mutex> lock(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> others;
    for (int t = 1; t < std::min(threads, count); ++t)
        others.emplace_back(work, t);
    work(0);
    for (std::thread &thread : others)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

double mixedBoundaryCoefficient(double k, double distance, double cosine)
{
    const double x = k * distance;
    // K₀ underflows far out, where the first terms of the large-argument series of both
    // functions give their ratio to better than 1e-7.
    if (x < 50)
        return k * std::cyl_bessel_k(1.0, x) / std::cyl_bessel_k(0.0, x) * cosine;
    const double u = 1 / x;
    const double k0 = 1 - u / 8 + 9 * u * u / 128 - 225 * u * u * u / 3072;
    const double k1 = 1 + 3 * u / 8 - 15 * u * u / 128 + 315 * u * u * u / 3072;
    return k * k1 / k0 * cosine;
}

int poleTerms(const LineQuadruple &q, int electrodes, PoleTerm terms[4])
{
    const int a = q.a - 1;
    const int b = q.b - 1;
    const int m = q.m - 1;
    const int n = q.n - 1;
    for (const int e : { a, b, m, n }) {
        if (e < -1 || e >= electrodes)
            return -1;
    }
    for (const int p : { m, n }) {
        if (p >= 0 && (p == a || p == b))
            return -1;
    }
    int count = 0;
    const PoleTerm all[4] = { { a, m, 1 }, { a, n, -1 }, { b, m, -1 }, { b, n, 1 } };
    for (const PoleTerm &t : all) {
        if (t.current >= 0 && t.potential >= 0)
            terms[count++] = t;
    }
    return count;
}

} // namespace Kgw
