#pragma once
// Work split among threads: the caller's thread takes a share too.

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace lumora {

// Runs f(i) for i in [0, n) on up to `threads` threads, rethrowing the
// first failure once all have ended.
template <class F>
void ParallelFor(int n, int threads, const F& f) {
  std::vector<std::thread> pool;
  std::vector<std::exception_ptr> failures(n);
  for (int t = 1; t < std::min(n, threads); ++t)
    pool.emplace_back([&, t] {
      for (int i = t; i < n; i += threads) try {
          f(i);
        } catch (...) {
          failures[i] = std::current_exception();
        }
    });
  for (int i = 0; i < n; i += threads) try {
      f(i);
    } catch (...) {
      failures[i] = std::current_exception();
    }
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& e : failures)
    if (e) std::rethrow_exception(e);
}

}  // namespace lumora
