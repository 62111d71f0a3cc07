#pragma once

// Marks what the stand-in host library exports; everything else stays hidden.
#if defined(RZHOST_BUILDING)
#define RZHOST_API __attribute__((visibility("default")))
#else
#define RZHOST_API __attribute__((visibility("default")))
#endif
