/* The curve of ecc_koblitz.ecs, written by bootcheck/curve-constants.cmake
   from that file: do not edit. Words are least significant first; a field
   element's bit i is the coefficient of t^i. */
#ifndef BOOTCHECK_CURVE_CONSTANTS_H
#define BOOTCHECK_CURVE_CONSTANTS_H

/* The field GF(2^m) and its reduction polynomial t^m + (middle terms) + 1. */
#define CURVE_M 163u
#define CURVE_FIELD_WORDS 6u
#define CURVE_REDUCTION_TERMS 3u
#define CURVE_REDUCTION_EXPONENTS {7u, 6u, 3u}

/* y^2 + xy = x^3 + A x^2 + B */
#define CURVE_A_IS_ONE 1
#define CURVE_B {0x00000001u, 0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u, 0x00000000u}

/* The base point G and its prime order q. */
#define CURVE_GX {0x5c94eee8u, 0xde4e6d5eu, 0xaa07d793u, 0x7bbc11acu, 0xfe13c053u, 0x00000002u}
#define CURVE_GY {0xccdaa3d9u, 0x0536d538u, 0x321f2e80u, 0x5d38ff58u, 0x89070fb0u, 0x00000002u}
#define CURVE_SCALAR_WORDS 6u
#define CURVE_Q {0x99f8a5efu, 0xa2e0cc0du, 0x00020108u, 0x00000000u, 0x00000000u, 0x00000004u}

#endif
