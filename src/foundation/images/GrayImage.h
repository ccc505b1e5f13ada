#pragma once
// One plane of grey floats from an image file, row by row: the stencil and the stamp keep
// their pixels this way, and displacement maps read a chosen channel through it. Files
// named ".tif" (any case) of 16 or 32 bits per sample keep their precision; every other
// file is read as 8-bit colour.

#include "foundation/Containers.h"

#include <QString>

#include <cstdint>

namespace General {

// Channel modes of the 8-bit path: 0 blue, 1 green, 2 red, 3 alpha, 4 to 6 alpha × blue,
// green or red (the alpha of the 8-bit path is always 1); mode B of 7 or more means no
// second channel, otherwise it is subtracted. For 16 and 32-bit TIFFs mode A is the sample
// index, 0 when the pixel has fewer samples.
enum GrayMode { kGrayBlue, kGrayGreen, kGrayRed, kGrayAlpha, kGrayAlphaBlue, kGrayAlphaGreen, kGrayAlphaRed, kGrayNone };

// Fills `pixels` with width × height values and writes the size; true then. On failure the
// reason is logged, `pixels`, `width` and `height` are left as they were. With `invert`, TIFF
// samples are negated and 8-bit values become 1 − v. `isFloat` (optional) tells whether
// the values came from 32-bit samples.
bool LoadGrayImage(Store<float> &pixels, const QString &fileName, uint32_t &width, uint32_t &height, bool invert,
                   int modeA, int modeB, bool *isFloat = nullptr);

}  // namespace General
