#pragma once

#include "pdf/PdfAcroForm.h"
#include "pdf/PdfDevice.h"
#include "pdf/PdfFileWriter.h"
#include "pdf/PdfGenericPSDevice.h"
#include "pdf/PdfInfo.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "platform/core/LittleEndian.h"
#include "platform/core/Seams.h"
#include "platform/core/Streams.h"
#include "platform/graphics/Metafile.h"
#include "platform/graphics/MetafileCanvas.h"

#include "TestSupport.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The writer's memory output as text.
inline std::string OutputOf(const TPdfFileWriter& writer)
{
    std::string bytes(static_cast<std::size_t>(writer.GetSize()), '\0');
    writer.GetBuf(static_cast<std::int64_t>(bytes.size()), bytes.data());
    return bytes;
}

// Turns 'a' into ')' and 0x14 into '\': a cipher that produces the string syntax's own bytes.
class TXorEncryption : public TPdfObjectEncryption {
public:
    void Encrypt(int, std::uint8_t* data, std::size_t count) override
    {
        for (std::size_t i = 0; i < count; ++i)
            data[i] ^= 0x48;
    }
};

// A document as the device writes it: header, info, the page's content stream and the page, then
// resources, page tree, catalog, table and trailer. The page is 595 x 842 points.
struct TSmallDocument {
    // Fonts need a document device for their settings.
    explicit TSmallDocument(TPdfFileWriter& writer, TPdfDevice* device = nullptr)
        : writer(writer), device(device), resources(&writer, device), catalog(&writer)
    {
        writer.DefaultPageWidth = 595;
        writer.DefaultPageHeight = 842;
        writer.Resources = &resources;
    }
    ~TSmallDocument() { writer.Resources = nullptr; }

    void Write(const std::string& content, const std::function<void(TPdfPage&)>& decorate = {})
    {
        writer.WriteHeader(false);
        info.WriteIt();
        auto page = std::make_unique<TPdfPage>(&writer);
        auto stream = std::make_unique<TPdfStream>(&writer, 'T');
        stream->WriteStart();
        stream->RawWrite(content);
        stream->WriteEnd();
        contentNumber = stream->Number();
        page->AddContent(std::move(stream));
        TPdfPage& added = catalog.AddPage(std::move(page));
        if (decorate)
            decorate(added);
        added.WriteIt();
        resources.WriteIt();
        if (device != nullptr)
            device->WriteFontStreams();
        if (catalog.AcroForm() != nullptr)
            catalog.AcroForm()->WriteIt();
        catalog.Pages().WriteIt();
        catalog.WriteIt();
        writer.WriteFileEnd(catalog, &info, nullptr);
        writer.Close();
    }

    TPdfFileWriter& writer;
    TPdfDevice* device;
    TPdfResource resources;
    TPdfCatalog catalog;
    TPdfInfo info{&writer};
    int contentNumber = 0;
};

// Saves the file in the folder and runs the command on it; returns what it writes, errors included.
inline std::string SaveAndRun(const TemporaryFolder& folder, const std::string& pdf, const std::string& command,
                              int* status)
{
    const std::string file = folder.File("out.pdf");
    WriteWholeFile(file, pdf);
    return RunCommand(command + " " + file + " 2>&1", status);
}

// A content-stream device on a page `pageHeight` points high at 72 dpi, its output open on a memory
// stream from the start.
class TPageDevice : public TPdfGenericPSDevice {
public:
    explicit TPageDevice(int pageHeight = 200)
    {
        DCStack().SetPage(0, pageHeight);
        PSStartOutput(&stream);
    }

