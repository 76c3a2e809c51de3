#include "X86Thunks.h"

#if !defined(__i386__)
#error "the 32-bit x86 thunks build for 32-bit x86 only"
#endif

// The jump buffer holds ebp, ebx, edi, esi, the caller's esp and the return address:
// 24 of the 64 bytes msvcrt's jmp_buf has. Only our own longjmp reads it.
asm(R"(
    .text
    .globl tilesweep_pe32_call_misaligned
    .type tilesweep_pe32_call_misaligned, @function
tilesweep_pe32_call_misaligned:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %esi
    leal 0(,%ecx,4), %eax
    movl %esp, %edx
    subl %eax, %edx
    subl $16, %edx
    andl $-16, %edx
    movl 20(%ebp), %eax
    andl $12, %eax
    addl %eax, %edx
    movl %edx, %esp
    movl %esp, %edi
    cld
    rep movsl
    call *8(%ebp)
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
    .size tilesweep_pe32_call_misaligned, .-tilesweep_pe32_call_misaligned

    .globl tilesweep_pe32_entry_esp
    .type tilesweep_pe32_entry_esp, @function
tilesweep_pe32_entry_esp:
    movl %esp, %eax
    ret
    .size tilesweep_pe32_entry_esp, .-tilesweep_pe32_entry_esp

    .globl tilesweep_pe32_setjmp3
    .type tilesweep_pe32_setjmp3, @function
tilesweep_pe32_setjmp3:
    movl 4(%esp), %edx
    movl %ebp, 0(%edx)
    movl %ebx, 4(%edx)
    movl %edi, 8(%edx)
    movl %esi, 12(%edx)
    leal 4(%esp), %ecx
    movl %ecx, 16(%edx)
    movl (%esp), %ecx
    movl %ecx, 20(%edx)
    xorl %eax, %eax
    ret
    .size tilesweep_pe32_setjmp3, .-tilesweep_pe32_setjmp3

    .globl tilesweep_pe32_longjmp
    .type tilesweep_pe32_longjmp, @function
tilesweep_pe32_longjmp:
    movl 4(%esp), %edx
    movl 8(%esp), %eax
    testl %eax, %eax
    jnz 1f
    incl %eax
1:
    movl 0(%edx), %ebp
    movl 4(%edx), %ebx
    movl 8(%edx), %edi
    movl 12(%edx), %esi
    movl 16(%edx), %esp
    jmp *20(%edx)
    .size tilesweep_pe32_longjmp, .-tilesweep_pe32_longjmp
)");
