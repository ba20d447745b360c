/*
 * The benchmark's hooks in the example's boot stage (built with
 * -DBOOT_BENCH): instructions counted with SysTick under qemu's -icount
 * shift=0 (one instruction per nanosecond of virtual time), calibrated with
 * a loop of known length, and the peak stack found by painting it.
 */
#include <stdint.h>

#include "boot-measure.h"

#define SYST_CSR (*(volatile uint32_t*)0xe000e010u)
#define SYST_RVR (*(volatile uint32_t*)0xe000e014u)
#define SYST_CVR (*(volatile uint32_t*)0xe000e018u)
#define SYSTICK_MAX 0x00ffffffu
#define SYSTICK_ON_CPU_CLOCK_WITH_INTERRUPT 7u
#define PAINT 0xa5a5a5a5u
#define PAINTED_BYTES 8192u
#define CALIBRATION_LOOPS 1000000u

extern uint32_t __stack_top;
static volatile uint32_t wraps;
static uint32_t fullStart;

void SysTickHandler(void)
{
    ++wraps;
}

static uint32_t Ticks(void)
{
    uint32_t before, value;
    do {
        before = wraps;
        value = SYST_CVR;
    } while (before != wraps);
    return before * (SYSTICK_MAX + 1u) + (SYSTICK_MAX - value);
}

static void Print(const char* text)
{
    register uint32_t r0 __asm__("r0") = 0x04;
    register const char* r1 __asm__("r1") = text;
    __asm__ volatile("bkpt 0xab" : "+r"(r0) : "r"(r1) : "memory");
}

static void PrintNumber(const char* label, uint32_t value)
{
    char digits[12];
    unsigned count = 0;
    Print(label);
    do {
        digits[10 - count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    digits[11] = 0;
    Print(digits + 11 - count);
    Print("\n");
}

/* Exactly two instructions a loop. */
static void Spin(uint32_t loops)
{
    __asm__ volatile("1: subs %0, %0, #1\n\tbne 1b" : "+r"(loops) : : "cc");
}

static uint32_t ticksPerMillionInstructions;

static uint32_t Instructions(uint32_t ticks)
{
    return (uint32_t)((uint64_t)ticks * 1000000u / ticksPerMillionInstructions);
}

static void PaintStack(void)
{
    uint32_t stackPointer;
    uint32_t* word = &__stack_top - PAINTED_BYTES / 4;
    __asm__ volatile("mov %0, sp" : "=r"(stackPointer));
    /* Up to just below this function's own frame. */
    while ((uint32_t)word < stackPointer - 64u)
        *word++ = PAINT;
}

void BootMeasureStart(const struct bootcheck_image* image, const uint8_t* publicKey)
{
    uint32_t start;
    SYST_RVR = SYSTICK_MAX;
    SYST_CVR = 0;
    SYST_CSR = SYSTICK_ON_CPU_CLOCK_WITH_INTERRUPT;
    start = Ticks();
    Spin(CALIBRATION_LOOPS);
    ticksPerMillionInstructions = (Ticks() - start) / 2u;
    start = Ticks();
    bootcheck_check_signature(image, publicKey);
    PrintNumber("bench: signature verification instructions: ", Instructions(Ticks() - start));
    PaintStack();
    fullStart = Ticks();
}

void BootMeasureEnd(void)
{
    const uint32_t end = Ticks();
    const uint32_t* word = &__stack_top - PAINTED_BYTES / 4;
    while (*word == PAINT)
        ++word;
    PrintNumber("bench: full check instructions: ", Instructions(end - fullStart));
    PrintNumber("bench: peak stack bytes (boot stage and check): ", (uint32_t)((&__stack_top - word) * 4));
}
