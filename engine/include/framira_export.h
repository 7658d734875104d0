// Marks what libFramira.so exports; everything else is hidden.
#pragma once

#if defined(FRAMIRA_ENGINE_BUILD)
#define FRAMIRA_API __attribute__((visibility("default")))
#else
#define FRAMIRA_API
#endif

// Members of exported classes that only the library itself may call.
#define FRAMIRA_HIDDEN __attribute__((visibility("hidden")))
