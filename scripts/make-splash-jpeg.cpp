// Draws the splash picture (548 x 149, white ground, the program's name) and
// writes it as a baseline JFIF JPEG with libjpeg. Run once by
// scripts/make-splash-jpeg.sh; the result is kept in shell/resources/.
#include <cstdio>
#include <vector>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <jpeglib.h>

namespace {

QImage Draw() {
    QImage img(548, 149, QImage::Format_RGB888);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // a soft band along the top and a thin rule under the name
    QLinearGradient band(0, 0, 548, 0);
    band.setColorAt(0.0, QColor(0x1f, 0x4e, 0x8c));
    band.setColorAt(1.0, QColor(0x6f, 0xa8, 0xdc));
    p.fillRect(QRect(0, 0, 548, 10), band);
    p.fillRect(QRect(170, 104, 360, 2), band);

    // three stacked discs: a database drum
    const QColor drum(0x2b, 0x63, 0xa8);
    for (int i = 2; i >= 0; --i) {
        QRectF body(36, 40 + i * 26, 96, 30);
        QPainterPath path;
        path.addRect(QRectF(body.left(), body.top() + 10, body.width(), body.height() - 10));
        path.addEllipse(QRectF(body.left(), body.bottom() - 20, body.width(), 20));
        p.fillPath(path, drum.lighter(100 + i * 18));
        p.setBrush(drum.lighter(140 + i * 18));
        p.setPen(QPen(Qt::white, 2));
        p.drawEllipse(QRectF(body.left(), body.top(), body.width(), 20));
    }

    QFont title("DejaVu Sans", 44, QFont::Bold);
    title.setLetterSpacing(QFont::PercentageSpacing, 104);
    p.setFont(title);
    p.setPen(QColor(0xc8, 0xd4, 0xe4));
    p.drawText(QPoint(174, 96), QStringLiteral("Zintavor"));
    p.setPen(QColor(0x1f, 0x3a, 0x66));
    p.drawText(QPoint(171, 93), QStringLiteral("Zintavor"));

    QFont sub("IPAPGothic", 15);
    p.setFont(sub);
    p.setPen(QColor(0x44, 0x55, 0x6a));
    p.drawText(QPoint(174, 130), QString::fromUtf8(u8"SQL \u30AF\u30E9\u30A4\u30A2\u30F3\u30C8"));
    return img;
}

bool WriteJpeg(const QImage& img, const char* path) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(img.width());
    c.image_height = static_cast<JDIMENSION>(img.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);  // baseline, YCbCr, JFIF marker
    jpeg_set_quality(&c, 92, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.constScanLine(static_cast<int>(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output.jpg\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    return WriteJpeg(Draw(), argv[1]) ? 0 : 1;
}
