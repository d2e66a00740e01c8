#pragma once

#include "imageformats/DecodedPictureCache.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>

class DrawingSettings;
class PictureFinder;
class TBitmap;
struct ListOB;

// Draws items of a planogram onto a bitmap at document scale: fixtures from their description
// text, products from their pictures (or from a multi-image collection), scaled to their placement
// box, with tag lines, the reorder warning, transparency and rotation. Also loads and saves
// pictures for the windows that show them.
class GraphicsManager {
public:
    // Item boxes beyond these are drawn as their placeholder straight onto the target, so a damaged
    // file cannot ask for absurd work bitmaps.
    static constexpr int MaxItemSide = 32768;
    static constexpr long long MaxItemPixels = 1LL << 26;

    // A drawing of many items: while it is open, the finder is asked once for each picture name,
    // each picture file is looked at once (see DecodedPictureCache::CheckPass, whose rules it keeps:
    // one opened inside another asks again for itself, and so does every later one), and items that
    // show the same picture of the same file take it as the first of them did, while it is kept and
    // large enough for them.
    // A picture drawn at one size by several items is stretched to that size once, within a bound.
    class DrawingPass {
    public:
        explicit DrawingPass(GraphicsManager& graphics);
        ~DrawingPass();
        DrawingPass(const DrawingPass&) = delete;
        DrawingPass& operator=(const DrawingPass&) = delete;

    private:
        friend class GraphicsManager;
        GraphicsManager& graphics_;
        DrawingPass* outer_;
        DecodedPictureCache::CheckPass files_;
        std::unordered_map<std::string, std::string> found_;
        // By collection, picture name and face; what expired is loaded again, so that the pass holds
        // no picture the picture cache let go.
        std::unordered_map<std::string, std::weak_ptr<const TBitmap>> pictures_;

        // A picture stretched to one item size, made when the second item of that size draws it: a
        // stretch reads each picture row in pieces far apart, a copy of the item's size in one.
        struct Stretched {
            std::weak_ptr<const TBitmap> picture;
            int draws = 0;
            TBitmap pixels;
        };
        // The picture at the size, in the target's pixel format, or nullptr where it is drawn straight
        // from the picture.
        const TBitmap* StretchedPicture(const std::shared_ptr<const TBitmap>& picture, int width, int height,
                                        TPixelFormat format);
        // By the picture's address, the size and the format; an entry whose picture is gone is not the
        // picture now at its address.
        std::map<std::tuple<const TBitmap*, int, int, TPixelFormat>, Stretched> stretched_;
        std::uint64_t stretchedBytes_ = 0;
    };

    // What the stretched pictures of a drawing pass may take together.
    static constexpr std::uint64_t MaxStretchedBytes = 16ULL << 20;

    // Takes the tag font, tag colour and units from the main window's settings.
    GraphicsManager(PictureFinder& finder, const DrawingSettings& settings);

    // Put before a picture name that has no folder; ends in a delimiter when set.
    std::string pictureFolder;
    bool unitsMode = true;
    int displayScale = 8;
    // The drawing is made at twice the document scale.
    bool doubleSize = false;
    bool tagItemNr = false;
    bool tagPartNr = false;
    bool tagXY = false;
    bool tagBrand = false;
    bool tagCategory = false;
    bool tagCustom = false;
    bool tagStack = false;
    bool tagInventory = false;
    bool tagUnitsSold = false;
    TFont tagFont;
    TColor tagColor = clWhite;
    // Products are drawn as coloured placement boxes only.
    bool viewMode = false;
    bool transparencySetting = true;
    // The wall's height in document units, for the XY tag.
    int displayHeight = 0;
    // Whether the item drawn last is a product rather than a fixture.
    bool isProduct = false;

    // Draws the item at its placement box. An empty box draws nothing; a picture that cannot be
    // found or read draws the item's placeholder box. Returns true.
    bool DrawItem(ListOB& item, TBitmap& target, const std::string& collectionPath);

    // The tag line of a product for the tag flags that are set.
    std::string TagText(const ListOB& item) const;

    // Loads a picture file of a supported kind, found through the picture finder, into the target,
    // decoding it only when the drawing's picture cache does not hold it. Collections and unknown
    // extensions are refused with a message and false; a reader's error is raised.
    bool LoadPicture(const std::string& path, TBitmap& target);

    // Writes the bitmap as a Targa file; errors are raised. Returns true.
    bool SaveTarga(const std::string& path, const TBitmap& bitmap);

    // The rotating copy, transparent as transparencySetting says.
    void RotateBitmap(ListOB& item, const TBitmap& source, double angle, int top, int left, int height, int width,
                      TBitmap& target);

    // The picture of a product's front as a drawing loads it, from a file or a collection, without a
    // message; false when there is none to be had.
    bool LoadProductPicture(const std::string& picture, const std::string& collectionPath, TBitmap& target);

    // The picture file's name for the item's face, before the finder resolves it.
    std::string FacePicturePath(const ListOB& item) const;

private:
    // The finder's answer, asked once per name in the innermost open pass.
    std::string FindPicture(const std::string& name);
    bool AnyTagFlag() const;
    // The item's picture, as the open pass took it for an item before, or else found and loaded.
    bool LoadProductPicture(const ListOB& item, const std::string& collectionPath,
                            std::shared_ptr<const TBitmap>& picture);
    bool FindAndLoadProductPicture(const ListOB& item, const std::string& collectionPath,
                                   std::shared_ptr<const TBitmap>& picture);
    void DrawTags(const ListOB& item, TBitmap& itemBitmap);
    std::string XYText(const ListOB& item) const;
    void Compose(ListOB& item, const TBitmap& picture, TBitmap& itemBitmap, TBitmap& target, bool placeholder);
    // `stretched`, when given, is the picture stretched to the item's size.
    void PutPicture(const ListOB& item, const TBitmap& picture, const TBitmap* stretched, TBitmap& target,
                    bool placeholder);
    // The colour left out where the item goes onto the target, if any.
    std::optional<TColor> TransparentKey(const TBitmap& picture, bool placeholder) const;

    PictureFinder& finder_;
    const DrawingSettings& settings_;
    DrawingPass* openPass_ = nullptr;
    // Pictures this drawing found it cannot use: each is decoded once, not on every redraw.
    DecodedPictureCache::Unusable unusablePictures_;
};

// The box filled with the item's colour, a raised edge and the item's index in white.
void DrawPlaceholder(const ListOB& item, TCanvas& canvas, const TRect& box);
