#include "platform/graphics/JPEGErrors.h"

#include "platform/core/Numbers.h"
#include "platform/graphics/JPEGImage.h"

namespace {

void OutputMessage(j_common_ptr) {}

} // namespace

jpeg_error_mgr* InstallJPEGErrorManager(TJPEGErrorManager& manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JPEGErrorExit;
    manager.pub.output_message = OutputMessage;
    manager.code = 0;
    return &manager.pub;
}

void JPEGErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJPEGErrorManager*>(info->err);
    manager->code = info->err->msg_code;
    std::longjmp(manager->jump, 1);
}

void RaiseJPEGError(int code) { throw EJPEG("JPEG error #" + IntToStr(code)); }
