/* Hooks of the benchmark (bench/bootcheck), built with -DBOOT_BENCH: they
   count instructions with SysTick and paint the stack. In the example they
   are nothing. */
#ifndef BOOT_MEASURE_H
#define BOOT_MEASURE_H

#include "bootcheck.h"

#ifdef BOOT_BENCH
void BootMeasureStart(const struct bootcheck_image* image, const uint8_t* publicKey);
void BootMeasureEnd(void);
void SysTickHandler(void);
#define BOOT_SYSTICK_HANDLER SysTickHandler
#else
#define BootMeasureStart(image, publicKey) ((void)(image), (void)(publicKey))
#define BootMeasureEnd() ((void)0)
#define BOOT_SYSTICK_HANDLER FaultHandler
#endif

#endif
