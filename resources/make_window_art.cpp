// Draws the desktop window's pictures into the resources folder:
//   ui/skin.png             814 x 665, 24-bit: the window's face
//   ui/start.png            742 x 373, 24-bit: the guide shown in the centre area
//   ui/logo.png             742 x 373, 32-bit: the product's logo picture
//   ui/icons/*.png          32 x 32 button and window icons
//   ui/cursors/*.png        32 x 32 cursors (hot spots in cursor_hotspots.h)
//   icons/hicolor/NxN/apps/framira.png and icons/app_256.png for installation
// Everything is drawn from shapes, gradients and a hashed noise, with the
// DejaVu fonts loaded from their files and no hinting, so a run on the same
// Qt and FreeType gives the same pictures.
//
// Usage: make_window_art RESOURCES_FOLDER
// (or `cmake --build build --target window_art`, which writes into resources/).

#include "cursor_hotspots.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSkinWidth = 814;
constexpr int kSkinHeight = 665;
constexpr int kPictureWidth = 742;
constexpr int kPictureHeight = 373;

// The product's colours.
const QColor kInk(0x1f, 0x2d, 0x33);
const QColor kTeal(0x1d, 0x6f, 0x76);
const QColor kTealDark(0x12, 0x4a, 0x50);
const QColor kCream(0xf5, 0xef, 0xe0);
const QColor kMount(0xf2, 0xea, 0xd6);
const QColor kGold(0xc9, 0x97, 0x3a);
const QColor kGreen(0x2e, 0xa0, 0x4f);
const QColor kRed(0xcf, 0x45, 0x3a);
const QColor kAmber(0xe3, 0x97, 0x1f);
const QColor kFolder(0xe8, 0xb4, 0x4c);
const QColor kFolderBack(0xc9, 0x91, 0x2c);
const QColor kGrey(0x5d, 0x6a, 0x70);

// Dialog units of the window's template to pixels.
int DuX(double du) { return int(std::lround(du * 1.5)); }
int DuY(double du) { return int(std::lround(du * 1.625)); }
QRect DuRect(double x, double y, double w, double h)
{
    const int left = DuX(x), top = DuY(y);
    return QRect(left, top, DuX(x + w) - left, DuY(y + h) - top);
}

// ---------------------------------------------------------------- noise

float Hash(int x, int y, int seed)
{
    std::uint32_t h = std::uint32_t(x) * 374761393u + std::uint32_t(y) * 668265263u + std::uint32_t(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return float(h & 0xffffffu) / float(0xffffffu);
}

float ValueNoise(float x, float y, int seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    const float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    const float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal noise around 0, roughly -1..1.
float Fbm(float x, float y, int seed, int octaves = 4)
{
    float sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * (ValueNoise(x, y, seed + i * 31) * 2 - 1);
        norm += amplitude;
        amplitude *= 0.5f;
        x *= 2.03f;
        y *= 2.03f;
    }
    return sum / norm;
}

int ClampByte(float v) { return std::clamp(int(std::lround(v)), 0, 255); }

// ---------------------------------------------------------------- helpers

QFont Font(const char* family, double pixelSize, int weight = QFont::Normal, double letterSpacing = 0)
{
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(int(std::lround(pixelSize)));
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setKerning(true);
    if (letterSpacing != 0)
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    return font;
}

void LoadFonts()
{
    const char* files[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSans-ExtraLight.ttf", "DejaVuSerif.ttf",
                           "DejaVuSerif-Bold.ttf", "DejaVuSansCondensed.ttf", "DejaVuSansCondensed-Bold.ttf"};
    for (const char* file : files) {
        const QString path = QStringLiteral("/usr/share/fonts/truetype/dejavu/") + QString::fromLatin1(file);
        if (QFontDatabase::addApplicationFont(path) < 0)
            std::fprintf(stderr, "make_window_art: cannot load %s; install fonts-dejavu-core\n", qPrintable(path));
    }
}

// Box-blurs the alpha of an ARGB32 premultiplied image three times: close
// enough to a Gaussian for soft shadows.
void BlurAlpha(QImage& image, int radius)
{
    const int w = image.width(), h = image.height();
    std::vector<float> a(std::size_t(w) * h), t(a.size());
    for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            a[std::size_t(y) * w + x] = float(qAlpha(row[x]));
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                    s += a[std::size_t(y) * w + std::clamp(x + k, 0, w - 1)];
                t[std::size_t(y) * w + x] = s / float(2 * radius + 1);
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                float s = 0;
                for (int k = -radius; k <= radius; ++k)
                    s += t[std::size_t(std::clamp(y + k, 0, h - 1)) * w + x];
                a[std::size_t(y) * w + x] = s / float(2 * radius + 1);
            }
    }
    for (int y = 0; y < h; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x)
            row[x] = qRgba(0, 0, 0, ClampByte(a[std::size_t(y) * w + x]));
    }
}

