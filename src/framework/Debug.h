// Debug checks and the small declaration macros of the dialog code.
#pragma once

#include "platform/Trace.h"

#ifdef NDEBUG
#define ASSERT(f) ((void)0)
#else
#define ASSERT(f) \
  ((f) ? (void)0 : TraceOutput("Assertion failed: %s (%s:%d)\n", #f, __FILE__, __LINE__))
#endif
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(p) ASSERT((p) != nullptr)
#define afx_msg
#define DECLARE_DYNAMIC(c)
#define DECLARE_DYNCREATE(c)
#define IMPLEMENT_DYNAMIC(c, b)
#define IMPLEMENT_DYNCREATE(c, b)
