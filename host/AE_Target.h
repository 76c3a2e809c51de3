// The one place where the build target picks the host's record layouts.
//
// 64-bit builds (Windows x64 and Linux x86-64) talk to the current host, whose
// records have natural alignment and identical layouts on both systems. 32-bit
// builds talk to the 32-bit hosts, whose records differ: 2-byte packing, 16-bit
// PF_Rect and PF_Point, 32-bit handle sizes and an older utility callback table.
// Every other header branches on AE_HOST_LAYOUT_32 only.
#pragma once

#include <cstdint>

#if UINTPTR_MAX == 0xFFFFFFFFu
#define AE_HOST_LAYOUT_32 1
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
#define AE_HOST_LAYOUT_32 0
#else
#error "only 32-bit and 64-bit x86 hosts exist"
#endif

// Types whose definition follows the operating system, not the layout.
#if defined(_WIN32)
#define AE_HOST_WINDOWS 1
#else
#define AE_HOST_WINDOWS 0
#endif