// A soft shadow under a rounded rectangle.
void DrawShadow(QPainter& p, const QRectF& rect, double radius, int blur, QPointF offset, double opacity)
{
    const int margin = blur * 3 + 2;
    QImage shadow(int(rect.width()) + 2 * margin, int(rect.height()) + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    {
        QPainter s(&shadow);
        s.setRenderHint(QPainter::Antialiasing);
        s.setPen(Qt::NoPen);
        s.setBrush(Qt::black);
        s.drawRoundedRect(QRectF(margin, margin, rect.width(), rect.height()), radius, radius);
    }
    BlurAlpha(shadow, std::max(1, blur));
    p.save();
    p.setOpacity(opacity);
    p.drawImage(rect.topLeft() + offset - QPointF(margin, margin), shadow);
    p.restore();
}

// Writes the image as PNG with the strongest compression; returns false on failure.
bool Save(const QImage& image, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG", 0)) {
        std::fprintf(stderr, "make_window_art: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- texture

// The window's rippled blue-green face: a warped height field of long
// ripples, lit from the upper left like watered silk.
QImage RippleTexture(int width, int height, float contrast)
{
    QImage image(width, height, QImage::Format_RGB32);
    auto heightAt = [](float x, float y) {
        const float wx = x + 55.0f * Fbm(x / 210.0f, y / 210.0f, 11, 3);
        const float wy = y + 55.0f * Fbm(x / 210.0f, y / 210.0f, 17, 3);
        const float bend = 2.4f * Fbm(wx / 120.0f, wy / 120.0f, 23, 3);
        const float a = std::sin(wy * 0.16f + wx * 0.035f + 1.6f * bend);
        const float b = std::sin(wx * 0.052f - wy * 0.083f + 2.2f * Fbm(wx / 260.0f, wy / 260.0f, 29, 2));
        return 0.65f * a + 0.35f * b;
    };
    const float lx = -0.55f, ly = -0.65f;
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float fx = float(x), fy = float(y);
            const float h = heightAt(fx, fy);
            const float dx = heightAt(fx + 1, fy) - heightAt(fx - 1, fy);
            const float dy = heightAt(fx, fy + 1) - heightAt(fx, fy - 1);
            const float light = std::clamp((dx * lx + dy * ly) * 1.6f, -1.0f, 1.0f);
            const float tint = 0.5f + 0.5f * Fbm(fx / 300.0f, fy / 300.0f, 41, 2);
            const float level = 0.5f + 0.18f * h * contrast + 0.32f * light * contrast;
            // Deep blue-green, greener in some drifts, bluer in others.
            const float r = 10 + 26 * level + 6 * tint;
            const float g = 38 + 58 * level - 8 * tint;
            const float b = 46 + 56 * level + 10 * tint;
            row[x] = qRgb(ClampByte(r), ClampByte(g), ClampByte(b));
        }
    }
    return image;
}

// ---------------------------------------------------------------- photo and frame

// A small landscape photograph for the examples: sky, sun, hills, water.
QImage SamplePhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / float(width - 1), v = float(y) / float(height - 1);
            const float sky = std::clamp(v / 0.58f, 0.0f, 1.0f);
            float r = 52 + (246 - 52) * sky, g = 104 + (196 - 104) * sky, b = 186 + (150 - 186) * sky;
            const float dx = (u - 0.7f) * float(width) / float(height), dy = v - 0.34f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float glow = std::exp(-d * 7.0f) * 0.55f;
            r += (255 - r) * glow;
            g += (236 - g) * glow;
            b += (190 - b) * glow;
            if (d < 0.07f) {
                r = 255;
                g = 246;
                b = 214;
            }
            const float far = 0.52f - 0.07f * std::sin(u * 6.5f + 0.4f) - 0.03f * std::sin(u * 17.0f);
            if (v > far) {
                r = 104;
                g = 122;
                b = 160;
            }
            const float near = 0.62f - 0.06f * std::sin(u * 4.0f + 2.0f) - 0.02f * std::sin(u * 23.0f);
            if (v > near) {
                const float t = (v - near) * 3;
                r = 72 - 20 * t;
                g = 116 - 30 * t;
                b = 58 - 14 * t;
            }
            if (v > 0.74f) {
                const float t = (v - 0.74f) / 0.26f;
                r = 70 + 110 * (1 - t);
                g = 112 + 70 * (1 - t);
                b = 168 + 10 * (1 - t);
                const float path = std::exp(-std::fabs(u - 0.7f) * 18.0f) * (0.5f + 0.5f * std::sin(v * 180.0f));
                r += (255 - r) * path * 0.6f;
                g += (236 - g) * path * 0.6f;
                b += (200 - b) * path * 0.6f;
            }
            row[x] = qRgb(ClampByte(r), ClampByte(g), ClampByte(b));
        }
    }
    return image;
}

// The sample photograph at a given size, drawn three times larger and
// reduced so its hard edges come out smooth.
QImage SmoothPhoto(int width, int height)
{
    return SamplePhoto(width * 3, height * 3).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// A mat surface for the examples: a base colour with soft clouds and fine
// fibres running down.
QImage MatTexture(int width, int height, QColor base, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const float cloud = Fbm(float(x) / 40.0f, float(y) / 40.0f, seed, 3);
            const float fibre = Fbm(float(x) / 3.0f, float(y) / 9.0f, seed + 7, 2);
            const float k = 1.0f + 0.10f * cloud + 0.07f * fibre;
            row[x] = qRgb(ClampByte(float(base.red()) * k), ClampByte(float(base.green()) * k),
                          ClampByte(float(base.blue()) * k));
        }
    }
    return image;
}

