#pragma once

#include <QColor>
#include <QImage>

#include <optional>

class CImageList;
class QPainter;

// The pictures of the owner-drawn menu's items: copied from image lists, cut from bitmap
// resources, flattened onto the button face colour and embossed for greyed items.

// Re-creates target at the source's image size holding one image, image index of the source.
// False, and target unchanged, when either list is null or the index is not one of the
// source's. The source may be the target.
bool CopyListImage(const CImageList* source, int index, CImageList* target);

// A bitmap resource of exactly 16 colours, its standard greys mapped to the current system
// colours: black to BtnText, dark grey to BtnShadow, light grey to BtnFace and white to
// BtnHighlight. Nothing when the resource is missing or damaged, or has another number of
// colours (such a bitmap is meant to be loaded as it is).
std::optional<QImage> LoadMappedBitmap(int bitmapId);

// Appends the images of a bitmap resource to target, cut at the target's width, with the
// button face colour transparent: mapped when it has 16 colours, as it is otherwise. False when
// the resource is missing or damaged or gives no image.
bool AddBitmapImages(CImageList* target, int bitmapId);

// A w × h picture of the button face colour with image index of source drawn over it, scaled
// to w × h (none for a null source or a missing image); null for an empty size.
QImage MakeIconBitmap(const CImageList* source, int index, int w, int h);

// Draws the greyed look of the cx × cy part of source at (sx, sy) at (x, y): its shape in the
// button shadow colour over a copy in the button highlight colour one pixel right and down,
// on background. The shape is every pixel that is neither the button face nor the button
// highlight colour. The highlight copy reaches one row below and one column right of the
// cx × cy area.
void DrawEmbossed(QPainter& target, int x, int y, int cx, int cy, const QImage& source, int sx, int sy,
                  const QColor& background);
