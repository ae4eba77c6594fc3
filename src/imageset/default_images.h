// The program's own seven images, drawn in code: the set resources.dat is made from, and the
// window's copy when that file cannot be read.
#pragma once

#include "imageset/image_set.h"

namespace kestrane {

ImageSet DefaultImageSet();

}  // namespace kestrane
