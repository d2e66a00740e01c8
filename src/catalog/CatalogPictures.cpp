// The Catalog Manager's picture commands: the photo collection location, the pictures linked to the
// rows, the picture editor and the export of all pictures into one collection file.
#include "catalog/CatalogManager.h"
#include "catalog/Didfilefinder.h"
#include "catalog/Zyb.h"
#include "imageformats/PictureLoading.h"
#include "platform/core/CodePage.h"
#include "platform/core/FilePaths.h"
#include "platform/core/Numbers.h"
#include "platform/core/TextUtils.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/Application.h"

#include <cmath>

namespace {

constexpr const char* Caption = "Catalog Manager";
constexpr const char* ProgramCaption = "Kestrame";
constexpr std::uint32_t CollectionImageIndex = 1;
constexpr double InchQuarterCentimetres = 4 * 2.564102564102564;
constexpr const char* NothingSaved =
    "No images were saved: none of the pictures of this catalog could be found or read.";

bool IsCollectionFile(const std::string& path) { return UpperCase(ExtractFileExt(path)) == ".ZYB"; }

bool Confirmed(const char* question)
{
    return Ui().MessageBox(question, Caption, MsgButtons::YesNo, MsgIcon::Exclamation) == MsgAnswer::Yes;
}

// The file a stored picture path names, as the system reads it; the stored reading when none exists,
// so that the editor's message names the file it looked for.
std::string SystemPathOfStored(const std::string& stored)
{
    const std::string found = ExistingStoredFile(stored);
    return found.empty() ? StoredPathName(stored) : found;
}

// The pictures of the export, each appended and counted when it loads. They are found where a drawing
// of the catalog finds them: the catalog's own folder serves for bare names.
class CollectionWriter {
public:
    CollectionWriter(std::string target, std::string catalogFile)
        : target_(std::move(target)), catalogFile_(std::move(catalogFile))
    {
    }

    int Images() const { return images_; }

    // A product's picture and its high-resolution twin in the same folder; a product whose picture
    // is missing has no twin.
    void AppendProduct(const std::string& name, const std::string& photoCollection)
    {
        const std::string stored = ExtractFilePath(name).empty() ? photoCollection + name : name;
        const std::string found = Didfilefinder().FindPictureOfCatalog(stored, catalogFile_);
        if (found.empty())
            return;
        AppendPicture(stored, found, ExtractFileName(name));
        const std::string twin = ExistingFileAnyCase(ExtractFilePath(found), "H" + ExtractFileName(found));
        if (!twin.empty())
            AppendPicture(HighResolutionName(stored), twin, "H" + ExtractFileName(name));
    }

private:
    void AppendPicture(const std::string& storedPath, const std::string& found, const std::string& entryName)
    {
        const bool loaded =
            ShowingExceptions([&] { return LoadPicture(storedPath, bitmap_, [&](const std::string&) { return found; }); });
        if (loaded && zyb_.Append(target_, entryName, bitmap_, CollectionImageIndex))
            ++images_;
    }

    std::string target_;
    std::string catalogFile_;
    ZybFile zyb_;
    TBitmap bitmap_;
    int images_ = 0;
};

// Finishes the progress whichever way the export ends.
class ProgressFinisher {
public:
    explicit ProgressFinisher(CollectionExportProgress& progress) : progress_(progress) {}
    ~ProgressFinisher() { progress_.Finish(); }
    ProgressFinisher(const ProgressFinisher&) = delete;
    ProgressFinisher& operator=(const ProgressFinisher&) = delete;

private:
    CollectionExportProgress& progress_;
};

} // namespace

std::string CollectionLocationOfFile(const std::string& path)
{
    return IsCollectionFile(path) ? path : ExtractFilePath(path);
}

int EditorQuarterCentimetres(double value, bool inches)
{
    return static_cast<int>(std::lround(value * (inches ? InchQuarterCentimetres : 4)));
}

bool CatalogManager::LocationIsCollectionFile() const { return IsCollectionFile(location); }

std::string CatalogManager::BrowsedCollection() const
{
    return LocationIsCollectionFile() ? SystemPathOfStored(location) : std::string();
}

int CatalogManager::RoleColumn(CatalogFieldRole role) const { return catalog ? catalog->roles[role] : -1; }

std::string CatalogManager::RoleCell(CatalogFieldRole role, int row) const
{
    const int column = RoleColumn(role);
    return column < 0 ? std::string() : Grid.Cells(column, row);
}

void CatalogManager::SetPhotoCollectionLocation()
{
    locationBarShown = true;
    FindLocation();
}

void CatalogManager::FindLocation()
{
    FileDialogOptions options;
    options.filter = "Select any file in your photo collection directory|*.*";
    if (const std::optional<FileDialogResult> choice = Ui().OpenDialog(options))
        EditLocation(StoredPath(CollectionLocationOfFile(choice->fileName)));
}

