#include "U_JPEGImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return: it jumps back to the decoding function. Only plain C data lives
// between setjmp and longjmp, so no destructor is skipped.
struct TErrorManager {
    jpeg_error_mgr Pub;
    jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    longjmp(err->Jump, 1);
}

// A warning means damaged data (a truncated file, a bad marker): libjpeg
// would go on with grey fill, so it is treated as an error.
void EmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ErrorExit(cinfo);
}

void OutputMessage(j_common_ptr) {}

struct TRawResult {
    unsigned Width;
    unsigned Height;
    int Components;
    int Progressive;
    unsigned char* Pixels;  // malloc'ed, Height * Width * Components bytes
};

enum { kDecodeOk, kDecodeFailed, kDecodeTooLarge, kDecodeNoMemory };

// All of libjpeg's work, in C style: nothing here has a destructor.
int DecodeRaw(const unsigned char* data, unsigned long size, TRawResult* out, char* message) {
    jpeg_decompress_struct cinfo;
    TErrorManager err;
    unsigned char* volatile pixels = nullptr;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.Pub);
    err.Pub.error_exit = ErrorExit;
    err.Pub.emit_message = EmitMessage;
    err.Pub.output_message = OutputMessage;
    err.Message[0] = '\0';
    if (setjmp(err.Jump)) {
        std::free(pixels);
        jpeg_destroy_decompress(&cinfo);
        std::memcpy(message, err.Message, sizeof err.Message);
        return kDecodeFailed;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.num_components == 1) cinfo.out_color_space = JCS_GRAYSCALE;
    else cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    const unsigned long long total = static_cast<unsigned long long>(cinfo.output_width) * cinfo.output_height;
    if (total == 0 || total > TJPEGImage::MaxPixels) {
        jpeg_destroy_decompress(&cinfo);
        return kDecodeTooLarge;
    }
    const size_t stride = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
    pixels = static_cast<unsigned char*>(std::malloc(stride * cinfo.output_height));
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return kDecodeNoMemory;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    out->Width = cinfo.output_width;
    out->Height = cinfo.output_height;
    out->Components = cinfo.output_components;
    out->Progressive = cinfo.progressive_mode ? 1 : 0;
    out->Pixels = pixels;
    jpeg_destroy_decompress(&cinfo);
    return kDecodeOk;
}

}  // namespace

TJPEGImage TJPEGImage::Decode(const uint8_t* Data, size_t Size) {
    if (!Data || Size == 0) throw EJPEG("JPEG画像を読み込めません：データがありません");
    TRawResult raw{};
    char message[JMSG_LENGTH_MAX] = {};
    switch (DecodeRaw(Data, static_cast<unsigned long>(Size), &raw, message)) {
        case kDecodeOk: break;
        case kDecodeTooLarge: throw EJPEG("JPEG画像を読み込めません：画像が大きすぎます");
        case kDecodeNoMemory: throw EJPEG("JPEG画像を読み込めません：メモリが足りません");
        default: throw EJPEG(std::string("JPEG画像を読み込めません：") + message);
    }
    std::unique_ptr<unsigned char, void (*)(void*)> owned(raw.Pixels, std::free);
    TJPEGImage img;
    img.Width = static_cast<int>(raw.Width);
    img.Height = static_cast<int>(raw.Height);
    img.Components = raw.Components;
    img.Progressive = raw.Progressive != 0;
    const size_t bytes = static_cast<size_t>(raw.Width) * raw.Height * static_cast<size_t>(raw.Components);
    img.Pixels.assign(owned.get(), owned.get() + bytes);
    return img;
}

QImage TJPEGImage::ToQImage() const {
    if (Width <= 0 || Height <= 0) return QImage();
    const QImage::Format format = Components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888;
    QImage img(Width, Height, format);
    const size_t stride = static_cast<size_t>(Width) * static_cast<size_t>(Components);
    for (int y = 0; y < Height; ++y) std::memcpy(img.scanLine(y), Pixels.data() + stride * static_cast<size_t>(y), stride);
    return img;
}
