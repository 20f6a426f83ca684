// Debug trace: printf-style lines to standard error in debug builds.
#pragma once

void TraceOutput(const char* format, ...) __attribute__((format(printf, 1, 2)));

#ifdef NDEBUG
#define TRACE(...) ((void)0)
#else
#define TRACE(...) TraceOutput(__VA_ARGS__)
#endif
