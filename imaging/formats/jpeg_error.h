#pragma once
// libjpeg's error manager for the image library. The standard error exit
// ends the process; ours returns through a saved context to the function
// that called setjmp, so a fatal error ends only the call in progress.
//
// Rules for every function that calls setjmp on a JpegErrorManager: it holds
// only trivially destructible locals (codec structs live in a caller's plain
// struct), and no C++ object with a destructor is alive in any frame between
// it and libjpeg while a libjpeg call runs. Exceptions never pass through
// libjpeg's C frames.

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrorManager {
    jpeg_error_mgr pub;       // first, so libjpeg's pointer is ours too
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // What the warnings said about the data: the file ended before the image
    // did (the decoder completed it with filler), or the text of the first
    // other warning about damaged data ("" when none).
    bool endedEarly;
    char damage[JMSG_LENGTH_MAX];
};

// Installs the replacement handlers: the error exit keeps libjpeg's text in
// `message` and jumps back; warnings are not printed (decoding goes on) but
// those about damaged data are noted in `endedEarly` and `damage`.
jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager);

// Hands libjpeg every row of `pixels` (rows of `stride` bytes, as many as the
// image is high) and tells whether all were taken. Called between
// jpeg_start_compress and jpeg_finish_compress, under the caller's setjmp.
bool WriteJpegRows(j_compress_ptr cinfo, const JSAMPLE* pixels, std::size_t stride);
