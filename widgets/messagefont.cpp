#include "widgets/messagefont.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QWidget>

namespace {

// A face may stand in for another when its text is at most this much wider.
constexpr qreal WidthTolerance = 1.02;

bool fitsInPlaceOf(const QFont& candidate, const QFont& current) {
    const QString sample = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789 äöüÄÖÜß (.,:/)");
    return QFontMetricsF(candidate).horizontalAdvance(sample) <=
           QFontMetricsF(current).horizontalAdvance(sample) * WidthTolerance;
}

} // namespace

QFont designFont() {
    QFont font(QStringLiteral("Liberation Sans"), 8);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void AdoptSystemMessageFont(const QFont& messageFont) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (type != Qt::Window && type != Qt::Dialog)
            continue;
        QFont font = window->font();
        if (font.pointSizeF() != 8)
            continue;
        QFont adopted = font;
        adopted.setFamilies({messageFont.family()});
        if (fitsInPlaceOf(adopted, font))
            window->setFont(adopted);
    }
}

void AdoptSystemMessageFont() {
    AdoptSystemMessageFont(QApplication::font("QMessageBox"));
}
