// Replacement error handling for libjpeg (see jpeg_error.h).
#include "jpeg_error.h"

#include <cstring>

#include <jerror.h>

namespace {
extern "C" void JpegErrorExit(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// The application stays silent; warnings such as a file that ends early are
// not fatal and not shown.
extern "C" void JpegOutputMessage(j_common_ptr) {}

// Warnings (level -1) are counted as libjpeg counts them, and those that
// mean the picture is not the file's full, intact content are noted for the
// caller to report. Trace messages (level 0 and up) are dropped.
extern "C" void JpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    ++cinfo->err->num_warnings;
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
        manager->endedEarly = true;
        break;
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        if (manager->damage[0] == '\0')
            (*cinfo->err->format_message)(cinfo, manager->damage);
        break;
    default:
        break;
    }
}
} // namespace

jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager)
{
    std::memset(&manager, 0, sizeof manager);
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JpegErrorExit;
    manager.pub.output_message = JpegOutputMessage;
    manager.pub.emit_message = JpegEmitMessage;
    return &manager.pub;
}

bool WriteJpegRows(j_compress_ptr cinfo, const JSAMPLE* pixels, std::size_t stride)
{
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + cinfo->next_scanline * stride);
        if (jpeg_write_scanlines(cinfo, &row, 1) != 1)
            break;  // cannot happen with a file or memory destination; never spin
    }
    return cinfo->next_scanline == cinfo->image_height;
}
