#pragma once
// Device-independent bitmaps (Windows *.bmp) for the export of the 3D
// picture: the 40-byte info header, the bottom-up pixel rows, reading the GL
// frame into one and writing one to a file.
//
// File layout (little-endian): a 14-byte file header ("BM", file size, two
// reserved words, offset of the pixels), the info header with whatever colour
// masks or colour table its fields call for, then the pixel rows.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The 40-byte info header, field by field in file order.
struct SBitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0; // positive: rows bottom up
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0; // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
    std::uint32_t sizeImage = 0;   // bytes of pixel data; 0: computed from the size
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

// A bitmap in memory: header, the bytes that follow the 40-byte header in the
// file (colour masks, colour table; none for 24 bits) and the pixel rows.
struct CDib {
    SBitmapInfoHeader header;
    std::vector<std::uint8_t> colours;
    std::vector<std::uint8_t> pixels;
};

inline constexpr std::int32_t kBitmapPelsPerMeter = 2952;

// Bytes of one 24-bit row: three per pixel, padded to a multiple of four.
std::size_t BitmapStride(int width);

// A 24-bit bottom-up bitmap of the given size with zeroed pixels (so the
// padding of every row is 0) and its header filled in; none when the size is
// not positive or the memory cannot be had.
std::optional<CDib> MakeBitmap(int width, int height);

// Turns red-green-blue pixels (as GL returns them) into blue-green-red, row by
// row, leaving the padding alone.
void SwapRedAndBlue(CDib& dib);

// Bytes of the header part of the file after the 14-byte file header: 40, plus
// 12 colour masks for bit fields, plus a colour table of clrUsed entries (or
// 2^bitCount when clrUsed is 0) where the compression and bit count use one.
std::size_t BitmapInfoSize(const SBitmapInfoHeader& header);
// Bytes of pixel data the file holds: sizeImage, or when that is 0, |height|
// times the unpadded row.
std::size_t BitmapPixelSize(const SBitmapInfoHeader& header);

// The file up to its pixels: file header, info header and the colour part;
// false (with the reason) when the bitmap holds fewer colour or pixel bytes
// than its header calls for, or the file would be too large for its format.
bool BitmapFileHeaderBytes(const CDib& dib, std::vector<std::uint8_t>& bytes, std::string& reason);

// Writes the file: 0 on success, -1 on failure with the reason. A file that
// could not be written whole is removed again, so no truncated picture is left.
int WriteBitmapFile(const std::string& path, const CDib& dib, std::string* reason = nullptr);

// The pixels of the viewport of the current GL context, read from its current
// read buffer (the caller chooses it: the buffer that holds the frame); none
// without memory or with an empty viewport.
std::optional<CDib> ReadGLFrameBuffer();
