// MImageList: a small indexed list of images (icons, strips) for controls that show icons.
#pragma once

#include <cairo.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tiluui/core/MImage.h"
#include "tiluui/platform/Geometry.h"

namespace TiluUI {

/// One entry of an image list.
struct ImageListEntry {
    std::shared_ptr<MImage> image;
    int frameWidth = 0;  // image width / frame count
    int height = 0;
    int id = 0;
    int frames = 1;
    std::string path;
};

/// An ordered, lock-guarded list of images. Paths are used as given (not resolved against
/// the skin folder). Error convention: bad indexes give -1, null or draw nothing.
class MImageList {
public:
    MImageList() = default;
    virtual ~MImageList() = default;

    /// Loads and appends an image; returns its index, or -1 when the path is null or the image cannot be
    /// loaded.
    int AddImage(const char* path, int id, int frames);
    /// Inserts at `index` (-1 appends); -1 for an index outside -1..count-1, a null path or an unloadable
    /// image.
    int InsertImage(int index, const char* path, int id, int frames);
    /// Draws frame 0 of entry `index` stretched to `rect`.
    void DrawItemIcon(cairo_t* g, const CRect& rect, int index);
    /// Draws frame `frame` of entry `index` stretched to `rect`.
    void DrawItemIcon(cairo_t* g, const CRect& rect, int index, int frame);
    /// Sets the size controls should draw icons at.
    void SetDrawImgSize(int w, int h);
    /// The size set by SetDrawImgSize.
    CSize GetIconSize() const;
    /// A copy of entry `index` (empty entry with null image when out of range).
    ImageListEntry GetItemImageData(int index) const;
    /// A copy of the first entry with `id` (null image when none).
    ImageListEntry GetImageDataByID(int id) const;
    /// Path of entry `index` ("" when out of range).
    std::string GetImagePath(int index) const;
    /// Path of the first entry with `id` ("" when none).
    std::string GetImagePathByID(int id) const;
    int GetImageCount() const;
    void DelAllImages();

private:
    mutable std::mutex m_mu;  // controls may draw from the timer thread
    std::vector<ImageListEntry> m_entries;
    CSize m_drawSize;
};

}  // namespace TiluUI
