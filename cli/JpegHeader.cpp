#include "JpegHeader.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tilesweep {

namespace {

struct QuietErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

extern "C" void leaveOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<QuietErrors*>(info->err)->escape, 1);
}

extern "C" void keepQuiet(j_common_ptr) {}

}  // namespace

bool looksLikeJpeg(const unsigned char* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool readJpegFrame(const unsigned char* data, std::size_t size, JpegFrame& frame) {
    jpeg_decompress_struct info{};
    QuietErrors errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = leaveOnError;
    errors.base.output_message = keepQuiet;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    // Markers only: no image buffer is taken before the first scan.
    const bool read = jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK;
    frame = JpegFrame{static_cast<int32_t>(info.image_width), static_cast<int32_t>(info.image_height),
                      info.num_components};
    jpeg_destroy_decompress(&info);
    return read;
}

}  // namespace tilesweep
