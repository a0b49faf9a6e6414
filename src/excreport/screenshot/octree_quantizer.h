// Colour reduction of a true-colour picture to a palette of at most 256 colours.
#pragma once

#include "excreport/screenshot/rgb_image.h"

namespace kestrova {

// Builds the palette with an octree and maps every pixel to its entry.
//
// Each pixel descends from the root; at level d (0 to 7) bit 7 - d of red, green and blue
// (weights 4, 2, 1) picks the child, and a node at depth 8 is a leaf that counts the pixels
// reaching it and sums their colours. While there are more than 256 leaves, the deepest level
// that still has inner nodes folds its most recently created one into a leaf. The palette holds
// the leaves' average colours in tree order; a pixel's index is the leaf its colour leads to.
// So a picture with at most 256 distinct colours keeps each of them exactly.
// Pure; callable from any thread. An empty picture gives an empty palette and no indices.
PalettedImage ReduceTo256Colors(const RgbImage& Image);

}  // namespace kestrova
