#pragma once

#include <QColor>
#include <QImage>

class CImageList;
class QPainter;

// The pictures of the owner-drawn menu's items.

// Re-creates target at the source's image size holding only image index of the source (which
// may be the target). False, and target unchanged, for a null list or an index not the source's.
bool CopyListImage(const CImageList* source, int index, CImageList* target);

// A bitmap resource of exactly 16 colours with its standard greys in the current system
// colours: black BtnText, dark grey BtnShadow, light grey BtnFace, white BtnHighlight. Null when
// the resource is missing or damaged, or has another number of colours (it is used as it is).
QImage LoadMappedBitmap(int bitmapId);

// Appends the images of a bitmap resource, cut at the target's width, with the button face
// transparent; mapped when it has 16 colours. False when it is missing or gives no image.
bool AddBitmapImages(CImageList* target, int bitmapId);

// A w × h picture of the button face with image index of source scaled over it (none for a null
// source or a missing image); null for an empty size.
QImage MakeIconBitmap(const CImageList* source, int index, int w, int h);

// The greyed look of the cx × cy part of source at (sx, sy), drawn at (x, y) on background: its
// shape (every pixel neither the button face nor the button highlight colour) in the button
// shadow colour over a copy in the button highlight colour one pixel right and down, which
// reaches one row below and one column right of the area.
void DrawEmbossed(QPainter& target, int x, int y, int cx, int cy, const QImage& source, int sx, int sy,
                  const QColor& background);
