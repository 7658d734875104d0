// Replacement error handling for libjpeg (see jpeg_error.h).
#include "jpeg_error.h"

#include <cstring>

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
} // namespace

jpeg_error_mgr* InstallJpegErrorManager(JpegErrorManager& manager)
{
    std::memset(&manager, 0, sizeof manager);
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JpegErrorExit;
    manager.pub.output_message = JpegOutputMessage;
    return &manager.pub;
}
