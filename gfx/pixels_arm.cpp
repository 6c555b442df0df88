// The row copy of the ARM926 (see gfx/pixels.h), written out by hand: the
// compiler, left with the ladder's eight registers taken, keeps the row's
// make-up on the stack and reloads it on every row, which costs as much as
// the copy of a highlight's row.
#include "gfx/pixels.h"

#if defined(__arm__) && !defined(__thumb__)

// korvo_copy_rows16(to r0, to_pitch r1, from r2, from_pitch r3, n [sp], rows [sp + 4])
//
// Copies rows of n pixels (1 to 321; both ends lie alike within a word, the
// pitches are whole words). Worked out once: the pitches less the row's own
// bytes (r1, r3), and in lr the ladder's steps left out (bits 19 and up,
// eight bytes each, so that lr >> 16 is the jump), the lead pixel (bit 4)
// and what the ladder leaves (four words: bit 3, two: bit 2, one: bit 1, a
// pixel: bit 0). Each row then costs its blocks and some twenty
// instructions. Callee-saved registers are those of both of the console's
// calling conventions (r4 to r11).
asm(R"(
    .pushsection .text
    .arm
    .align 2
    .global korvo_copy_rows16
    .type korvo_copy_rows16, %function
korvo_copy_rows16:
    push {r4, r5, r6, r7, r8, r9, r10, r11, lr}
    ldr r4, [sp, #36]
    ldr r12, [sp, #40]
    cmp r12, #0
    ble 2f
    sub r1, r1, r4, lsl #1
    sub r3, r3, r4, lsl #1
    ands r5, r0, #2
    subne r4, r4, #1
    movne r5, #16
    mov r6, r4, lsr #1
    mov r7, r6, lsr #3
    rsb r7, r7, #20
    and r6, r6, #7
    and r4, r4, #1
    orr r4, r4, r6, lsl #1
    orr r4, r4, r5
    orr lr, r4, r7, lsl #19
1:
    tst lr, #16
    ldrneh r4, [r2], #2
    strneh r4, [r0], #2
    add pc, pc, lr, lsr #16
    nop
    .rept 20
    ldmia r2!, {r4, r5, r6, r7, r8, r9, r10, r11}
    stmia r0!, {r4, r5, r6, r7, r8, r9, r10, r11}
    .endr
    tst lr, #8
    ldmneia r2!, {r4, r5, r6, r7}
    stmneia r0!, {r4, r5, r6, r7}
    tst lr, #4
    ldmneia r2!, {r4, r5}
    stmneia r0!, {r4, r5}
    tst lr, #2
    ldrne r4, [r2], #4
    strne r4, [r0], #4
    tst lr, #1
    ldrneh r4, [r2], #2
    strneh r4, [r0], #2
    add r0, r0, r1
    add r2, r2, r3
    subs r12, r12, #1
    bgt 1b
2:
    pop {r4, r5, r6, r7, r8, r9, r10, r11, pc}
    .size korvo_copy_rows16, . - korvo_copy_rows16
    .popsection
)");

#endif