// The bevelled band around a print: cream mount faces lit from the upper
// left, with a line of the core colour next to the picture.
void DrawBevel(QPainter& p, const QRectF& print, double band, QColor core)
{
    const QRectF outer = print.adjusted(-band, -band, band, band);
    auto face = [&](QPointF a, QPointF b, QPointF c, QPointF d, QColor colour) {
        QPolygonF poly;
        poly << a << b << c << d;
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawPolygon(poly);
    };
    const QColor lit = kMount.lighter(106), side = kMount, shade = kMount.darker(112), deep = kMount.darker(122);
    face(outer.topLeft(), outer.topRight(), print.topRight(), print.topLeft(), lit);
    face(outer.topLeft(), print.topLeft(), print.bottomLeft(), outer.bottomLeft(), side);
    face(outer.topRight(), outer.bottomRight(), print.bottomRight(), print.topRight(), shade);
    face(outer.bottomLeft(), print.bottomLeft(), print.bottomRight(), outer.bottomRight(), deep);
    const double coreWidth = std::max(0.5, band * 0.2);
    p.setPen(QPen(core, coreWidth));
    p.setBrush(Qt::NoBrush);
    p.drawRect(print.adjusted(-coreWidth / 2, -coreWidth / 2, coreWidth / 2, coreWidth / 2));
}

// A framed example: mat, bevel and print inside the given screen rectangle.
void DrawFramedExample(QPainter& p, const QRect& screen, QSizeF photo, int seed)
{
    const QColor matColour(92, 104, 122);
    p.drawImage(screen.topLeft(), MatTexture(screen.width(), screen.height(), matColour, seed));
    const double scale = std::min(screen.width() * 0.66 / photo.width(), screen.height() * 0.66 / photo.height());
    const QSizeF size(photo.width() * scale, photo.height() * scale);
    const QRectF print(screen.center().x() + 0.5 - size.width() / 2, screen.center().y() + 0.5 - size.height() / 2,
                       size.width(), size.height());
    const double band = std::max(3.0, screen.height() * 0.045);
    DrawShadow(p, print.adjusted(-band, -band, band, band), 0, 3, QPointF(1.5, 2.5), 0.45);
    DrawBevel(p, print, band, QColor(64, 86, 128));
    p.drawImage(print, SmoothPhoto(int(std::ceil(print.width())), int(std::ceil(print.height()))));
}

// ---------------------------------------------------------------- skin

// Text pressed into the texture: dark letters with a faint light edge below.
void DrawEngraved(QPainter& p, const QRectF& box, const QString& text, const QFont& font, int flags, int alpha)
{
    // Light letters over a dark cut, so the names read on the dark skin.
    p.setFont(font);
    p.setPen(QColor(4, 20, 24, 220));
    p.drawText(box.translated(0, 1), flags, text);
    p.setPen(QColor(214, 232, 226, std::max(alpha, 200)));
    p.drawText(box, flags, text);
}

