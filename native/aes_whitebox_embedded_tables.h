// The deployment's white-box table set as the build embeds it: the constants GXor, GTyboxes,
// GTboxesLast and GMBL, initialized from the fragments that `launcher-tablegen embed` writes into
// the build tree. Every program that evaluates the embedded set - the launcher, and the build's
// known-answer check that must pass before the launcher is linked - includes this file once,
// inside an unnamed namespace, so both compile the same initializers into arrays of the same
// shapes: what the check proves is what ships. Not an ordinary header: it defines objects.
// REQUIRES: <stdint.h> or <cstdint> and aes_whitebox_shape.h included before the unnamed
// namespace; the directory holding the .inc fragments on the include path.
#ifndef LAUNCHER_NATIVE_AES_WHITEBOX_EMBEDDED_TABLES_H_
#define LAUNCHER_NATIVE_AES_WHITEBOX_EMBEDDED_TABLES_H_

const uint8_t GXor[kFullRounds][kXorTablesPerRound][kNibbleValues][kNibbleValues] =
#include "gxor.inc"
    ;
const uint32_t GTyboxes[kFullRounds][kStatePositions][kByteValues] =
#include "gtyboxes.inc"
    ;
const uint8_t GTboxesLast[kStatePositions][kByteValues] =
#include "gtboxeslast.inc"
    ;
const uint32_t GMBL[kFullRounds][kStatePositions][kByteValues] =
#include "gmbl.inc"
    ;

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_EMBEDDED_TABLES_H_
