// Hand-written 32-bit x86 entries that C++ cannot express: a call made with a chosen
// stack misalignment, and the msvcrt setjmp/longjmp pair (returning twice).
#pragma once

#include <cstdint>

extern "C" {

// Calls fn with `count` 32-bit arguments, esp % 16 == skew at the call instruction
// (0 is what the System V ABI guarantees; 4, 8 and 12 are what a host compiled for
// 4-byte stack alignment may give). Works for cdecl and stdcall; returns eax.
uint32_t tilesweep_pe32_call_misaligned(const void* fn, const uint32_t* args, uint32_t count, uint32_t skew);

// Returns its own esp on entry (the address of its return address).
uint32_t tilesweep_pe32_entry_esp();

// msvcrt's _setjmp3(jmp_buf, count, ...) and longjmp(jmp_buf, value), cdecl.
__attribute__((returns_twice)) int tilesweep_pe32_setjmp3(void* buffer, int count, ...);
[[noreturn]] void tilesweep_pe32_longjmp(void* buffer, int value);
}