void DrawWhitePanel(QPainter& p, const QRect& panel, const QString& caption)
{
    DrawShadow(p, panel, 4, 3, QPointF(0, 2), 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(panel), 4, 4);
    // A fine gold keyline just inside the edge.
    p.setPen(QPen(QColor(201, 151, 58, 150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    // The caption in small capitals in the strip above the controls.
    p.setFont(Font("DejaVu Sans", 10, QFont::Bold, 1.2));
    p.setPen(QColor(12, 62, 68));
    p.drawText(QRect(panel.left() + 10, panel.top() + 3, 200, 12), Qt::AlignLeft | Qt::AlignVCenter, caption.toUpper());
}

QImage MakeSkin()
{
    QImage skin = RippleTexture(kSkinWidth, kSkinHeight, 1.0f);
    QPainter p(&skin);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // Light falls from above: the plate darkens towards its lower corners.
    QRadialGradient light(QPointF(kSkinWidth * 0.5, kSkinHeight * 0.3), kSkinWidth * 0.75);
    light.setColorAt(0, QColor(255, 255, 255, 14));
    light.setColorAt(0.6, QColor(0, 0, 0, 0));
    light.setColorAt(1, QColor(0, 0, 0, 70));
    p.fillRect(skin.rect(), light);

    // Edge: a thin light rim and a darker inner line so the shape reads as a plate.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawRect(QRectF(0.5, 0.5, kSkinWidth - 1, kSkinHeight - 1));
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.drawRect(QRectF(1.5, 1.5, kSkinWidth - 3, kSkinHeight - 3));

    // White panels behind the source and destination group boxes.
    const QRect source = DuRect(13, 4, 253, 74).adjusted(-2, -2, 2, 2);
    const QRect destination = DuRect(271, 4, 253, 74).adjusted(-2, -2, 2, 2);
    DrawWhitePanel(p, source, QStringLiteral("Source"));
    DrawWhitePanel(p, destination, QStringLiteral("Destination"));

    // Cream centre panel in a thin frame behind the list and picture area.
    const QRect centre = DuRect(20, 87, 497, 232);
    const QRectF frame = QRectF(centre).adjusted(-7, -7, 7, 7);
    DrawShadow(p, frame, 2, 4, QPointF(0, 3), 0.6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 30, 24));
    p.drawRect(frame);
    p.setBrush(QColor(186, 152, 92));
    p.drawRect(frame.adjusted(1, 1, -1, -1));
    p.setBrush(QColor(214, 186, 128)); // the lit top edge
    p.drawRect(frame.adjusted(1, 1, -1, -frame.height() + 2));
    p.setBrush(QColor(112, 86, 46));
    p.drawRect(frame.adjusted(3, 3, -3, -3));
    p.setBrush(kCream);
    p.drawRect(frame.adjusted(4, 4, -4, -4));

    // Progress groove.
    const QRect progress = DuRect(16, 329, 506, 8);
    const QRectF groove = QRectF(progress).adjusted(-3, -3, 3, 3);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(groove.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    // Engraved product and company names either side of Process Images.
    const QRect help = DuRect(23, 343, 26, 25), process = DuRect(217, 342, 109, 26), logo = DuRect(501, 343, 26, 25);
    DrawEngraved(p, QRectF(help.right() + 18, help.top(), process.left() - help.right() - 36, help.height()),
                 QStringLiteral("FRAMIRA"), Font("DejaVu Sans", 17, QFont::Normal, 7), Qt::AlignCenter, 70);
    DrawEngraved(p, QRectF(process.right() + 18, logo.top(), logo.left() - process.right() - 36, logo.height()),
                 QStringLiteral("BREVANT INC"), Font("DejaVu Sans", 11, QFont::Normal, 3), Qt::AlignCenter, 70);
    p.end();
    return skin.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------- start picture

void DrawBadge(QPainter& p, QPointF centre, double radius, int number)
{
    p.setPen(QPen(Qt::white, radius * 0.16));
    p.setBrush(kGold);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::white);
    p.setFont(Font("DejaVu Sans", radius * 1.25, QFont::Bold));
    p.drawText(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter,
               QString::number(number));
}

QImage MakeStart(const QImage& skin)
{
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    image.fill(kCream);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    // The window in miniature.
    const double k = 0.372;
    const QPointF origin(22, 52);
    const QSizeF miniSize(kSkinWidth * k, kSkinHeight * k);
    auto mini = [&](const QRect& r) {
        return QRectF(origin.x() + r.x() * k, origin.y() + r.y() * k, r.width() * k, r.height() * k);
    };
    DrawShadow(p, QRectF(origin, miniSize), 3, 4, QPointF(0, 3), 0.45);
    p.drawImage(QRectF(origin, miniSize),
                skin.scaled(miniSize.toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QColor button(200, 200, 255);
    auto miniButton = [&](double x, double y, double w, double h) {
        p.setPen(QPen(QColor(90, 90, 140), 0.7));
        p.setBrush(button);
        p.drawRoundedRect(mini(DuRect(x, y, w, h)), 1.5, 1.5);
    };
    miniButton(18, 14, 50, 22);
    miniButton(83, 13, 50, 22);
    miniButton(147, 13, 50, 22);
    miniButton(211, 13, 50, 22);
    miniButton(433, 10, 79, 17);
    miniButton(351, 45, 56, 18);
    miniButton(217, 342, 109, 26);
    miniButton(23, 343, 26, 25);
    miniButton(501, 343, 26, 25);
    // Lines of text in the panels.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 128, 132));
    for (const QRect& r : {DuRect(28, 41, 60, 5), DuRect(18, 54, 24, 5), DuRect(16, 65, 180, 5), DuRect(292, 16, 110, 5),
                           DuRect(294, 46, 50, 5), DuRect(279, 60, 36, 5), DuRect(278, 68, 200, 5)})
        p.drawRect(mini(r));
    // Choices, folder box, resolution list.
    p.setBrush(QColor(46, 200, 80));
    p.drawEllipse(mini(DuRect(276, 15, 10, 10)));
    p.setBrush(QColor(170, 170, 190));
    p.drawEllipse(mini(DuRect(276, 44, 10, 10)));
    p.setPen(QPen(QColor(120, 128, 132), 0.7));
    p.setBrush(Qt::white);
    p.drawRect(mini(DuRect(279, 28, 233, 13)));
    p.drawRect(mini(DuRect(408, 50, 114, 13)));
    // The list with a few pictures in it.
    const QRectF list = mini(DuRect(20, 87, 497, 232));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(list);
    p.setBrush(QColor(150, 158, 162));
    for (int i = 0; i < 6; ++i)
        p.drawRect(QRectF(list.left() + 6, list.top() + 6 + i * 8, 60 + (i * 37) % 70, 3));
    p.setBrush(QColor(60, 150, 220, 70));
    p.drawRect(QRectF(list.left() + 1, list.top() + 4 + 2 * 8, list.width() - 2, 7));
    // Progress bar.
    const QRectF bar = mini(DuRect(16, 329, 506, 8));
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(bar);
    p.setBrush(QColor(75, 142, 168));
    p.drawRect(QRectF(bar.left(), bar.top(), bar.width() * 0.45, bar.height()));

    // Numbered badges where each step happens.
    const double r = 9;
    DrawBadge(p, mini(DuRect(18, 14, 50, 22)).topLeft() + QPointF(2, 1), r, 1);
    DrawBadge(p, list.center() + QPointF(0, 6), 12, 1);
    p.setPen(kGrey);
    p.setFont(Font("DejaVu Sans", 9));
    p.drawText(QRectF(list.left(), list.center().y() + 20, list.width(), 14), Qt::AlignCenter,
               QStringLiteral("or drop pictures and folders here"));
    DrawBadge(p, mini(DuRect(275, 15, 12, 11)).center() + QPointF(-4, -2), r, 2);
    DrawBadge(p, mini(DuRect(408, 50, 114, 13)).center() + QPointF(16, 0), r, 3);
    DrawBadge(p, mini(DuRect(217, 342, 109, 26)).center(), r, 4);

    // Heading.
    const double textLeft = 352;
    p.setPen(kTealDark);
    p.setFont(Font("DejaVu Sans", 17, QFont::Bold));
    p.drawText(QRectF(textLeft - 4, 12, 390, 28), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Frame your photographs in four steps"));
    p.setPen(QPen(kGold, 1.5));
    p.drawLine(QPointF(textLeft - 4, 44.5), QPointF(722, 44.5));

    struct SStep {
        const char* title;
        const char* detail;
    };
    const SStep steps[] = {
        {"Add pictures or folders", "Use Add or Add Folder, or drag them here."},
        {"Choose where the framed pictures go", "A new subfolder beside the pictures, or one folder."},
        {"Pick the screen size", "Current Monitor or one of 15 presets."},
        {"Process Images", "Each picture is shown as it is framed."},
    };
    for (int i = 0; i < 4; ++i) {
        const double y = 56 + i * 42;
        DrawBadge(p, QPointF(textLeft + 8, y + 10), 10, i + 1);
        p.setPen(kInk);
        p.setFont(Font("DejaVu Sans", 13, QFont::Bold));
        p.drawText(QRectF(textLeft + 26, y, 360, 18), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(steps[i].title));
        p.setPen(kGrey);
        p.setFont(Font("DejaVu Sans", 11));
        p.drawText(QRectF(textLeft + 26, y + 18, 360, 16), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromUtf8(steps[i].detail));
    }

    // What comes out: a screen-sized picture with the photo on its own mat.
    const QRect screen(int(textLeft), 236, 176, 99);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 38, 42));
    p.drawRoundedRect(QRectF(screen).adjusted(-5, -5, 5, 5), 4, 4);
    DrawFramedExample(p, screen, QSizeF(3, 2), 5);
    p.setBrush(QColor(34, 38, 42));
    p.drawRect(QRectF(screen.center().x() - 14, screen.bottom() + 6, 28, 8));
    p.setPen(kInk);
    p.setFont(Font("DejaVu Sans", 11, QFont::Bold));
    p.drawText(QRectF(screen.right() + 16, 236, 190, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("The result"));
    p.setPen(kGrey);
    p.setFont(Font("DejaVu Sans", 11));
    p.drawText(QRectF(screen.right() + 16, 256, 186, 90), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
               QStringLiteral("Each photo is centred on a mat made from its own colours, with a cream bevel, "
                              "at exactly your screen size."));

    p.setPen(kGrey);
    p.setFont(Font("DejaVu Sans", 10));
    p.drawText(QRectF(22, 316, 302, 16), Qt::AlignCenter,
               QStringLiteral("Point at the ? button to see this guide again."));
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// ---------------------------------------------------------------- logo picture

// The framed-picture motif, drawn in a 32-unit square: a mitred teal
// moulding with a gold lip, a slate mat, the cream bevel and a landscape.
void DrawMotif(QPainter& p, const QRectF& box)
{
    const double u = box.width() / 32.0;
    p.save();
    p.translate(box.topLeft());
    p.scale(u, u);
    const QRectF outer(1, 2, 30, 28);
    const double moulding = 4;
    const QRectF inner = outer.adjusted(moulding, moulding, -moulding, -moulding);
    auto face = [&](QPointF a, QPointF b, QPointF c, QPointF d, QColor colour) {
        QPolygonF poly;
        poly << a << b << c << d;
        p.setPen(QPen(colour, 0.15));
        p.setBrush(colour);
        p.drawPolygon(poly);
    };
    face(outer.topLeft(), outer.topRight(), inner.topRight(), inner.topLeft(), QColor(0x2f, 0x8e, 0x96));
    face(outer.topLeft(), inner.topLeft(), inner.bottomLeft(), outer.bottomLeft(), QColor(0x22, 0x76, 0x7d));
    face(outer.topRight(), outer.bottomRight(), inner.bottomRight(), inner.topRight(), QColor(0x16, 0x55, 0x5b));
    face(outer.bottomLeft(), inner.bottomLeft(), inner.bottomRight(), outer.bottomRight(), QColor(0x0f, 0x40, 0x45));
    // Gold lip where the moulding meets the mat, then the slate mat.
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    p.drawRect(inner);
    p.setBrush(QColor(0x5a, 0x66, 0x7a));
    p.drawRect(inner.adjusted(1, 1, -1, -1));
    const QRectF print = inner.adjusted(4, 4, -4, -4);
    DrawBevel(p, print, 2, QColor(0x35, 0x52, 0x80));
    // Photo pixels to match the device's, whatever scale the caller set.
    const double device = p.worldTransform().m11();
    p.drawImage(print, SmoothPhoto(int(std::ceil(print.width() * device)) + 1, int(std::ceil(print.height() * device)) + 1));
    p.restore();
}

// The motif for 16 and 24 pixels, on whole pixels: a teal frame, a cream
// mount line and the photo, since finer rings blur together there.
QImage SmallAppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    const int frame = size / 8, top = size / 12;
    const QRect outer(0, top, size, size - 2 * top);
    p.fillRect(outer, QColor(0x22, 0x76, 0x7d));
    p.fillRect(QRect(outer.left(), outer.top(), outer.width(), frame), QColor(0x2f, 0x8e, 0x96));
    p.fillRect(QRect(outer.right() - frame + 1, outer.top() + frame, frame, outer.height() - frame), QColor(0x16, 0x55, 0x5b));
    p.fillRect(QRect(outer.left(), outer.bottom() - frame + 1, outer.width(), frame), QColor(0x0f, 0x40, 0x45));
    const QRect mount = outer.adjusted(frame, frame, -frame, -frame);
    p.fillRect(mount, kMount);
    const QRect print = mount.adjusted(1, 1, -1, -1);
    p.drawImage(print.topLeft(), SmoothPhoto(print.width(), print.height()));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QImage MakeLogo()
{
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
    QImage back = RippleTexture(kPictureWidth, kPictureHeight, 0.55f);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(0, 0, back);
    QRadialGradient vignette(QPointF(kPictureWidth * 0.45, kPictureHeight * 0.45), kPictureWidth * 0.75);
    vignette.setColorAt(0, QColor(0, 0, 0, 0));
    vignette.setColorAt(1, QColor(0, 0, 0, 150));
    p.fillRect(image.rect(), vignette);

    const QRectF motif(56, 76, 220, 220);
    DrawShadow(p, QRectF(motif.left() + 7, motif.top() + 14, motif.width() - 14, motif.height() - 28), 8, 8,
               QPointF(0, 8), 0.7);
    DrawMotif(p, motif);

    const double left = 318;
    p.setPen(kCream);
    p.setFont(Font("DejaVu Sans", 86, QFont::ExtraLight, 2));
    p.drawText(QRectF(left, 92, 420, 110), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Framira"));
    p.setPen(QPen(kGold, 2));
    p.drawLine(QPointF(left + 4, 212), QPointF(left + 380, 212));
    p.setPen(QColor(0xe8, 0xdd, 0xc4));
    p.setFont(Font("DejaVu Serif", 17, QFont::Normal));
    p.drawText(QRectF(left + 4, 222, 420, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Beautiful frames for displaying images."));
    p.setPen(QColor(0xa9, 0xc2, 0xc4));
    p.setFont(Font("DejaVu Sans", 11, QFont::Normal, 1.5));
    p.drawText(QRectF(left + 4, 300, 420, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("BREVANT INC  \u00b7  VERSION 1.0.0"));
    p.end();
    return image;
}

// ---------------------------------------------------------------- icons

using IconPainter = void (*)(QPainter&);

void Disc(QPainter& p, QColor colour)
{
    QLinearGradient g(0, 2, 0, 30);
    g.setColorAt(0, colour.lighter(112));
    g.setColorAt(1, colour.darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawEllipse(QRectF(2, 2, 28, 28));
}

void IconApp(QPainter& p) { DrawMotif(p, QRectF(0, 0, 32, 32)); }

void IconHelp(QPainter& p)
{
    Disc(p, kTeal);
    p.setPen(Qt::white);
    p.setFont(Font("DejaVu Sans", 21, QFont::Bold));
    p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("?"));
}

void IconClose(QPainter& p)
{
    Disc(p, kRed);
    p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 11), QPointF(21, 21));
    p.drawLine(QPointF(21, 11), QPointF(11, 21));
}

void IconLogo(QPainter& p)
{
    QLinearGradient g(0, 0, 32, 32);
    g.setColorAt(0, QColor(0x2a, 0x86, 0x8e));
    g.setColorAt(1, QColor(0x10, 0x3f, 0x45));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setPen(QPen(kMount, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(6.1, 6.1, 19.8, 19.8));
    p.setPen(kGold);
    p.setFont(Font("DejaVu Serif", 16, QFont::Bold));
    p.drawText(QRectF(6, 6, 20, 20), Qt::AlignCenter, QStringLiteral("F"));
}

void Triangle(QPainter& p, double left, double top, double size)
{
    QPainterPath path;
    path.moveTo(left, top);
    path.lineTo(left + size * 0.87, top + size / 2);
    path.lineTo(left, top + size);
    path.closeSubpath();
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(path);
}

void IconProcess(QPainter& p)
{
    Disc(p, kGreen);
    Triangle(p, 12.5, 9.5, 13);
}

void IconPause(QPainter& p)
{
    Disc(p, kAmber);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(11, 10, 3.6, 12), 1, 1);
    p.drawRoundedRect(QRectF(17.4, 10, 3.6, 12), 1, 1);
}

void IconResume(QPainter& p)
{
    Disc(p, kGreen);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(9.5, 10, 3.2, 12), 1, 1);
    Triangle(p, 15, 10, 12);
}

void IconStop(QPainter& p)
{
    Disc(p, kRed);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(11, 11, 10, 10), 1.5, 1.5);
}

// A photo card: white print with a small landscape.
void PhotoCard(QPainter& p)
{
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3.6, 5.6, 22.8, 18.8), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6f, 0xb3, 0xe0));
    p.drawRect(QRectF(6, 8, 18, 14));
    p.setBrush(QColor(0xf6, 0xc9, 0x45));
    p.drawEllipse(QPointF(19.5, 11.5), 2, 2);
    QPainterPath hills;
    hills.moveTo(6, 22);
    hills.lineTo(6, 18);
    hills.lineTo(11, 13.5);
    hills.lineTo(15, 17);
    hills.lineTo(18, 15);
    hills.lineTo(24, 19.5);
    hills.lineTo(24, 22);
    hills.closeSubpath();
    p.setBrush(QColor(0x4e, 0x92, 0x40));
    p.drawPath(hills);
}

// A closed folder.
void Folder(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kFolderBack);
    QPainterPath back;
    back.moveTo(2.5, 8);
    back.lineTo(2.5, 6.5);
    back.quadTo(2.5, 5, 4, 5);
    back.lineTo(11, 5);
    back.lineTo(13.5, 7.5);
    back.lineTo(27, 7.5);
    back.quadTo(28.5, 7.5, 28.5, 9);
    back.lineTo(28.5, 12);
    back.lineTo(2.5, 12);
    back.closeSubpath();
    p.drawPath(back);
    QLinearGradient g(0, 9, 0, 26);
    g.setColorAt(0, kFolder.lighter(108));
    g.setColorAt(1, kFolder.darker(106));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2.5, 10, 26, 16), 1.5, 1.5);
}

