// A replaceable hook: a function that several threads may call while a test
// or the view replaces it (internal to the framework).
#pragma once

#include <mutex>

namespace fw {

template <class F>
class Hook {
 public:
  // Installs `hook`; returns the previous one.
  F Exchange(F hook) {
    std::lock_guard lock(m_mutex);
    F old = std::move(m_hook);
    m_hook = std::move(hook);
    return old;
  }
  // A copy to call outside the lock (the hook may take long: a dialog).
  F Get() const {
    std::lock_guard lock(m_mutex);
    return m_hook;
  }

 private:
  mutable std::mutex m_mutex;
  F m_hook;
};

}  // namespace fw
