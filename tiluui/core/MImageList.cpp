// MImageList: indexed images for icon-showing controls.
#include "tiluui/core/MImageList.h"

#include "tiluui/core/MRender.h"

namespace TiluUI {

int MImageList::AddImage(const char* path, int id, int frames) {
    return InsertImage(-1, path, id, frames);
}

int MImageList::InsertImage(int index, const char* path, int id, int frames) {
    if (!path) return -1;
    {
        std::lock_guard lock(m_mu);
        if (index < -1 || index >= static_cast<int>(m_entries.size())) return -1;
    }
    std::shared_ptr<MImage> image = MRender::LoadImageFromFile(path);
    if (!image) return -1;
    ImageListEntry e;
    e.frames = std::max(frames, 1);
    e.frameWidth = image->Width() / e.frames;
    e.height = image->Height();
    e.id = id;
    e.path = path;
    e.image = std::move(image);
    std::lock_guard lock(m_mu);
    if (index < 0 || index > static_cast<int>(m_entries.size())) {
        m_entries.push_back(std::move(e));
        return static_cast<int>(m_entries.size()) - 1;
    }
    m_entries.insert(m_entries.begin() + index, std::move(e));
    return index;
}

void MImageList::DrawItemIcon(cairo_t* g, const CRect& rect, int index) {
    DrawItemIcon(g, rect, index, 0);
}

void MImageList::DrawItemIcon(cairo_t* g, const CRect& rect, int index, int frame) {
    std::lock_guard lock(m_mu);
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return;
    const ImageListEntry& e = m_entries[static_cast<size_t>(index)];
    if (frame < 0 || frame >= e.frames) return;
    MRender::DrawImage(g, e.image.get(), rect, frame * e.frameWidth, 0, e.frameWidth, e.height);
}

void MImageList::SetDrawImgSize(int w, int h) {
    std::lock_guard lock(m_mu);
    m_drawSize = CSize(w, h);
}

CSize MImageList::GetIconSize() const {
    std::lock_guard lock(m_mu);
    return m_drawSize;
}

ImageListEntry MImageList::GetItemImageData(int index) const {
    std::lock_guard lock(m_mu);
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return {};
    return m_entries[static_cast<size_t>(index)];
}

ImageListEntry MImageList::GetImageDataByID(int id) const {
    std::lock_guard lock(m_mu);
    for (const ImageListEntry& e : m_entries)
        if (e.id == id) return e;
    return {};
}

std::string MImageList::GetImagePath(int index) const {
    return GetItemImageData(index).path;
}

std::string MImageList::GetImagePathByID(int id) const {
    return GetImageDataByID(id).path;
}

int MImageList::GetImageCount() const {
    std::lock_guard lock(m_mu);
    return static_cast<int>(m_entries.size());
}

void MImageList::DelAllImages() {
    std::lock_guard lock(m_mu);
    m_entries.clear();
}

}  // namespace TiluUI