void Badge(QPainter& p, QColor colour)
{
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(colour);
    p.drawEllipse(QPointF(24, 24), 7, 7);
}

void Plus(QPainter& p)
{
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(24, 20), QPointF(24, 28));
    p.drawLine(QPointF(20, 24), QPointF(28, 24));
}

void IconAdd(QPainter& p)
{
    PhotoCard(p);
    Badge(p, kGreen);
    Plus(p);
}

void IconAddFolder(QPainter& p)
{
    Folder(p);
    Badge(p, kGreen);
    Plus(p);
}

void IconRemove(QPainter& p)
{
    PhotoCard(p);
    Badge(p, kRed);
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(20, 24), QPointF(28, 24));
}

void IconChooseFolder(QPainter& p)
{
    Folder(p);
    Badge(p, kTeal);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (double x : {20.8, 24.0, 27.2})
        p.drawEllipse(QPointF(x, 24), 1.25, 1.25);
}

void IconViewOutputs(QPainter& p)
{
    Folder(p);
    Badge(p, kTeal);
    p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(23, 23), 2.6, 2.6);
    p.drawLine(QPointF(25, 25), QPointF(27.5, 27.5));
}

void Lamp(QPainter& p, bool lit)
{
    // Bezel.
    QLinearGradient bezel(0, 2, 0, 30);
    bezel.setColorAt(0, QColor(0x9a, 0xa4, 0xa8));
    bezel.setColorAt(1, QColor(0x3a, 0x44, 0x48));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(QRectF(2, 2, 28, 28));
    QRadialGradient glass(QPointF(13, 12), 14);
    if (lit) {
        glass.setColorAt(0, QColor(0xc8, 0xff, 0xb8));
        glass.setColorAt(0.45, QColor(0x3c, 0xe0, 0x4a));
        glass.setColorAt(1, QColor(0x12, 0x8a, 0x26));
    } else {
        glass.setColorAt(0, QColor(0x8c, 0x96, 0x96));
        glass.setColorAt(0.5, QColor(0x5e, 0x68, 0x6a));
        glass.setColorAt(1, QColor(0x3c, 0x44, 0x46));
    }
    p.setBrush(glass);
    p.drawEllipse(QRectF(5, 5, 22, 22));
    // Glint.
    p.setBrush(QColor(255, 255, 255, lit ? 170 : 90));
    p.drawEllipse(QRectF(9.5, 8, 8, 5));
}

