/* Checks 2 to 4 and the decryption, for bootcheck_run. */
#ifndef BOOTCHECK_RECORD_CHECKS_H
#define BOOTCHECK_RECORD_CHECKS_H

#include "bootcheck.h"

/* The header, the table digest, every entry's section; when all passed, the
   encrypted sections decrypted in place. Counts go to the report. */
enum bootcheck_result record_checks_run(const struct bootcheck_image* image, const struct bootcheck_keys* keys,
                                        struct bootcheck_report* report);

#endif
