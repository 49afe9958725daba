// Draws the program's icons and bitmaps into src/res/images, and the program icon in the sizes
// of the desktop's icon theme into data/icons (data/datemark.svg is the same drawing, kept by
// hand). Run by hand when a picture changes; the build only uses the files it writes.
//
//   make_images <images folder> [<icons folder>]
//
// Bitmaps with a mask colour are drawn without anti-aliasing: a blended edge pixel would no
// longer be the mask colour and would show as a fringe.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kRed(255, 0, 0);       // mask of the icons and button faces
const QColor kWhite(255, 255, 255); // mask of the header arrows
const QColor kOutline(64, 64, 64);
const QColor kPaper(255, 255, 255);
const QColor kPaperShade(208, 208, 208);
const QColor kBlue(38, 104, 196);
const QColor kBlueLight(120, 170, 230);
const QColor kFolder(240, 196, 72);
const QColor kFolderDark(186, 138, 24);
const QColor kGreen(34, 139, 34);
const QColor kDeleteRed(192, 32, 32);
const QColor kGrey(128, 128, 128);

using Drawing = std::function<void(QPainter&)>;

QImage Canvas(int w, int h, const QColor& background) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(background);
    return image;
}

void Pixel(QPainter& p, int x, int y, const QColor& c) {
    p.fillRect(x, y, 1, 1, c);
}

void Box(QPainter& p, int x, int y, int w, int h, const QColor& fill, const QColor& edge) {
    p.fillRect(x, y, w, h, edge);
    p.fillRect(x + 1, y + 1, w - 2, h - 2, fill);
}

// A sheet of paper with a folded top-right corner.
void Sheet(QPainter& p, int x, int y, int w, int h) {
    p.fillRect(x, y, w - 3, 1, kOutline);
    p.fillRect(x, y, 1, h, kOutline);
    p.fillRect(x, y + h - 1, w, 1, kOutline);
    p.fillRect(x + w - 1, y + 3, 1, h - 3, kOutline);
    p.fillRect(x + 1, y + 1, w - 5, h - 2, kPaper);
    p.fillRect(x + w - 4, y + 4, 3, h - 5, kPaper);
    for (int i = 0; i < 3; ++i) {
        Pixel(p, x + w - 4 + i, y + 1 + i, kOutline);
        p.fillRect(x + w - 4, y + 1 + i, i, 1, kPaperShade);
    }
    p.fillRect(x + w - 4, y + 3, 3, 1, kOutline);
}

void TextLines(QPainter& p, int x, int y, int w, int count) {
    for (int i = 0; i < count; ++i) {
        p.fillRect(x, y + 2 * i, i == count - 1 ? w - 2 : w, 1, kGrey);
    }
}

void Folder(QPainter& p, int x, int y, int w, int h) {
    p.fillRect(x, y, 6, 2, kFolderDark);
    Box(p, x, y + 2, w, h - 2, kFolder, kFolderDark);
    p.fillRect(x + 1, y + 3, w - 2, 1, QColor(250, 224, 140));
}

// A green plus in the lower right corner: "add".
void PlusBadge(QPainter& p, int x, int y) {
    p.fillRect(x + 2, y, 3, 7, kPaper);
    p.fillRect(x, y + 2, 7, 3, kPaper);
    p.fillRect(x + 3, y + 1, 1, 5, kGreen);
    p.fillRect(x + 1, y + 3, 5, 1, kGreen);
}

void Calendar(QPainter& p, int x, int y, int w, int h) {
    Box(p, x, y + 1, w, h - 1, kPaper, kOutline);
    p.fillRect(x + 1, y + 2, w - 2, 3, kBlue);
    Pixel(p, x + 3, y, kOutline);
    Pixel(p, x + w - 4, y, kOutline);
    for (int gy = y + 6; gy < y + h - 1; gy += 2) {
        for (int gx = x + 2; gx < x + w - 2; gx += 2) {
            Pixel(p, gx, gy, kGrey);
        }
    }
}

