#include "widgets/messagefont.h"

#include <QApplication>
#include <QWidget>

void AdoptSystemMessageFont(const QFont& messageFont) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = window->windowType();
        if (type != Qt::Window && type != Qt::Dialog)
            continue;
        QFont font = window->font();
        if (font.pointSizeF() != 8)
            continue;
        font.setFamilies({messageFont.family()});
        window->setFont(font);
    }
}

void AdoptSystemMessageFont() {
    AdoptSystemMessageFont(QApplication::font("QMessageBox"));
}
