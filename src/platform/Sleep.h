// Sleeps and ticks. Every wait of the program goes through Sleep so that a
// test can shorten the waits while the program keeps its timings.
#pragma once

#include <functional>

#include "platform/WinTypes.h"

// Pauses the calling thread for ms milliseconds (through the sleep function).
void Sleep(DWORD ms);

// Replaces the sleep function; an empty function restores the real one.
// Returns the previous function.
using SleepFunction = std::function<void(DWORD)>;
SleepFunction SetSleepFunction(SleepFunction fn);

// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();