void Clock(QPainter& p, int cx, int cy, int r) {
    for (int yy = -r; yy <= r; ++yy) {
        for (int xx = -r; xx <= r; ++xx) {
            const int d = xx * xx + yy * yy;
            if (d <= r * r) {
                Pixel(p, cx + xx, cy + yy, d > (r - 1) * (r - 1) ? kOutline : kPaper);
            }
        }
    }
    // Ticks at 12, 3, 6 and 9, then the hands at ten past ten.
    Pixel(p, cx, cy - r + 1, kGrey);
    Pixel(p, cx + r - 1, cy, kGrey);
    Pixel(p, cx, cy + r - 1, kGrey);
    Pixel(p, cx - r + 1, cy, kGrey);
    p.fillRect(cx, cy - r + 3, 1, r - 2, kOutline);
    for (int i = 1; i < r - 2; ++i) {
        Pixel(p, cx + i, cy + (i + 1) / 2 - 1, kBlue);
    }
    Pixel(p, cx, cy, kDeleteRed);
}

void MenuAddFile(QPainter& p) {
    Sheet(p, 2, 1, 11, 14);
    TextLines(p, 4, 5, 6, 3);
    PlusBadge(p, 9, 9);
}

void MenuAddFolder(QPainter& p) {
    Folder(p, 1, 3, 13, 11);
    PlusBadge(p, 9, 9);
}

void MenuDelete(QPainter& p) {
    for (int i = 0; i < 10; ++i) {
        p.fillRect(2 + i, 3 + i, 3, 1, kDeleteRed);
        p.fillRect(11 - i, 3 + i, 3, 1, kDeleteRed);
    }
}

void MenuProperties(QPainter& p) {
    Box(p, 1, 2, 14, 12, kPaper, kOutline);
    p.fillRect(2, 3, 12, 2, kBlue);
    for (int i = 0; i < 3; ++i) {
        p.fillRect(3, 7 + 2 * i, 2, 1, kBlue);
        p.fillRect(6, 7 + 2 * i, 6 - (i == 2 ? 2 : 0), 1, kGrey);
    }
}

