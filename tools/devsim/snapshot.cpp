#include "snapshot.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace devsim
{

namespace
{

// libjpeg reports a fatal error by calling error_exit, which by default
// ends the process; here it jumps back to the caller instead. The functions
// that set the jump point hold only plain data, so nothing is skipped that
// would need a destructor.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jumpBack(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1);
}

void quiet(j_common_ptr)
{
}

// One of eight colours per channel, shaded from top to bottom, with a
// lighter band whose place moves with the channel.
void paintRow(unsigned char* row, int y, int channel)
{
    static const unsigned char colours[8][3] = { { 200, 60, 60 }, { 60, 170, 60 }, { 60, 90, 200 },
        { 200, 180, 50 }, { 170, 70, 180 }, { 50, 170, 170 }, { 220, 120, 40 }, { 120, 120, 120 } };
    const unsigned char* c = colours[unsigned(channel) % 8];
    const int band = (unsigned(channel) % 8) * kSnapshotWidth / 8;
    for (int x = 0; x < kSnapshotWidth; ++x) {
        const bool light = x >= band && x < band + kSnapshotWidth / 8;
        for (int k = 0; k < 3; ++k) {
            int v = c[k] * (kSnapshotHeight + y) / (2 * kSnapshotHeight);
            if (light)
                v = (v + 255) / 2;
            row[x * 3 + k] = static_cast<unsigned char>(v);
        }
    }
}

// The picture into *out (malloc'ed by libjpeg); false when libjpeg fails.
bool compress(int channel, unsigned char** out, unsigned long* size)
{
    jpeg_compress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpBack;
    error.manager.output_message = quiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = kSnapshotWidth;
    info.image_height = kSnapshotHeight;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    unsigned char row[kSnapshotWidth * 3];
    while (info.next_scanline < info.image_height) {
        paintRow(row, int(info.next_scanline), channel);
        JSAMPROW rows[1] = { row };
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

bool decompress(const unsigned char* data, unsigned long size, int* width, int* height)
{
    jpeg_decompress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jumpBack;
    error.manager.output_message = quiet;
    // Set after the jump point and read after a jump: volatile.
    unsigned char* volatile row = nullptr;
    if (setjmp(error.jump)) {
        std::free(row);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_start_decompress(&info);
    row = static_cast<unsigned char*>(
        std::malloc(size_t(info.output_width) * size_t(info.output_components)));
    if (!row) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = { static_cast<unsigned char*>(row) };
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    *width = int(info.output_width);
    *height = int(info.output_height);
    // A cut or damaged file decodes with warnings (premature end, corrupt
    // data): not a valid picture.
    const bool clean = error.manager.num_warnings == 0;
    std::free(row);
    jpeg_destroy_decompress(&info);
    return clean;
}

} // namespace

std::vector<std::uint8_t> snapshotJpeg(int channel)
{
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> picture;
    if (compress(channel, &out, &size) && out)
        picture.assign(out, out + size);
    std::free(out);
    return picture;
}

bool jpegSize(const std::vector<std::uint8_t>& jpeg, int* width, int* height)
{
    if (jpeg.empty())
        return false;
    int w = 0;
    int h = 0;
    if (!decompress(jpeg.data(), static_cast<unsigned long>(jpeg.size()), &w, &h))
        return false;
    *width = w;
    *height = h;
    return true;
}

} // namespace devsim
