#include "platform/graphics/JPEGCompressor.h"

#include "platform/core/Streams.h"
#include "platform/graphics/JPEGErrors.h"

#include <jerror.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

namespace {

using TSteadyClock = std::chrono::steady_clock;

constexpr auto ProgressInterval = std::chrono::milliseconds(500);

// The progress manager comes first, so that the library's pointer to it leads back to the whole.
struct ProgressManager {
    jpeg_progress_mgr pub;
    TJPEGErrorManager* error = nullptr;
    const TJPEGProgressHook* hook = nullptr;
    TSteadyClock::time_point last{};
    bool timed = false;
    int percent = -1;
    std::exception_ptr raised;
};

constexpr std::size_t FirstOutputBytes = 4096;

void* HeapBlock(std::size_t bytes) { return std::malloc(bytes); }

TJPEGBlockAllocator& BlockAllocator()
{
    static TJPEGBlockAllocator allocate = HeapBlock;
    return allocate;
}

// The compressed bytes, in a block owned here alone: the library's own memory destination frees
// blocks as it grows and hands the caller the last one only at the end, so that after an error the
// caller holds one already freed. The destination comes first, so that the library's pointer to it
// leads back to the whole.
struct MemoryDestination {
    jpeg_destination_mgr pub{};
    unsigned char* block = nullptr;
    std::size_t capacity = 0;
    MemoryDestination() = default;
    ~MemoryDestination() { std::free(block); }
    MemoryDestination(const MemoryDestination&) = delete;
    MemoryDestination& operator=(const MemoryDestination&) = delete;
    std::size_t Size() const { return capacity - pub.free_in_buffer; }
};

// Gives the library the free part of a block of `capacity` bytes holding what was written so far;
// false, with the old block kept, when the memory cannot be had.
bool GrowOutput(MemoryDestination& destination, std::size_t capacity)
{
    auto* grown = static_cast<unsigned char*>(BlockAllocator()(capacity));
    if (grown == nullptr)
        return false;
    const std::size_t used = destination.block == nullptr ? 0 : destination.Size();
    if (used > 0)
        std::memcpy(grown, destination.block, used);
    std::free(destination.block);
    destination.block = grown;
    destination.capacity = capacity;
    destination.pub.next_output_byte = grown + used;
    destination.pub.free_in_buffer = capacity - used;
    return true;
}

void OutOfMemory(j_compress_ptr info)
{
    info->err->msg_code = JERR_OUT_OF_MEMORY;
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

void StartOutput(j_compress_ptr info)
{
    auto& destination = *reinterpret_cast<MemoryDestination*>(info->dest);
    if (destination.block == nullptr && !GrowOutput(destination, FirstOutputBytes))
        OutOfMemory(info);
}

// Called with the block full: it doubles.
boolean EmptyOutput(j_compress_ptr info)
{
    auto& destination = *reinterpret_cast<MemoryDestination*>(info->dest);
    destination.pub.free_in_buffer = 0;
    if (destination.capacity > SIZE_MAX / 2 || !GrowOutput(destination, destination.capacity * 2))
        OutOfMemory(info);
    return TRUE;
}

void EndOutput(j_compress_ptr) {}

struct Compressor {
    jpeg_compress_struct info{};
    TJPEGErrorManager error;
    ProgressManager progress{};
    MemoryDestination destination;
    bool created = false;
    ~Compressor()
    {
        if (created)
            jpeg_destroy_compress(&info);
    }
};

int PercentDone(const jpeg_progress_mgr& p)
{
    if (p.total_passes <= 0 || p.pass_limit <= 0)
        return 0;
    const double done = p.completed_passes + static_cast<double>(p.pass_counter) / static_cast<double>(p.pass_limit);
    return static_cast<int>(done * 100.0 / p.total_passes);
}

// Runs the hook; an exception it raises must not unwind through the library's frames, so it is
// kept and the library is left the way its own errors leave it.
bool CallHook(ProgressManager& manager, int percent)
{
    try {
        (*manager.hook)(percent);
        return true;
    } catch (...) {
        manager.raised = std::current_exception();
        return false;
    }
}

void ReportProgress(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ProgressManager*>(info->progress);
    const auto now = TSteadyClock::now();
    if (!manager->timed) {
        manager->timed = true;
        manager->last = now;
        return;
    }
    if (now - manager->last < ProgressInterval)
        return;
    manager->last = now;
    const int percent = PercentDone(manager->pub);
    if (percent == manager->percent)
        return;
    manager->percent = percent;
    if (!CallHook(*manager, percent))
        std::longjmp(manager->error->jump, 1);
}

void SetUp(Compressor& c, int width, int height, const TJPEGCompressSettings& settings, const TJPEGProgressHook& hook)
{
    c.info.err = InstallJPEGErrorManager(c.error);
    JPEGCall(c.error, [&] {
        jpeg_create_compress(&c.info);
        c.created = true;
        if (hook) {
            c.progress.pub.progress_monitor = ReportProgress;
            c.progress.error = &c.error;
            c.progress.hook = &hook;
            c.info.progress = &c.progress.pub;
        }
        c.destination.pub.init_destination = StartOutput;
        c.destination.pub.empty_output_buffer = EmptyOutput;
        c.destination.pub.term_destination = EndOutput;
        c.info.dest = &c.destination.pub;
        c.info.image_width = static_cast<JDIMENSION>(width);
        c.info.image_height = static_cast<JDIMENSION>(height);
        c.info.input_components = settings.pixelBytes == 4 ? 4 : 3;
        c.info.in_color_space = settings.pixelBytes == 4 ? JCS_EXT_BGRX : JCS_EXT_BGR;
        jpeg_set_defaults(&c.info);
        jpeg_set_quality(&c.info, settings.quality, TRUE);
        if (settings.grayscale)
            jpeg_set_colorspace(&c.info, JCS_GRAYSCALE);
        if (settings.progressive)
            jpeg_simple_progression(&c.info);
    });
}

// The library's calls only, with plain C data in this frame.
bool WriteRows(Compressor& c, const std::uint8_t* firstRow, std::ptrdiff_t rowStep, int height)
{
    return JPEGGuarded(c.error, [&] {
        jpeg_start_compress(&c.info, TRUE);
        for (int y = 0; y < height; ++y) {
            auto* row = const_cast<JSAMPLE*>(firstRow + y * rowStep);
            jpeg_write_scanlines(&c.info, &row, 1);
        }
        jpeg_finish_compress(&c.info);
    });
}

} // namespace

void CompressJPEGRows(const std::uint8_t* firstRow, std::ptrdiff_t rowStep, int width, int height,
                      const TJPEGCompressSettings& settings, TStream& output, const TJPEGProgressHook& progress)
{
    Compressor c;
    SetUp(c, width, height, settings, progress);
    if (!WriteRows(c, firstRow, rowStep, height)) {
        if (c.progress.raised)
            std::rethrow_exception(c.progress.raised);
        // Memory running short ends as it does anywhere else in the program.
        if (c.error.code == JERR_OUT_OF_MEMORY)
            throw std::bad_alloc();
        RaiseJPEGError(c.error.code);
    }
    output.WriteBuffer(c.destination.block, static_cast<std::int64_t>(c.destination.Size()));
}

void SetJPEGBlockAllocator(TJPEGBlockAllocator allocate) { BlockAllocator() = allocate ? allocate : HeapBlock; }
