// The promises of the JPEG and PNG screens on arbitrary bytes, shared by their own targets
// and the picture-kind target that hands them whole files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_target.h"

// A pass names a size the library holds; a refusal leaves the size as it was; neither
// touches the graphics library's error code.
void CheckJpegScreen(const uint8_t* data, size_t size);
void CheckPngScreen(const uint8_t* data, size_t size);

// Rewrites the CRC of every chunk that lies whole inside the data, so that mutations reach
// the checks behind the CRC.
void MendPngCrcs(Bytes* png);
