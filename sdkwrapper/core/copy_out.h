#pragma once
// Handing result texts to caller buffers (char* out, int size).
#include <string>

namespace vlsdk
{

// For exports that write into a caller buffer: call first, before any work.
// A null buffer with a positive size is vl_invalid_argument (nothing may be
// written through it); otherwise 0.
int check_out_buffer(const char* out, int size);

// Copies text and its NUL only when the text is non-empty and shorter than
// size: 0. Otherwise nothing is written: vl_buffer_too_small (also for a
// size of 0 or less). A null out with a positive size: vl_invalid_argument.
int copy_out(const std::string& text, char* out, int size);

// For exports that clear the buffer before formatting into it: a null
// buffer or a size of 0 or less is vl_invalid_argument (nothing cleared);
// otherwise size bytes are set to 0 and the result is 0.
int clear_out_buffer(char* out, int size);

} // namespace vlsdk
