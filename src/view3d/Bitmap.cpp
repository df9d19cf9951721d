#include "view3d/Bitmap.h"

#include <GL/gl.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string SystemReason(const std::string& path, int error) {
    return path + ": " + std::generic_category().message(error);
}

} // namespace

std::size_t BitmapStride(int width) {
    return (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
}

std::optional<CDib> MakeBitmap(int width, int height) {
    if (width <= 0 || height <= 0) return std::nullopt;
    const std::size_t stride = BitmapStride(width);
    const std::size_t size = stride * static_cast<std::size_t>(height);
    // The header keeps the pixel size in 32 bits.
    if (size / stride != static_cast<std::size_t>(height) || size > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    CDib dib;
    try {
        dib.pixels.assign(size, 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    SBitmapInfoHeader& h = dib.header;
    h.width = width;
    h.height = height;
    h.planes = 1;
    h.bitCount = 24;
    h.compression = 0;
    h.sizeImage = static_cast<std::uint32_t>(size);
    h.xPelsPerMeter = kBitmapPelsPerMeter;
    h.yPelsPerMeter = kBitmapPelsPerMeter;
    h.clrUsed = 0;
    h.clrImportant = 0;
    return dib;
}

void SwapRedAndBlue(CDib& dib) {
    const int width = dib.header.width;
    const int height = dib.header.height;
    if (width <= 0 || height <= 0) return;
    const std::size_t stride = BitmapStride(width);
    for (int row = 0; row < height; ++row) {
        std::uint8_t* pixel = dib.pixels.data() + static_cast<std::size_t>(row) * stride;
        if (static_cast<std::size_t>(row + 1) * stride > dib.pixels.size()) return;
        for (int x = 0; x < width; ++x, pixel += 3)
            std::swap(pixel[0], pixel[2]);
    }
}

std::size_t BitmapInfoSize(const SBitmapInfoHeader& h) {
    // A colour table of clrUsed entries, or of one entry per possible value.
    // The count is taken in 64 bits: a header from elsewhere may ask for any.
    const auto table = [&h]() -> std::size_t {
        if (h.clrUsed != 0) return static_cast<std::size_t>(h.clrUsed) * 4;
        if (h.bitCount >= 32) return std::numeric_limits<std::size_t>::max() / 2;
        return (std::size_t{1} << h.bitCount) * 4;
    };
    switch (h.compression) {
    case 3:
        return 52 + (h.clrUsed != 0 ? table() : 0);
    case 0:
        return kInfoHeaderSize + (h.bitCount <= 8 || h.clrUsed != 0 ? table() : 0);
    case 1:
    case 2:
        return kInfoHeaderSize + table();
    default:
        return kInfoHeaderSize;
    }
}

std::size_t BitmapPixelSize(const SBitmapInfoHeader& h) {
    if (h.sizeImage != 0) return h.sizeImage;
    const std::uint64_t rows = h.height < 0 ? -static_cast<std::int64_t>(h.height) : h.height;
    const std::uint64_t row =
        (static_cast<std::uint64_t>(h.bitCount) * static_cast<std::uint32_t>(h.width) + 7) / 8;
    return static_cast<std::size_t>(rows * row);
}

bool BitmapFileHeaderBytes(const CDib& dib, std::vector<std::uint8_t>& bytes, std::string& reason) {
    const SBitmapInfoHeader& h = dib.header;
    const std::size_t infoSize = BitmapInfoSize(h);
    const std::size_t pixelSize = BitmapPixelSize(h);
    if (dib.colours.size() < infoSize - kInfoHeaderSize) {
        reason = "the bitmap lacks the colour table its header calls for.";
        return false;
    }
    if (dib.pixels.size() < pixelSize) {
        reason = "the bitmap holds fewer pixels than its header says.";
        return false;
    }
    const std::uint64_t fileSize = kFileHeaderSize + static_cast<std::uint64_t>(infoSize) + pixelSize;
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) {
        reason = "the bitmap is too large for a bitmap file.";
        return false;
    }
    bytes.clear();
    bytes.reserve(kFileHeaderSize + infoSize);
    Put16(bytes, 0x4D42); // "BM"
    Put32(bytes, static_cast<std::uint32_t>(fileSize));
    Put16(bytes, 0);
    Put16(bytes, 0);
    Put32(bytes, static_cast<std::uint32_t>(kFileHeaderSize + infoSize));
    Put32(bytes, h.size);
    Put32(bytes, static_cast<std::uint32_t>(h.width));
    Put32(bytes, static_cast<std::uint32_t>(h.height));
    Put16(bytes, h.planes);
    Put16(bytes, h.bitCount);
    Put32(bytes, h.compression);
    Put32(bytes, h.sizeImage);
    Put32(bytes, static_cast<std::uint32_t>(h.xPelsPerMeter));
    Put32(bytes, static_cast<std::uint32_t>(h.yPelsPerMeter));
    Put32(bytes, h.clrUsed);
    Put32(bytes, h.clrImportant);
    bytes.insert(bytes.end(), dib.colours.begin(),
                 dib.colours.begin() + static_cast<std::ptrdiff_t>(infoSize - kInfoHeaderSize));
    return true;
}

int WriteBitmapFile(const std::string& path, const CDib& dib, std::string* reason) {
    std::string why;
    std::vector<std::uint8_t> head;
    if (!BitmapFileHeaderBytes(dib, head, why)) {
        if (reason) *reason = why;
        return -1;
    }
    const std::size_t pixelSize = BitmapPixelSize(dib.header);

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        if (reason) *reason = SystemReason(path, errno);
        return -1;
    }
    int error = 0;
    errno = 0;
    if (std::fwrite(head.data(), 1, head.size(), file.get()) != head.size() ||
        std::fwrite(dib.pixels.data(), 1, pixelSize, file.get()) != pixelSize)
        error = errno != 0 ? errno : EIO;
    // Buffered bytes reach the disk at the close, where a full disk shows.
    if (std::fclose(file.release()) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error == 0) return 0;

    // A truncated picture is no use and would pass for a good one: it goes.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(path, ignored)) std::filesystem::remove(path, ignored);
    if (reason) *reason = SystemReason(path, error);
    return -1;
}

std::optional<CDib> ReadGLFrameBuffer() {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::optional<CDib> dib = MakeBitmap(viewport[2], viewport[3]);
    if (!dib) return std::nullopt;
    // Errors of earlier calls are not the read's (bounded: a lost context
    // reports one for ever).
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glFinish();
    // Rows padded to four bytes, as the bitmap's stride.
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadPixels(0, 0, viewport[2], viewport[3], GL_RGB, GL_UNSIGNED_BYTE, dib->pixels.data());
    if (glGetError() != GL_NO_ERROR) return std::nullopt;
    SwapRedAndBlue(*dib);
    return dib;
}
