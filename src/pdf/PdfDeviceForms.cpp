#include "pdf/PdfDevice.h"

#include "pdf/PdfInputFile.h"
#include "pdf/PdfInputObjects.h"
#include "pdf/PdfInputSyntax.h"
#include "pdf/PdfPageTree.h"
#include "pdf/PdfResource.h"
#include "pdf/PdfStream.h"
#include "platform/core/Exceptions.h"
#include "platform/core/Numbers.h"
#include "platform/core/Streams.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int PointsPerInch = 72;
// Far beyond the largest page a reader shows; larger boxes come only from broken files.
constexpr double LargestInputPageSide = 1e6;

// A matrix entry: whole numbers without decimals, others with three.
std::string MatrixValue(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return IntToStr(static_cast<std::int64_t>(value));
    return FormatFloat("0.000", value);
}

bool IsNumber(std::string_view token)
{
    return !token.empty() && token.find_first_not_of("+-.0123456789") == std::string_view::npos;
}

// Left, bottom, right and top of a box "[x0 y0 x1 y1]", whichever corners it names.
std::array<double, 4> InputBox(std::string_view box)
{
    std::array<double, 4> values{};
    std::size_t count = 0;
    const std::size_t close = box.rfind(']');
    if (box.empty() || box.front() != '[' || close == std::string_view::npos)
        MissingTag("/MediaBox");
    for (std::size_t at = SkipBlanks(box, 1); at < close; at = SkipBlanks(box, at)) {
        const std::size_t end = TokenEnd(box, at);
        if (count == values.size() || !IsNumber(box.substr(at, end - at)))
            throw Exception("Invalid File");
        values[count++] = Atof(box.substr(at, end - at));
        at = end;
    }
    const std::array<double, 4> corners = {std::min(values[0], values[2]), std::min(values[1], values[3]),
                                           std::max(values[0], values[2]), std::max(values[1], values[3])};
    const double width = corners[2] - corners[0];
    const double height = corners[3] - corners[1];
    if (count != values.size() || !(width > 0 && width < LargestInputPageSide) ||
        !(height > 0 && height < LargestInputPageSide))
        throw Exception("Invalid File");
    return corners;
}

} // namespace

void TPdfDevice::StartXForm(std::string_view name, int width, int height, int resolutionX, int resolutionY, int offset,
                            std::string_view nested)
{
    if (formStream_ != nullptr)
        EndXForm();
    if (pageStarted_ || OutputOpen())
        throw Exception("Stream is active - XForm may not be created!");
    if (!open_)
        throw Exception("Device is not open!");
    if (resolutionX <= 0)
        resolutionX = pageResolutionX_;
    if (resolutionY <= 0)
        resolutionY = pageResolutionY_;
    pageWidth_ = MulDiv(width, PointsPerInch, resolutionX);
    pageHeight_ = MulDiv(height, PointsPerInch, resolutionY);
    SetDeviceResolution(resolutionX, resolutionY);
    DCStack().InitRes(resolutionX, resolutionY);
    DCStack().SetPage(0, pageHeight_);
    TPdfStream& form = AddXFORM(name, pageWidth_, pageHeight_, {}, {}, 0, PointsPerInch, PointsPerInch, offset, nested);
    formStream_ = &form;
    contentStream_ = &form;
    pageStarted_ = true;
    PSStartOutput(&form.Data());
}

void TPdfDevice::EndXForm()
{
    if (formStream_ == nullptr)
        return;
    if (OutputOpen())
        PSEndOutput();
    formStream_->WriteEnd();
    formStream_ = nullptr;
    contentStream_ = nullptr;
    pageStarted_ = false;
}

