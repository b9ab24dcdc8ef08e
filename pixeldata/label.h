// The names an include file gets: its file name, derived from the picture's, and the label inside
// it, derived from the file name.
#pragma once

#include <string>
#include <string_view>

// The include file's label: the output name without blanks around it, with every character
// from the blank to "/" (codes 32 to 47), and every control character, replaced by "_"; a
// letter outside ASCII becomes its ASCII base letter (é gives e, ß ss), any other character
// outside ASCII, and every byte that is no UTF-8, "_"; a label that would start with a digit
// starts with "_" before it.
std::string MakeLabel(std::string_view outputName);

// The output name the converter derives from an input path: "Res", the file name less its
// extension (from its last dot on), ".bi": flower.bmp gives Resflower.bi, photo.jpeg
// Resphoto.bi, a name without a dot is kept whole. "/" and "\" separate folders.
std::string DeriveOutputName(std::string_view inputPath);
