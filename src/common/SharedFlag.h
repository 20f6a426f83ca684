// An int flag of the settings object that several threads write and read.
// Copying takes the value, so the settings object stays assignable.
#pragma once

#include <atomic>

#include "platform/WinTypes.h"

class SharedFlag {
 public:
  SharedFlag(BOOL value = FALSE) : m_value(value) {}
  SharedFlag(const SharedFlag& other) : m_value(other.m_value.load()) {}
  SharedFlag& operator=(const SharedFlag& other) {
    m_value = other.m_value.load();
    return *this;
  }
  SharedFlag& operator=(BOOL value) {
    m_value = value;
    return *this;
  }
  operator BOOL() const { return m_value.load(); }

 private:
  std::atomic<BOOL> m_value;
};