void MenuExplorer(QPainter& p) {
    Folder(p, 0, 2, 13, 10);
    // A magnifying glass over the folder.
    for (int yy = -3; yy <= 3; ++yy) {
        for (int xx = -3; xx <= 3; ++xx) {
            const int d = xx * xx + yy * yy;
            if (d <= 9) {
                Pixel(p, 10 + xx, 9 + yy, d > 4 ? kOutline : kBlueLight);
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        p.fillRect(12 + i, 12 + i, 2, 2, kOutline);
    }
}

void MenuUpdate(QPainter& p) {
    Calendar(p, 1, 1, 12, 12);
    // A check mark: applied.
    const int marks[][2] = {{8, 11}, {9, 12}, {10, 13}, {11, 12}, {12, 11}, {13, 10}, {14, 9}, {15, 8}};
    for (const auto& m : marks) {
        p.fillRect(m[0], m[1] - 1, 1, 2, kGreen);
    }
}

void ClockBitmap(QPainter& p) {
    Clock(p, 7, 8, 7);
}

// A button face: the picture at the left, then the label with its mnemonic underlined. The
// label is anti-aliased against a button's grey and only its own pixels are kept, so that the
// rest stays mask red.
Drawing Face(const Drawing& icon, const QString& label) {
    return [icon, label](QPainter& p) {
        p.save();
        p.translate(1, 1);
        icon(p);
        p.restore();
        QImage text(85, 18, QImage::Format_ARGB32);
        text.fill(Qt::transparent);
        {
            QPainter t(&text);
            t.setRenderHint(QPainter::TextAntialiasing);
            QFont font("IPAPGothic");
            font.setPixelSize(11);
            font.setHintingPreference(QFont::PreferFullHinting);
            t.setFont(font);
            t.setPen(Qt::black);
            QString plain = label;
            const qsizetype amp = plain.indexOf('&');
            plain.remove(amp, 1);
            const int x = 19;
            const int baseline = 13;
            t.drawText(x, baseline, plain);
            if (amp >= 0) {
                const QFontMetrics m(font);
                const int ux = x + m.horizontalAdvance(plain.left(amp));
                t.fillRect(ux, baseline + 1, m.horizontalAdvance(plain.mid(amp, 1)), 1, Qt::black);
            }
        }
        const QColor face(240, 240, 240);
        for (int y = 0; y < text.height(); ++y) {
            for (int x = 0; x < text.width(); ++x) {
                const int a = qAlpha(text.pixel(x, y));
                if (a != 0) {
                    const int v = face.red() * (255 - a) / 255;
                    Pixel(p, x, y, QColor(v, v, v));
                }
            }
        }
    };
}

void Arrows(QPainter& p) {
    // Image 0, x 0-4: up (ascending). Image 1, x 5-9: down (descending).
    for (int row = 0; row < 3; ++row) {
        p.fillRect(2 - row, 5 + row, 1 + 2 * row, 1, kGrey);
        p.fillRect(5 + row, 5 + row, 5 - 2 * row, 1, kGrey);
    }
}

QImage ProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A calendar sheet with a clock on its corner.
    const QRectF sheet(3, 5, 22, 22);
    p.setPen(QPen(kOutline, 1.2));
    p.setBrush(kPaper);
    p.drawRoundedRect(sheet, 2.5, 2.5);
    QPainterPath header;
    header.addRoundedRect(QRectF(3, 5, 22, 7), 2.5, 2.5);
    p.fillPath(header, kBlue);
    p.fillRect(QRectF(3.6, 9.5, 20.8, 2.5), kBlue);
    p.setBrush(kOutline);
    p.drawRoundedRect(QRectF(7.5, 2.5, 2, 5), 1, 1);
    p.drawRoundedRect(QRectF(18.5, 2.5, 2, 5), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 5; ++c) {
            p.drawRect(QRectF(5.5 + 4 * c, 14 + 4 * r, 2, 2));
        }
    }
    p.setPen(QPen(kOutline, 1.5));
    p.setBrush(QColor(255, 250, 235));
    p.drawEllipse(QPointF(23, 23), 8, 8);
    p.setPen(QPen(kOutline, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23, 23), QPointF(23, 17.5));
    p.setPen(QPen(kBlue, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(23, 23), QPointF(27, 25));
    return image;
}

bool Save(const QString& folder, const QString& name, const QImage& image) {
    const QString path = folder + "/" + name;
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage Draw(int w, int h, const QColor& mask, const Drawing& drawing) {
    QImage image = Canvas(w, h, mask);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    drawing(p);
    return image;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_images <images folder> [<icons folder>]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    bool ok = true;
    for (const int size : {16, 32, 48, 256}) {
        ok &= Save(out, QString("program%1.png").arg(size), ProgramIcon(size));
    }
    const Drawing menu[] = {MenuAddFile, MenuAddFolder, MenuDelete, MenuProperties, MenuExplorer, MenuUpdate};
    for (int i = 0; i < 6; ++i) {
        ok &= Save(out, QString("menu%1.png").arg(130 + i), Draw(16, 16, kRed, menu[i]));
    }
    ok &= Save(out, "face136.png", Draw(85, 18, kRed, Face(MenuAddFile, QString::fromUtf8("ﾌｧｲﾙ追加(&I)"))));
    ok &=
        Save(out, "face137.png", Draw(85, 18, kRed, Face(MenuAddFolder, QString::fromUtf8("ﾌｫﾙﾀﾞ追加(&F)"))));
    ok &= Save(out, "face138.png", Draw(85, 18, kRed, Face(MenuDelete, QString::fromUtf8("削除(&D)"))));
    ok &= Save(out, "face139.png", Draw(85, 18, kRed, Face(MenuUpdate, QString::fromUtf8("更新(&E)"))));
    ok &= Save(out, "clock140.png", Draw(16, 16, kRed, ClockBitmap));
    ok &= Save(out, "arrows141.png", Draw(10, 13, kWhite, Arrows));
    if (argc == 3) {
        const QString icons = QString::fromLocal8Bit(argv[2]);
        QDir().mkpath(icons);
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            ok &= Save(icons, QString("%1x%1.png").arg(size), ProgramIcon(size));
        }
    }
    return ok ? 0 : 1;
}