std::optional<std::string> CatalogManager::ChoosePicture()
{
    OpenPictureDialog1.title = "Link Picture to Catalog Item";
    OpenPictureDialog1.filter = TPicture::GraphicFilter();
    const std::optional<FileDialogResult> choice = Ui().OpenDialog(OpenPictureDialog1);
    if (!choice)
        return std::nullopt;
    OpenPictureDialog1.fileName = choice->fileName;
    return choice->fileName;
}

void CatalogManager::LinkPicture()
{
    if (!catalog)
        return;
    const int column = RoleColumn(RolePictureName);
    TField* field = dataLinkShown ? TablePictureField() : nullptr;
    if (dataLinkShown ? !field : column < 0) {
        Ui().MessageBox("Can not link picture. A Picture column has not been defined.", Caption, MsgButtons::OK,
                        MsgIcon::Exclamation);
        return;
    }
    const std::optional<std::string> picture = ChoosePicture();
    if (!picture)
        return;
    // A record of the table is written at once: nothing else would ever post it.
    if (field) {
        PostTablePicture(*field, *picture);
        return;
    }
    Grid.SetCells(column, Grid.Row(), StoredPath(*picture));
    modified = true;
}

std::optional<std::string> CatalogManager::PictureToEdit()
{
    const std::string cell = RoleCell(RolePictureName, Grid.Row());
    // An empty cell names no file, whatever the location holds.
    if (cell.empty())
        return ChoosePicture();
    if (ExtractFilePath(cell).empty()) {
        if (LocationIsCollectionFile()) {
            Ui().MessageBox("Images in an ZYB file can not be edited.", ProgramCaption, MsgButtons::OK, MsgIcon::Stop);
            return std::nullopt;
        }
        return SystemPathOfStored(location + cell);
    }
    if (LocationIsCollectionFile())
        Ui().MessageBox("In an ZYB file can not be edited the picture editor will attemp to open the original image "
                        "you will need to create a new ZYB file to see any changes you make to this image when "
                        "building a planogram display",
                        ProgramCaption, MsgButtons::OK, MsgIcon::Exclamation);
    return SystemPathOfStored(cell);
}

EditorProduct CatalogManager::ProductOfRow(int row) const
{
    const bool inches = catalog && UpperCase(catalog->units) == "INCH";
    const auto value = [&](CatalogFieldRole role) { return Atof(RoleCell(role, row)); };
    EditorProduct product;
    product.partNumber = RoleCell(RolePartNumber, row);
    product.description = RoleCell(RoleDescription, row);
    product.pictureCell = RoleCell(RolePictureName, row);
    product.width = value(RoleWidth);
    product.height = value(RoleHeight);
    product.depth = value(RoleDepth);
    product.widthQuarterCm = EditorQuarterCentimetres(product.width, inches);
    product.heightQuarterCm = EditorQuarterCentimetres(product.height, inches);
    return product;
}

void CatalogManager::ShowEditor(CatalogPictureEditor& editor)
{
    editor.SetCatalogLink(*this, RoleColumn(RolePictureName), RoleCell(RolePartNumber, Grid.Row()));
    editor.ShowModal();
}

void CatalogManager::EditPicture()
{
    if (RoleColumn(RolePictureName) < 0)
        return;
    const std::optional<std::string> path = PictureToEdit();
    if (!path)
        return;
    std::unique_ptr<CatalogPictureEditor> editor = host.NewPictureEditor();
    if (!editor)
        return;
    editor->SetProduct(ProductOfRow(Grid.Row()));
    if (editor->OpenPicture(*path))
        ShowEditor(*editor);
}

void CatalogManager::ScanPicture()
{
    std::unique_ptr<CatalogPictureEditor> editor = host.NewPictureEditor();
    if (editor && editor->ScanPicture())
        ShowEditor(*editor);
}

void CatalogManager::CatalogCapture()
{
    // The capture adds its products to a new catalog: never to the one still shown.
    if (!NewCatalog1Click())
        return;
    std::unique_ptr<CatalogPictureEditor> editor = host.NewPictureEditor();
    if (!editor)
        return;
    editor->SetCatalogCapture(true);
    editor->SetCatalogLink(*this, 0, "0");
    editor->ShowModal();
}

void CatalogManager::RewritePictureCells(const std::function<std::string(const std::string&)>& rewrite)
{
    if (dataLinkShown) {
        if (TField* field = TablePictureField())
            RewriteTablePictures(*field, rewrite);
        return;
    }
    const int column = RoleColumn(RolePictureName);
    if (column < 0)
        return;
    for (int row = 1; row < Grid.RowCount(); ++row) {
        const std::string cell = Grid.Cells(column, row);
        const std::string rewritten = rewrite(cell);
        // The grid changed: closing must ask before the rewritten links are lost.
        if (rewritten != cell) {
            Grid.SetCells(column, row, rewritten);
            modified = true;
        }
    }
}

void CatalogManager::StripPicturePath()
{
    if (!Confirmed("You are about to remove any path information in the picture column for all product entries "
                   "Kestrame will use the path information stored in the Picture Collection Location setting. Do "
                   "you wish to continue?"))
        return;
    if (location.empty()) {
        locationBarShown = true;
        Ui().MessageBox("Please set the Photo Collection Location this is the folder where all your pictures for this "
                        "catalog will be stored",
                        Caption, MsgButtons::OK, MsgIcon::Exclamation);
        FindLocation();
    }
    RewritePictureCells([](const std::string& cell) {
        const std::string name = ExtractFileName(cell);
        return name.empty() ? cell : name;
    });
}

