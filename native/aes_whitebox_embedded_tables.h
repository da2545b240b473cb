// The deployment data as the build embeds it: the white-box table set GXor, GTyboxes, GTboxesLast
// and GMBL and the encrypted distribution key distKey (kDistributionKeySize bytes), initialized
// from the fragments that `launcher-tablegen embed` writes into the build tree. The launcher and
// the build's check of its data (the known answers and the key file, which must pass before the
// launcher is linked) include this file once each, inside an unnamed namespace, so both compile the
// same initializers into arrays of the same shapes: what the check proves is what ships. Not an
// ordinary header: it defines objects.
// REQUIRES: <stdint.h> or <cstdint>, aes_whitebox_shape.h and aes_whitebox_tables.h included
// before the unnamed namespace; the directory holding the .inc fragments on the include path.
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
// Sized by its fragment, so that a fragment of any other length cannot be padded or cut to fit.
const uint8_t distKey[] =
#include "distkey.inc"
    ;
static_assert(sizeof distKey == kDistributionKeySize,
              "distkey.inc must hold exactly kDistributionKeySize bytes");
// The build checks a supplied table file against LAUNCHER_TABLE_FILE_SIZE: the same bytes as here.
static_assert(sizeof GXor + sizeof GTyboxes + sizeof GTboxesLast + sizeof GMBL ==
                  LAUNCHER_TABLE_FILE_SIZE,
              "the build's LAUNCHER_TABLE_FILE_SIZE (CMakeLists.txt) differs from the tables");

#endif  // LAUNCHER_NATIVE_AES_WHITEBOX_EMBEDDED_TABLES_H_