    // Ends the output and returns the content stream.
    std::string Content()
    {
        PSEndOutput();
        return std::string(reinterpret_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
    }

    // What is written so far and still in the work buffer.
    std::string Pending() { return std::string(WorkBuffer().Buffer(), WorkBuffer().Length()); }

    // Selects a new pen or brush.
    void Pen(std::uint32_t style, int width, TColor color) { SelectObject(CreatePen(style, width, color)); }
    void Brush(TPdfBrushStyles style, TColor color) { SelectObject(CreateBrushIndirect(style, color, 0)); }

    TMemoryStream stream;
};

// Fixes the clock while it lives, so that document IDs and random bytes repeat.
class TFixedClock {
public:
    TFixedClock()
    {
        SetClock([] { return TimePoint{std::chrono::seconds(1700000000)}; });
    }
    ~TFixedClock() { SetClock({}); }
};

// A page drawn through the device: a framed box and a line of text.
inline void DrawSamplePage(TPdfDevice& device, int width = 612, int height = 792, int resolution = 72)
{
    device.StartPage(width, height, resolution, resolution, 0);
    device.Rectangle(10, 10, 100, 60);
    device.TextOut(20, 100, "Shelf (A) \\ 4");
    device.EndPage();
}

// A metafile as the export records a page: the page's size, one canvas unit a page pixel at
// `resolution`, a framed box and a line of text.
inline void RecordPage(TMetafile& metafile, int width, int height, int resolution)
{
    metafile.SetMMWidth(static_cast<int>(std::lround(width * 2540.0 / resolution)));
    metafile.SetMMHeight(static_cast<int>(std::lround(height * 2540.0 / resolution)));
    TMetafileCanvas canvas(metafile, PrinterDevice(resolution, resolution, TSize{width, height}));
    canvas.SetMapMode(Emf::MM_ANISOTROPIC);
    canvas.SetWindowExtEx(resolution, resolution);
    canvas.SetViewportExtEx(canvas.GetDeviceCaps(LOGPIXELSX), canvas.GetDeviceCaps(LOGPIXELSY));
    canvas.Brush.Style = bsClear;
    canvas.Rectangle(width / 10, height / 10, width / 2, height / 3);
    canvas.TextOut(width / 10, height / 2, "Shelf (A) \\ 4");
}

// How often `part` occurs in `text`, overlaps counted.
inline int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The device's memory output as text.
inline std::string DeviceOutput(const TPdfDevice& device)
{
    std::string bytes(static_cast<std::size_t>(device.GetSize()), '\0');
    device.GetBuf(static_cast<std::int64_t>(bytes.size()), bytes.data());
    return bytes;
}

// Records a command for the document as the export embeds it: code, marker, rectangle, text.
inline void RecordCommand(TMetafileCanvas& canvas, int code, const std::string& text,
                          const TRect& rect = {72, 72, 172, 92})
{
    std::vector<std::uint8_t> bytes(28);
    const std::int32_t fields[] = {
        code, 120269, rect.Left, rect.Top, rect.Right, rect.Bottom, static_cast<std::int32_t>(text.size())};
    for (std::size_t i = 0; i < 7; ++i)
        PutU32(&bytes[4 * i], static_cast<std::uint32_t>(fields[i]));
    bytes.insert(bytes.end(), text.begin(), text.end());
    canvas.GdiComment(bytes);
}

// Plays a letter page of commands on the device; false when it could not.
inline bool PlayCommands(TPdfDevice& device, const std::function<void(TMetafileCanvas&)>& record)
{
    TMetafile metafile;
    metafile.SetMMWidth(21590);
    metafile.SetMMHeight(27940);
    {
        TMetafileCanvas canvas(metafile, PrinterDevice(72, 72, TSize{612, 792}));
        record(canvas);
    }
    return device.PlayMetafile(metafile, 0, 0, 0, 0, 72, 72);
}

// A document written to memory, after `prepare` set the device up: one sample page unless `draw`
// draws others.
inline std::string MemoryDocument(const std::function<void(TPdfDevice&)>& prepare = {},
                                  const std::function<void(TPdfDevice&)>& draw = {})
{
    TPdfDevice device;
    if (prepare)
        prepare(device);
    device.BeginDoc(612, 792, 72);
    if (draw)
        draw(device);
    else
        DrawSamplePage(device);
    device.EndDoc();
    return DeviceOutput(device);
}

// The value of a "Key:   value" line of pdfinfo or qpdf, without the blanks that align it; "missing"
// when no line has the key.
inline std::string InfoField(const std::string& report, const std::string& key)
{
    const std::string head = key + ":";
    std::size_t at = report.rfind(head, 0) == 0 ? 0 : report.find("\n" + head);
    if (at == std::string::npos)
        return "missing";
    at = report.find_first_not_of(' ', at + head.size() + (at == 0 ? 0 : 1));
    return report.substr(at, report.find('\n', at) - at);
}
