# Writes the boot check's curve constants from a curve file (ecc_koblitz.ecs:
# m, A, B, q, x, y in hexadecimal, then the exponents a, b, c of the
# reduction polynomial), so the target's arithmetic is the curve the signing
# side reads. Run as
#   cmake -DCURVE_FILE=utility/signing/ecc_koblitz.ecs -DOUTPUT=bootcheck/src/curve_constants.h -P bootcheck/curve-constants.cmake
# The header in the source tree is this script's output; a test writes it
# again and compares, so the two cannot drift apart.
if(NOT CURVE_FILE OR NOT OUTPUT)
  message(FATAL_ERROR "usage: cmake -DCURVE_FILE=FILE -DOUTPUT=HEADER -P curve-constants.cmake")
endif()
file(READ "${CURVE_FILE}" text)
string(REGEX MATCHALL "[^ \t\r\n]+" fields "${text}")
list(LENGTH fields count)
if(NOT count EQUAL 9)
  message(FATAL_ERROR "${CURVE_FILE}: expected 9 fields (m A B q x y a b c), found ${count}")
endif()
list(GET fields 0 m)
list(GET fields 1 curve_a)
list(GET fields 2 curve_b)
list(GET fields 3 q)
list(GET fields 4 gx)
list(GET fields 5 gy)
list(GET fields 6 exponent_a)
list(GET fields 7 exponent_b)
list(GET fields 8 exponent_c)

# The target's formulas are those of a Koblitz curve (A is 0 or 1), and its
# reduction folds whole words, which needs the middle terms well below m.
if(NOT curve_a MATCHES "^0*[01]$")
  message(FATAL_ERROR "${CURVE_FILE}: A must be 0 or 1 (a Koblitz curve)")
endif()
math(EXPR a_is_one "0x${curve_a}")
math(EXPR highest_middle_term "${exponent_a} + 32")
if(NOT highest_middle_term LESS m)
  message(FATAL_ERROR "${CURVE_FILE}: the exponent a must be below m - 32")
endif()
if(exponent_b EQUAL 0)
  set(exponents "${exponent_a}u")
  set(term_count 1)
else()
  set(exponents "${exponent_a}u, ${exponent_b}u, ${exponent_c}u")
  set(term_count 3)
endif()

math(EXPR field_words "(${m} + 31) / 32")
string(REGEX REPLACE "^0+" "" q_digits "${q}")
string(LENGTH "${q_digits}" q_length)
math(EXPR scalar_words "(${q_length} + 7) / 8")

# A hexadecimal number as C words, least significant word first.
function(hex_words hex words out)
  string(TOLOWER "${hex}" hex)
  string(REGEX REPLACE "^0+" "" hex "${hex}")
  string(LENGTH "${hex}" length)
  math(EXPR width "${words} * 8")
  if(length GREATER width)
    message(FATAL_ERROR "${CURVE_FILE}: ${hex} does not fit ${words} words")
  endif()
  math(EXPR padding "${width} - ${length}")
  string(REPEAT "0" ${padding} zeros)
  set(hex "${zeros}${hex}")
  set(list "")
  math(EXPR last "${words} - 1")
  foreach(i RANGE ${last})
    math(EXPR start "(${last} - ${i}) * 8")
    string(SUBSTRING "${hex}" ${start} 8 word)
    list(APPEND list "0x${word}u")
  endforeach()
  list(JOIN list ", " joined)
  set(${out} "{${joined}}" PARENT_SCOPE)
endfunction()

hex_words("${curve_b}" ${field_words} b_words)
hex_words("${gx}" ${field_words} gx_words)
hex_words("${gy}" ${field_words} gy_words)
hex_words("${q}" ${scalar_words} q_words)

file(WRITE "${OUTPUT}" "/* The curve of ecc_koblitz.ecs, written by bootcheck/curve-constants.cmake
   from that file: do not edit. Words are least significant first; a field
   element's bit i is the coefficient of t^i. */
#ifndef BOOTCHECK_CURVE_CONSTANTS_H
#define BOOTCHECK_CURVE_CONSTANTS_H

/* The field GF(2^m) and its reduction polynomial t^m + (middle terms) + 1. */
#define CURVE_M ${m}u
#define CURVE_FIELD_WORDS ${field_words}u
#define CURVE_REDUCTION_TERMS ${term_count}u
#define CURVE_REDUCTION_EXPONENTS {${exponents}}

/* y^2 + xy = x^3 + A x^2 + B */
#define CURVE_A_IS_ONE ${a_is_one}
#define CURVE_B ${b_words}

/* The base point G and its prime order q. */
#define CURVE_GX ${gx_words}
#define CURVE_GY ${gy_words}
#define CURVE_SCALAR_WORDS ${scalar_words}u
#define CURVE_Q ${q_words}

#endif
")

# The test's mode: the header in the source tree must be exactly this output.
if(COMPARE_WITH)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUTPUT}" "${COMPARE_WITH}" RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${COMPARE_WITH} is not what ${CURVE_FILE} gives: write it again with this script")
  endif()
endif()
