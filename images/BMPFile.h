#pragma once
// Windows bitmaps written from 32-bit bitmaps: uncompressed, bottom-up,
// 24 or 32 bits per pixel. The AVI writer stores its frames in the same
// layout, so the pieces are public.

#include <cstddef>
#include <string>

#include "images/Bitmap32.h"

namespace lumora {

// Bytes of one pixel row, padded to a multiple of 4.
size_t DIBStride(int width, int bitsPerPixel);
// Bytes of all pixel rows (biSizeImage).
size_t DIBImageSize(int width, int height, int bitsPerPixel);
// The 40-byte BITMAPINFOHEADER of an uncompressed bottom-up bitmap.
std::string BitmapInfoHeader(int width, int height, int bitsPerPixel);
// Appends the pixel rows, bottom row first, at 24 or 32 bits per pixel.
void AppendDIBPixels(std::string& out, const TBitmap32& bitmap, int bitsPerPixel);

// A whole .bmp file: file header, information header, pixel rows. Throws
// std::length_error for a bitmap whose size does not fit the format.
std::string EncodeBMP(const TBitmap32& bitmap, int bitsPerPixel = 24);

}  // namespace lumora
