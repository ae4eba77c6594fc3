// The program's own seven images, drawn in code: the set resources.dat is made from, and the
// window's copy when that file cannot be read.
#pragma once

#include "imageset/image_set.h"

namespace kestrane {

ImageSet DefaultImageSet();

// The clean-up dialog's buttons' glyph: a red diagonal cross, 60 x 20, three 20 x 20 states side by
// side (normal, disabled, pressed) that look alike.
RgbaImage RedCrossGlyph();

}  // namespace kestrane
