#include "widgets/banner.h"

#include "stats/canvas.h"
#include "stats/gradecolours.h"

#include <QFontMetrics>

namespace {

const QColor BannerBlue(0x4a, 0xa0, 0xff);

} // namespace

QImage LogoMaskOf(const QImage& logo) {
    QImage mask(logo.size(), QImage::Format_Mono);
    mask.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const QImage source = logo.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x)
            mask.setPixel(x, y, (line[x] & 0xffffffu) == 0 ? 1 : 0);
    }
    return mask;
}

void drawBanner(QPainter& p, QSize size, const BannerContent& content) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    const int wb = size.width();
    const int hb = size.height();

    // Blue to white up to three quarters of the width, then back to blue.
    const int a = static_cast<int>(wb * 0.75);
    for (int i = 0; i <= a; ++i)
        canvas::line(p, i, 0, i, hb, BlendColour(BannerBlue, Qt::white, i, a));
    const int n = wb - a;
    for (int i = 0; i <= n; ++i)
        canvas::line(p, a + i, 0, a + i, hb, BlendColour(Qt::white, BannerBlue, i, n));

    // The logo, centred on the white column, through its mask.
    if (!content.logo.isNull()) {
        const QPoint logoAt(a - content.logo.width() / 2, 4);
        p.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        p.drawImage(logoAt, content.logoMask);
        p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        p.drawImage(logoAt, content.logo);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // The icon, with a frame in the dialog's face colour.
    // In the banner's pixels, also for an icon drawn for a high-resolution screen.
    const QSize iconSize =
        content.icon.isNull() ? QSize(0, 0) : content.icon.deviceIndependentSize().toSize();
    const int iw = iconSize.width();
    const int ih = iconSize.height();
    const int iconTop = hb / 2 - ih / 2;
    if (!content.icon.isNull()) {
        p.drawPixmap(8, iconTop, content.icon);
        canvas::outline(p, 7, iconTop - 1, 8 + iw, hb / 2 + ih / 2, content.frame);
    }

    // Name, version and period to the right of the icon.
    const int x = iw + 16;
    QFont bold = content.font;
    bold.setBold(true);
    p.setFont(bold);
    canvas::text(p, x, hb / 2 - static_cast<int>(1.5 * canvas::textHeight(p)), content.name,
                 Qt::black);
    p.setFont(content.font);
    const int regularHeight = canvas::textHeight(p);
    canvas::text(p, x, hb / 2 - static_cast<int>(0.5 * regularHeight),
                 QStringLiteral("Version: ") + content.version, Qt::black);
    canvas::text(p, x, hb / 2 + static_cast<int>(0.5 * regularHeight),
                 QStringLiteral("Entwicklungszeit: ") + content.period, Qt::black);
    p.restore();
}
