// A JPEG picture decoded with libjpeg (the version 6 interface) into 8-bit
// RGB or grey pixels. A damaged or truncated picture raises EJPEG; it never
// yields a half-grey picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>

#include "Exception.h"

Z_DECLARE_EXCEPTION(EJPEG, Exception);

class TJPEGImage {
public:
    int Width = 0;
    int Height = 0;
    int Components = 0;                  // 3 for RGB, 1 for grey
    bool Progressive = false;            // false for a baseline picture
    std::vector<uint8_t> Pixels;         // Height rows of Width * Components bytes

    // Decodes a whole JPEG file held in memory. Raises EJPEG with a Japanese
    // message (and libjpeg's reason) when the data is not a readable picture.
    static TJPEGImage Decode(const uint8_t* Data, size_t Size);

    // The pixels as a Qt image (RGB888 or Grayscale8).
    QImage ToQImage() const;

    // Pictures larger than this many pixels are refused.
    static constexpr uint64_t MaxPixels = 64ull * 1024 * 1024;
};
