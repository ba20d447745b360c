/*
 * The boot stage: plain code in .text, never hashed or encrypted. It runs the
 * boot check over the image's sections, found through the linker script's
 * symbols, with the public key and the AES key compiled in, and starts the
 * firmware (whose code partly lives in the encrypted sections) only when
 * every check passed. It reports through ARM semihosting and ends the
 * emulator with its status: 0 when the firmware ran, the check's result
 * code when the image was refused.
 *
 * On a real device the AES key is the device's secret in OTP or fuses, read
 * here instead of compiled in; the public key comes from
 * `vantrel-utility keys export --format c` (BOOT_PUBLIC_KEY_HEADER).
 */
#include <stdint.h>

#include "bootcheck.h"

#ifndef BOOT_PUBLIC_KEY_HEADER
#define BOOT_PUBLIC_KEY_HEADER "pelora-public-key.h"
#endif
#include BOOT_PUBLIC_KEY_HEADER

#include "boot-measure.h"

#define SECTION_VECTORS __attribute__((section(".isr_vector"), used))

/* The demonstration AES-128 key of examples/run-workflow. A device reads its
   own from OTP or fuses and never ships it in the image. */
static const uint8_t demoAesKey[16] = {
    0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6, 0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c,
};

/* From the linker script: the protection sections, and the memory the record
   may name (hashed sections in flash, encrypted ones in RAM, where they are
   decrypted in place and run). */
extern uint8_t __msg_data_start[], __msg_data_end[];
extern uint8_t __digital_signature_start[], __digital_signature_end[];
extern uint8_t __AESData_start[], __AESData_end[];
extern uint8_t __hashed_start[], __hashed_end[];
extern uint8_t __encrypted_start[], __encrypted_end[];
extern uint32_t __stack_top;

uint32_t FirmwareMain(void);

/* ARM semihosting: the debugger (here the emulator) serves the call. */
#define SEMIHOSTING_WRITE0 0x04
#define SEMIHOSTING_EXIT_EXTENDED 0x20
#define SEMIHOSTING_APPLICATION_EXIT 0x20026

static uint32_t Semihosting(uint32_t operation, const void* argument)
{
    register uint32_t r0 __asm__("r0") = operation;
    register const void* r1 __asm__("r1") = argument;
    __asm__ volatile("bkpt 0xab" : "+r"(r0) : "r"(r1) : "memory");
    return r0;
}

static void Print(const char* text)
{
    Semihosting(SEMIHOSTING_WRITE0, text);
}

static void Exit(uint32_t status)
{
    const uint32_t block[2] = {SEMIHOSTING_APPLICATION_EXIT, status};
    Semihosting(SEMIHOSTING_EXIT_EXTENDED, block);
    for (;;) {
    }
}

/* A decimal number, written at the end of text (which must have room). */
static void AppendNumber(char* text, uint32_t value)
{
    char digits[11];
    unsigned count = 0;
    while (*text)
        ++text;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        *text++ = digits[--count];
    *text = 0;
}

static void Append(char* text, const char* more)
{
    while (*text)
        ++text;
    while (*more)
        *text++ = *more++;
    *text = 0;
}

static uint32_t Size(const uint8_t* start, const uint8_t* end)
{
    return (uint32_t)(end - start);
}

static void Refuse(const struct bootcheck_report* report)
{
    char line[96];
    line[0] = 0;
    Append(line, "boot check failed: ");
    Append(line, bootcheck_result_name(report->result));
    if (report->result == BOOTCHECK_ENTRY || report->result == BOOTCHECK_SECTION_DIGEST) {
        Append(line, " (entry ");
        AppendNumber(line, report->failed_entry);
        Append(line, ")");
    }
    Append(line, "; the firmware is not started\n");
    Print(line);
    Exit((uint32_t)report->result);
}

void Reset_Handler(void)
{
    const struct bootcheck_region regions[] = {
        {(uint32_t)__hashed_start, Size(__hashed_start, __hashed_end), __hashed_start, 0},
        {(uint32_t)__encrypted_start, Size(__encrypted_start, __encrypted_end), __encrypted_start, 1},
    };
    const struct bootcheck_image image = {
        __msg_data_start, Size(__msg_data_start, __msg_data_end),
        __digital_signature_start, Size(__digital_signature_start, __digital_signature_end),
        __AESData_start, Size(__AESData_start, __AESData_end),
        regions, sizeof regions / sizeof regions[0],
    };
    const struct bootcheck_keys keys = {vantrel_public_key, demoAesKey, sizeof demoAesKey};
    struct bootcheck_report report;
    char line[96];

    BootMeasureStart(&image, keys.public_key);
    if (bootcheck_run(&image, &keys, &report) != BOOTCHECK_PASSED)
        Refuse(&report);
    BootMeasureEnd();

    line[0] = 0;
    Append(line, "boot check passed: signature, AESData record, ");
    AppendNumber(line, report.hashed);
    Append(line, " section digests, ");
    AppendNumber(line, report.decrypted);
    Append(line, " sections decrypted; ");
    Print(line);
    line[0] = 0;
    Append(line, "decrypted code ran, result ");
    AppendNumber(line, FirmwareMain());
    Append(line, "\n");
    Print(line);
    Exit(0);
}

/* A fault (for instance code that was not decrypted) ends the run too. */
void FaultHandler(void)
{
    Print("boot: fault\n");
    Exit(100);
}

SECTION_VECTORS const void* const vectorTable[16] = {
    &__stack_top, (const void*)Reset_Handler,
    (const void*)FaultHandler, (const void*)FaultHandler, (const void*)FaultHandler,
    (const void*)FaultHandler, (const void*)FaultHandler, 0, 0, 0, 0,
    (const void*)FaultHandler, 0, 0, (const void*)FaultHandler, (const void*)BOOT_SYSTICK_HANDLER,
};