TPdfStream& TPdfDevice::AddXFORM(std::string_view name, int width, int height, std::string_view bbox,
                                 std::string_view resources, int resourcesObject, double scaleX, double scaleY,
                                 int offset, std::string_view nested)
{
    OpenResources();
    const std::string formName = name.empty() ? "xob" + IntToStr(resources_->XObjectCount() + 1) : std::string(name);
    const std::string resourcesText = !resources.empty()    ? std::string(resources)
                                      : resourcesObject > 0 ? IntToStr(resourcesObject) + " 0 R"
                                                            : resources_->AsReferenceString();
    const std::string box =
        !bbox.empty() ? std::string(bbox) : "[ 0 0 " + IntToStr(width) + " " + IntToStr(height) + "]";
    auto stream = std::make_unique<TPdfStream>(writer_.get(), 'T');
    stream->SetExtraDictionary("\n/Type/XObject/Subtype/Form/FormType 1\n/Matrix [" +
                               MatrixValue(scaleX / PointsPerInch) + " 0 0 " + MatrixValue(scaleY / PointsPerInch) +
                               " 0 0]\n/BBox " + box + "\n/Resources " + resourcesText + "\n");
    TPdfStream& form = *stream;
    formLinks_[&form] = {width, height, offset, std::string(nested), false};
    resources_->AddXObject(std::move(stream), formName);
    form.WriteStart();
    return form;
}

void TPdfDevice::AddXFORMFromInputFile(std::string_view name, const TPdfInputPage& page)
{
    if (input_ == nullptr || inputObjects_ == nullptr)
        throw Exception("Device not open");
    const std::array<double, 4> box = InputBox(page.mediaBox);
    const double width = box[2] - box[0];
    const double height = box[3] - box[1];
    // Made whole before the form is added, so that a file found wrong adds nothing; then handed over,
    // so that it is held once.
    auto content = std::make_unique<TMemoryStream>();
    // The form's box starts at its origin; the page's drawing moves there with it.
    if (box[0] != 0 || box[1] != 0) {
        const std::string move = "1 0 0 1 " + MatrixValue(-box[0]) + " " + MatrixValue(-box[1]) + " cm\n";
        content->WriteBuffer(move.data(), static_cast<std::int64_t>(move.size()));
    }
    input_->PageContent(page, *content);
    const int resources = inputObjects_->ObjectOf(page.resources);
    TPdfStream& form = AddXFORM(name, std::max(1, static_cast<int>(std::lround(width))),
                                std::max(1, static_cast<int>(std::lround(height))),
                                "[0 0 " + MatrixValue(width) + " " + MatrixValue(height) + "]", {}, resources);
    form.TakeData(std::move(content));
    form.WriteEnd();
    inputObjects_->WritePending();
}

void TPdfDevice::DrawXForm(std::string_view name)
{
    const int index = resources_ != nullptr ? resources_->FindXObject(name) : -1;
    if (index < 0)
        return;
    const auto links = formLinks_.find(resources_->XObject(index));
    if (links == formLinks_.end() || links->second.drawing)
        return;
    // The name as the resources list it: PDF names tell capitals from small letters.
    const std::string& listed = resources_->XObjectName(index);
    PSStartGraphic();
    TPdfDeviceWorkBuffer& buffer = WorkBuffer();
    if (links->second.offset != 0) {
        buffer.Append(" q 1 0 0 1 0 ");
        buffer.AppendInt(links->second.offset - LogicalPageHeight());
        buffer.Append("cm /" + listed + " Do Q\n");
    } else {
        buffer.Append("/" + listed + " Do\n");
    }
    // A form linked back to one being drawn would draw for ever; the link ends there.
    struct TDrawing {
        bool& flag;
        explicit TDrawing(bool& f) : flag(f) { flag = true; }
        ~TDrawing() { flag = false; }
    } drawing(links->second.drawing);
    if (!links->second.nested.empty())
        DrawXForm(links->second.nested);
}

void TPdfDevice::DrawXForm(std::string_view name, double x, double y, double width, double height)
{
    const int index = resources_ != nullptr ? resources_->FindXObject(name) : -1;
    if (index < 0)
        return;
    const auto links = formLinks_.find(resources_->XObject(index));
    if (links == formLinks_.end() || links->second.width <= 0 || links->second.height <= 0)
        return;
    PSStartGraphic();
    if (DCStack().YAxisUp())
        height = -height;
    TPdfDeviceWorkBuffer& buffer = WorkBuffer();
    buffer.Append("q ");
    buffer.AppendFloat(width / links->second.width);
    buffer.Append("0 0 ");
    buffer.AppendFloat(height / links->second.height);
    buffer.AppendFloat(x);
    buffer.AppendFloat(LogicalPageHeight() - y - height);
    buffer.Append("cm\n");
    DrawXForm(name);
    buffer.Append("Q\n");
}
