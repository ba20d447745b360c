#include "ecdsa.h"

#include "curve.h"
#include "sha1.h"

/* The affine x of a point is an element of the field; ECDSA reads it as an
   integer, which needs a scalar at least as wide as a field element. */
typedef char field_fits_scalar[CURVE_FIELD_WORDS <= CURVE_SCALAR_WORDS ? 1 : -1];

/* The public key as a point of the curve; 0 when it is none. */
static int load_public_key(struct affine_point* key, const uint8_t* bytes)
{
    key->infinity = 0;
    return gf2m_from_bytes(key->x, bytes, ECDSA_COORDINATE_SIZE) &&
           gf2m_from_bytes(key->y, bytes + ECDSA_COORDINATE_SIZE, ECDSA_COORDINATE_SIZE) && curve_contains(key);
}

/* e: the SHA-1 digest of the message as one big-endian integer, mod q. */
static void message_number(scalar e, const uint8_t* message, uint32_t message_size)
{
    uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_of(message, message_size, digest);
    scalar_from_be_bytes(e, digest, SHA1_DIGEST_SIZE);
    scalar_reduce(e);
}

/* The affine x coordinate read as an integer, mod q. */
static void x_number(scalar v, const struct affine_point* point)
{
    unsigned i;
    for (i = 0; i < CURVE_SCALAR_WORDS; ++i)
        v[i] = i < CURVE_FIELD_WORDS ? point->x[i] : 0;
    scalar_reduce(v);
}

/* r and s each in [1, q-1], or the signature is refused before any
   arithmetic: a zero or oversized value would otherwise pass through the
   formulas. */
static int load_signature(scalar r, scalar s, const uint8_t* signature)
{
    return scalar_from_le_bytes(r, signature, ECDSA_SIGNATURE_VALUE_SIZE) &&
           scalar_from_le_bytes(s, signature + ECDSA_SIGNATURE_VALUE_SIZE, ECDSA_SIGNATURE_VALUE_SIZE) &&
           scalar_in_range(r) && scalar_in_range(s);
}

/* w = s^-1, u1 = e w, u2 = r w, X = u1 G + u2 Q; valid when X is not
   infinity and x(X) mod q = r. */
int ecdsa_verify(const uint8_t* public_key, const uint8_t* message, uint32_t message_size,
                 const uint8_t* signature)
{
    struct affine_point base, key, sum;
    scalar r, s, e, w, u1, u2, v;
    if (!load_signature(r, s, signature) || !load_public_key(&key, public_key))
        return 0;
    message_number(e, message, message_size);
    scalar_invert(w, s);
    scalar_multiply(u1, e, w);
    scalar_multiply(u2, r, w);
    curve_base_point(&base);
    curve_double_multiply(&sum, u1, &base, u2, &key);
    if (sum.infinity)
        return 0;
    x_number(v, &sum);
    return scalar_equal(v, r);
}