void IconChoiceOn(QPainter& p) { Lamp(p, true); }
void IconChoiceOff(QPainter& p) { Lamp(p, false); }

QImage Icon(IconPainter draw, int size = 32)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(size / 32.0, size / 32.0);
    draw(p);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// ---------------------------------------------------------------- cursors

QPainterPath ArrowPath()
{
    const double x = kIdleCursorHotX, y = kIdleCursorHotY;
    QPainterPath path;
    path.moveTo(x, y);
    path.lineTo(x, y + 19);
    path.lineTo(x + 4.6, y + 14.8);
    path.lineTo(x + 8, y + 22);
    path.lineTo(x + 11.2, y + 20.6);
    path.lineTo(x + 7.9, y + 13.6);
    path.lineTo(x + 14, y + 13.6);
    path.closeSubpath();
    return path;
}

QImage Cursor(bool busy)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPainterPath arrow = ArrowPath();
    p.setPen(QPen(QColor(0, 0, 0, 60), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(arrow.translated(0.8, 1.2));
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(kTealDark);
    p.drawPath(arrow);
    if (busy) {
        // A small dial beside the arrow: a gold arc turning on a white face.
        const QRectF dial(15.5, 15.5, 15, 15);
        p.setPen(QPen(kTealDark, 1.2));
        p.setBrush(Qt::white);
        p.drawEllipse(dial);
        p.setPen(QPen(QColor(0xd6, 0xdd, 0xdd), 2.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(dial.adjusted(3.2, 3.2, -3.2, -3.2));
        p.setPen(QPen(kGold, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(dial.adjusted(3.2, 3.2, -3.2, -3.2), 90 * 16, -250 * 16);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}


// ---------------------------------------------------------------- help figure

// The help's picture of a framed picture's parts (the mat page), 420 × 236
// at `scale`: a woven mat, the cream bevel lit from the upper left, the
// core line and a small landscape as the print, with the parts named.
QImage MakeMatFigure(int scale)
{
    QImage image(420 * scale, 236 * scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    p.fillRect(QRectF(0, 0, 420, 236), QColor("#5c687a"));
    p.setPen(QPen(QColor("#67748a"), 1.2));
    for (int d = 0; d < 420 + 236; d += 6)
        p.drawLine(QLineF(d - 236, 236, d, 0));
    p.setPen(Qt::NoPen);
    auto face = [&p](std::initializer_list<QPointF> points, const char* colour) {
        p.setBrush(QColor(colour));
        p.drawPolygon(QPolygonF(QList<QPointF>(points)));
    };
    face({{110, 48}, {310, 48}, {298, 60}, {122, 60}}, "#f8f1e0");
    face({{110, 48}, {122, 60}, {122, 176}, {110, 188}}, "#f2ead6");
    face({{310, 48}, {310, 188}, {298, 176}, {298, 60}}, "#dbd1bd");
    face({{110, 188}, {122, 176}, {298, 176}, {310, 188}}, "#c8bfac");
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor("#40567f"), 3));
    p.drawRect(QRectF(121, 59, 178, 118));
    QLinearGradient sky(0, 60, 0, 176);
    sky.setColorAt(0, QColor("#3468ba"));
    sky.setColorAt(0.6, QColor("#f6c496"));
    p.fillRect(QRectF(122, 60, 176, 116), sky);
    p.setPen(Qt::NoPen);
    face({{122, 130}, {160, 108}, {190, 124}, {225, 100}, {298, 132}, {298, 176}, {122, 176}}, "#48743a");
    p.setBrush(QColor("#fff4d6"));
    p.drawEllipse(QPointF(250, 88), 9, 9);
    p.setPen(QPen(Qt::white, 1));
    for (const QLineF& line : {QLineF(40, 28, 70, 60), QLineF(320, 116, 306, 116), QLineF(322, 136, 301, 150),
                               QLineF(196, 196, 196, 166)})
        p.drawLine(line);
    p.setFont(Font("DejaVu Sans", 12));
    p.drawText(QPointF(14, 24), "mat");
    p.drawText(QPointF(324, 120), "bevel (mount)");
    const QString print = "print";
    p.drawText(QPointF(196 - p.fontMetrics().horizontalAdvance(print) / 2.0, 208), print);
    p.setFont(Font("DejaVu Sans", 11));
    p.setPen(QColor("#e8ecf2"));
    p.drawText(QPointF(326, 140), "core line");
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make_window_art RESOURCES_FOLDER\n");
        return 2;
    }
    // Drawing text needs the font database but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    LoadFonts();
    const QString root = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    const QImage skin = MakeSkin();
    ok &= Save(skin, root + "/ui/skin.png");
    ok &= Save(MakeStart(skin), root + "/ui/start.png");
    ok &= Save(MakeLogo(), root + "/ui/logo.png");

    const std::array<std::pair<const char*, IconPainter>, 16> icons{{
        {"app", IconApp},
        {"about", IconApp},
        {"help", IconHelp},
        {"close", IconClose},
        {"logo", IconLogo},
        {"process", IconProcess},
        {"pause", IconPause},
        {"resume", IconResume},
        {"stop", IconStop},
        {"add", IconAdd},
        {"add_folder", IconAddFolder},
        {"remove", IconRemove},
        {"choose_folder", IconChooseFolder},
        {"view_outputs", IconViewOutputs},
        {"choice_on", IconChoiceOn},
        {"choice_off", IconChoiceOff},
    }};
    for (const auto& [name, draw] : icons)
        ok &= Save(Icon(draw), root + "/ui/icons/" + name + ".png");
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        ok &= Save(size < 32 ? SmallAppIcon(size) : Icon(IconApp, size),
                   root + QStringLiteral("/icons/hicolor/%1x%1/apps/framira.png").arg(size));
    ok &= Save(Icon(IconApp, 256), root + "/icons/app_256.png");

    ok &= Save(MakeMatFigure(1), root + "/help/the-mat.png");
    ok &= Save(MakeMatFigure(2), root + "/help/the-mat@2x.png");

    ok &= Save(Cursor(true), root + "/ui/cursors/busy.png");
    ok &= Save(Cursor(false), root + "/ui/cursors/idle.png");
    return ok ? 0 : 1;
}
