#include "platform/graphics/JPEGErrors.h"

#include "platform/core/Numbers.h"
#include "platform/graphics/JPEGImage.h"

#include <jerror.h>

#include <algorithm>

namespace {

void OutputMessage(j_common_ptr) {}

// Whether the scan begins coefficients of a component that an earlier scan began, and marks those
// it begins.
bool BeginsAgain(const jpeg_decompress_struct& info, TJPEGScanCheck& check)
{
    if (info.Ah != 0)
        return false;
    for (int i = 0; i < info.comps_in_scan; ++i) {
        bool* begun = check.Begun[info.cur_comp_info[i]->component_index];
        for (int k = std::max(info.Ss, 0); k <= std::min(info.Se, DCTSIZE2 - 1); ++k) {
            if (begun[k])
                return true;
            begun[k] = true;
        }
    }
    return false;
}

// Called before each step of reading the input, so once at least after the markers of each scan.
void CheckScan(j_common_ptr common)
{
    auto& info = *reinterpret_cast<j_decompress_ptr>(common);
    auto& check = *reinterpret_cast<TJPEGScanCheck*>(info.progress);
    if (info.input_scan_number == check.Scan)
        return;
    check.Scan = info.input_scan_number;
    if (check.Scan <= MaxJPEGScans && !BeginsAgain(info, check))
        return;
    common->err->msg_code = JWRN_BOGUS_PROGRESSION;
    JPEGErrorExit(common);
}

} // namespace

jpeg_error_mgr* InstallJPEGErrorManager(TJPEGErrorManager& manager)
{
    jpeg_std_error(&manager.pub);
    manager.pub.error_exit = JPEGErrorExit;
    manager.pub.output_message = OutputMessage;
    manager.code = 0;
    return &manager.pub;
}

void LimitJPEGMemory(jpeg_decompress_struct& info) { info.mem->max_memory_to_use = MaxJPEGMemory; }

void JPEGErrorExit(j_common_ptr info)
{
    auto* manager = reinterpret_cast<TJPEGErrorManager*>(info->err);
    manager->code = info->err->msg_code;
    std::longjmp(manager->jump, 1);
}

void CheckJPEGScans(jpeg_decompress_struct& info, TJPEGScanCheck& check)
{
    check = {};
    check.Progress.progress_monitor = CheckScan;
    info.progress = &check.Progress;
}

void RaiseJPEGError(int code)
{
    if (code == JERR_NO_BACKING_STORE || code == JERR_OUT_OF_MEMORY)
        throw EJPEG(std::string(SJPEGTooLarge));
    throw EJPEG("JPEG error #" + IntToStr(code));
}
