#pragma once

// Helpers for the unit tests of every library (header only, not part of the program).

#include <pthread.h>

#include <functional>
#include <stdexcept>

namespace lorvane::testing {

/// Runs `fn` on a thread whose stack holds only `stack_bytes`, so that a walk that
/// recurses on the depth of a tree overflows it and crashes the test instead of passing.
inline void run_with_small_stack(const std::function<void()>& fn, std::size_t stack_bytes) {
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, stack_bytes);
  pthread_t thread;
  auto body = [](void* arg) -> void* {
    (*static_cast<const std::function<void()>*>(arg))();
    return nullptr;
  };
  if (pthread_create(&thread, &attr, body, const_cast<std::function<void()>*>(&fn)) != 0)
    throw std::runtime_error("pthread_create failed");
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
}

}  // namespace lorvane::testing