void CatalogManager::ChangeDriveLetter()
{
    if (!Confirmed("This will change the drive letter contained in the picture column for all of your product "
                   "entries. Do you wish to continue?"))
        return;
    const std::string drive = ExtractFileDrive(ModelTextInputBox("What is the new drive letter?", "SEGACD", ""));
    if (drive.empty()) {
        Ui().MessageBox("Invalid drive specification or missing after drive letter", Caption, MsgButtons::OK,
                        MsgIcon::Exclamation);
        return;
    }
    RewritePictureCells([&drive](const std::string& cell) { return ChangeFileDrive(cell, drive); });
}

bool CatalogManager::SavedForExport()
{
    // Only a save that really wrote lets the export go on: it packs the file, not the grid.
    if (modified) {
        const MsgAnswer answer = Ui().MessageBox("Save changes to catalog before making ZYB file?", ProgramCaption,
                                                 MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgAnswer::Cancel || (answer == MsgAnswer::Yes && !SaveCatalog()))
            return false;
    }
    if (FileExists(fileName))
        return true;
    const MsgAnswer answer = Ui().MessageBox(
        "Your catalog must be saved before you can make an ZYB file. Would you like to save your catalog now?",
        ProgramCaption, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
    return answer == MsgAnswer::Yes && SaveCatalog() && FileExists(fileName);
}

std::optional<std::string> CatalogManager::ChooseCollectionFile(const didBase& reading)
{
    FileDialogOptions options;
    options.title = "Save All Pictures To Single File";
    options.filter = "Corvandel Multi Image Collection|*.zyb";
    options.defaultExt = "zyb";
    // The question below offers to append as well as to replace.
    options.confirmOverwrite = false;
    const std::optional<FileDialogResult> choice = Ui().SaveDialog(options);
    if (!choice)
        return std::nullopt;
    const std::string target = choice->fileName;
    bool replace = false;
    if (FileExists(target)) {
        const MsgAnswer answer = Ui().MessageBox("This file already exists. Select YES to replace the file or select "
                                                 "NO to append images to the existing file.",
                                                 ProgramCaption, MsgButtons::YesNoCancel, MsgIcon::Exclamation);
        if (answer == MsgAnswer::Cancel)
            return std::nullopt;
        replace = answer == MsgAnswer::Yes;
    }
    // Checked before anything is deleted: the chosen file may be this very collection.
    if (IsCollectionFile(reading.photoCollection)) {
        Ui().MessageBox("The photos in this catalog are already saved in a single file if you would like to update "
                        "the ZYB file you need to delete it first or save the ZYB file with a different name and then "
                        "clear or restore the original Photo Collection Location information.",
                        ProgramCaption, MsgButtons::OK, MsgIcon::Stop);
        return std::nullopt;
    }
    if (replace && !DeleteFile(target)) {
        Ui().MessageBox("Could not replace the file " + target, ProgramCaption, MsgButtons::OK, MsgIcon::Stop);
        return std::nullopt;
    }
    if (FileExists(target) && !ZybFile().IsCollectionToAppendTo(target))
        return std::nullopt;
    return target;
}

void CatalogManager::SavePicturesToZybFile(CollectionExportProgress& progress)
{
    if (!SavedForExport())
        return;
    std::unique_ptr<didBase> reading = MakeCatalog(".ctf");
    bool opened = false;
    if (reading)
        opened = ShowingExceptions([&] { return reading->Open(fileName, nullptr); });
    if (!opened) {
        Ui().MessageBox("Could not open catalog file", "ZYB Exporter", MsgButtons::OK, MsgIcon::None);
        return;
    }
    reading->First();
    const std::optional<std::string> target = ChooseCollectionFile(*reading);
    if (!target)
        return;
    CollectionWriter writer(*target, fileName);
    {
        const ProgressFinisher finisher(progress);
        progress.Start(reading->recordCount);
        bool more = reading->First();
        for (int record = 1; record <= reading->recordCount && more; ++record) {
            writer.AppendProduct(reading->pictureName, reading->photoCollection);
            progress.Processed(ExtractFileName(reading->pictureName));
            more = record < reading->recordCount && reading->Next();
        }
    }
    // Nothing written: no file to name, nor to point the catalog at.
    if (writer.Images() == 0) {
        Ui().MessageBox(NothingSaved, ProgramCaption, MsgButtons::OK, MsgIcon::Exclamation);
        return;
    }
    const std::string done = "Done. " + std::to_string(writer.Images()) +
                             " images were saved to a single file. File located at " + *target +
                             ". Would you like to update your catalog so it uses this new file?";
    if (Ui().MessageBox(done, "Alert", MsgButtons::YesNo, MsgIcon::Question) == MsgAnswer::Yes) {
        locationBarShown = true;
        EditLocation(StoredPath(*target));
    }
}
