// Measuring a long run of text only as far as a width asks for.
#pragma once

#include <cstddef>
#include <string_view>

class TCanvas;

// How many bytes from the start of text (from its end with fromEnd) fit into maxWidth pixels
// in the canvas's font; their width goes to *width. Measured piece by piece, so the cost
// follows what fits, not the length of text.
size_t TextFit(const TCanvas& canvas, std::string_view text, int maxWidth, int* width = nullptr,
               bool fromEnd = false);
// The same for UTF-8 text: the bytes counted end between characters.
size_t TextFitUtf8(const TCanvas& canvas, std::string_view text, int maxWidth, int* width = nullptr,
                   bool fromEnd = false);
