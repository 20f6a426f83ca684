// The small growable arrays of the dialog code (the framework's DWORD and
// string arrays), over std::vector. Indices out of range are ignored by the
// changing calls and give a default value when read.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "framework/WinDefs.h"

template <class T>
class CSimpleArray {
 public:
  INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
  INT_PTR GetCount() const { return GetSize(); }
  INT_PTR GetUpperBound() const { return GetSize() - 1; }
  bool IsEmpty() const { return m_items.empty(); }
  INT_PTR Add(const T& value) {
    m_items.push_back(value);
    return GetSize() - 1;
  }
  T GetAt(INT_PTR i) const { return InRange(i) ? m_items[static_cast<size_t>(i)] : T{}; }
  void SetAt(INT_PTR i, const T& value) {
    if (InRange(i)) m_items[static_cast<size_t>(i)] = value;
  }
  void InsertAt(INT_PTR i, const T& value) {
    if (i >= 0 && i <= GetSize()) m_items.insert(m_items.begin() + i, value);
  }
  void RemoveAt(INT_PTR i, INT_PTR count = 1) {
    if (!InRange(i) || count <= 0) return;
    INT_PTR end = std::min(GetSize(), i + count);
    m_items.erase(m_items.begin() + i, m_items.begin() + end);
  }
  void RemoveAll() { m_items.clear(); }
  void SetSize(INT_PTR n) { m_items.resize(static_cast<size_t>(std::max<INT_PTR>(n, 0))); }
  T& operator[](INT_PTR i) { return m_items.at(static_cast<size_t>(i)); }
  const T& operator[](INT_PTR i) const { return m_items.at(static_cast<size_t>(i)); }
  T& ElementAt(INT_PTR i) { return (*this)[i]; }

 private:
  bool InRange(INT_PTR i) const { return i >= 0 && i < GetSize(); }
  std::vector<T> m_items;
};

using CDWordArray = CSimpleArray<DWORD>;
using CUIntArray = CSimpleArray<UINT>;
using CStringArray = CSimpleArray<std::string>;
