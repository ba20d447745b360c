/* ECDSA verification with SHA-1 on the curve of the curve file. */
#ifndef BOOTCHECK_ECDSA_H
#define BOOTCHECK_ECDSA_H

#include <stdint.h>

#include "curve_constants.h"

/* Bytes of one public key coordinate, big-endian. */
#define ECDSA_COORDINATE_SIZE ((CURVE_M + 7u) / 8u)
/* digital_signature: r then s, least significant byte first. */
#define ECDSA_SIGNATURE_VALUE_SIZE 24u
#define ECDSA_SIGNATURE_SIZE (2u * ECDSA_SIGNATURE_VALUE_SIZE)

/* 1 when signature (ECDSA_SIGNATURE_SIZE bytes) is a signature of message
   by the public key (X then Y). The whole 160-bit digest is the integer
   that is signed, as the signing side does. */
int ecdsa_verify(const uint8_t* public_key, const uint8_t* message, uint32_t message_size,
                 const uint8_t* signature);

#endif
