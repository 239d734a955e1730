// PNG files written by Qt, in each pixel format Qt saves, read back with identical pixels.
#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

#include "images/PngCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

uint8_t OverWhite(int value, int alpha) {
    return uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// What a pixel of the Qt image should read as: 16-bit samples rounded, alpha over white.
Rgb Expected(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    const auto eight = [](int sixteen) { return int(std::lround(sixteen / 257.0)); };
    const int a = eight(c.rgba64().alpha());
    return {OverWhite(eight(c.rgba64().red()), a), OverWhite(eight(c.rgba64().green()), a),
            OverWhite(eight(c.rgba64().blue()), a)};
}

QImage Filled(QImage::Format format) {
    QImage image(53, 29, format);
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono) {
        QList<QRgb> table;
        for (int i = 0; i < (format == QImage::Format_Mono ? 2 : 200); ++i)
            table.append(qRgba(i * 37 % 256, i * 11 % 256, 255 - i, i % 5 == 0 ? i : 255));
        image.setColorTable(table);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, uint((x * 3 + y * 7) % table.size()));
        return image;
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(
                x, y,
                QColor::fromRgba64(qRgba64(quint16(x * 1237 + y * 31), quint16(y * 2251 + x),
                                           quint16((x * y * 97) & 0xFFFF),
                                           quint16(65535 - x * 1200 - y * 7))));
    return image;
}

TEST(PngFromQtTest, EveryFormatQtWritesReadsWithItsPixels) {
    const struct {
        const char* name;
        QImage::Format format;
        PixelFormat ours;
    } cases[] = {
        {"RGB32", QImage::Format_RGB32, PixelFormat::Bits24},
        {"ARGB32", QImage::Format_ARGB32, PixelFormat::Bits24},
        {"RGB888", QImage::Format_RGB888, PixelFormat::Bits24},
        {"RGBA64", QImage::Format_RGBA64, PixelFormat::Bits24},
        {"Grayscale8", QImage::Format_Grayscale8, PixelFormat::Bits8},
        {"Grayscale16", QImage::Format_Grayscale16, PixelFormat::Bits8},
        {"Indexed8 with transparent entries", QImage::Format_Indexed8, PixelFormat::Bits8},
        {"Mono", QImage::Format_Mono, PixelFormat::Bits8},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = Filled(c.format);
        const QString file = QString::fromStdString((dir / "qt.png").string());
        ASSERT_TRUE(image.save(file, "PNG"));
        Bitmap decoded;
        std::string error;
        ASSERT_TRUE(ReadPngFile(dir / "qt.png", decoded, error)) << error;
        EXPECT_EQ(decoded.Format(), c.ours);
        ASSERT_EQ(decoded.Width(), image.width());
        ASSERT_EQ(decoded.Height(), image.height());
        int wrong = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (!(decoded.PixelAt(x, y) == Expected(image, x, y)) && wrong++ < 3)
                    ADD_FAILURE() << "pixel " << x << "," << y;
        EXPECT_EQ(wrong, 0);
    }
}

}  // namespace
}  // namespace korvalen
