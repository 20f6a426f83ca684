// The framework's small arrays.
#include <gtest/gtest.h>

#include "framework/Collections.h"

TEST(Collections, DWordArrayKeepsOrderAndIgnoresBadIndices) {
  CDWordArray a;
  EXPECT_EQ(a.Add(5), 0);
  a.Add(7);
  a.Add(9);
  a.RemoveAt(1);
  EXPECT_EQ(a.GetSize(), 2);
  EXPECT_EQ(a.GetAt(1), 9u);
  a.RemoveAt(5);  // out of range: nothing
  a.RemoveAt(-1);
  a.InsertAt(0, 1);
  EXPECT_EQ(a[0], 1u);
  EXPECT_EQ(a.GetAt(10), 0u);
  a.RemoveAt(1, 10);  // removes to the end only
  EXPECT_EQ(a.GetSize(), 1);
  CStringArray s;
  s.Add("x");
  EXPECT_EQ(s.GetAt(0), "x");
  EXPECT_EQ(s.GetAt(3), "");
}
