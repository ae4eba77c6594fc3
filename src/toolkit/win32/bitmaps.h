// Windows bitmaps and image lists made from the image set's straight-alpha RGBA pictures.
#pragma once
#ifndef _WIN32
#error "Windows only"
#endif

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "imageset/png.h"
#include "platform/win32/unique_handle.h"

namespace kestrane::win32 {

// A top-down 32-bit DIB section holding premultiplied BGRA words.
UniqueBitmap MakeBitmap(int width, int height, const std::vector<std::uint32_t>& pixels);
// A premultiplied alpha bitmap of the image.
UniqueBitmap MakeAlphaBitmap(const RgbaImage& image);
// Premultiplied alpha bitmaps of the images, for menus and the grid.
std::vector<UniqueBitmap> MakeAlphaBitmaps(const std::vector<RgbaImage>& images);
// A bitmap's width and height; zero for none.
SIZE BitmapSize(HBITMAP bitmap);
// The picture drawn grey, for a disabled button.
RgbaImage Greyed(const RgbaImage& image);
// The picture scaled by whole source pixels, so edges stay crisp.
RgbaImage Scaled(const RgbaImage& image, int width, int height);
// A button's image list: the picture for every state, greyed for the disabled one.
UniqueImageList ButtonImageList(const RgbaImage& image, int size);
// The states of a button's picture: a strip three times as wide as high holds normal, disabled and
// pressed side by side; any other picture stands for all three.
std::array<RgbaImage, 3> PictureStates(const RgbaImage& picture);
// Draws a premultiplied alpha bitmap, all of it, into the rectangle at x, y (stretched to its size).
// False when the system could not.
bool DrawAlphaBitmap(HDC target, int x, int y, int width, int height, HBITMAP bitmap);
// An icon of the given size from the picture (scaled, transparent where the picture is).
UniqueIcon MakeIcon(const RgbaImage& image, int size);

}  // namespace kestrane::win32
