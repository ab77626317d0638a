#include "widgets/uniformrows.h"

#include <QAbstractItemModel>
#include <QEvent>
#include <QFontMetrics>
#include <QListView>
#include <QRawFont>
#include <QScrollBar>
#include <QStyle>

namespace {

// Characters that end or break a line, or that a row shows in a way of its own.
bool breaksTheLine(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

// Whether the texts of the model's rows (column 0), each drawn in the font, are all of one height
// and at most room pixels wide.
bool alike(const QAbstractItemModel& model, const QFont& font, int room) {
    // The characters' own widths, and room to spare for what laying a text out may add to them
    // (kerning, widths rounded to whole pixels): a tenth, and the widest character once more.
    const QRawFont face = QRawFont::fromFont(font);
    const qreal spare = QFontMetricsF(font).maxWidth();
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        const QString text = model.index(row, 0).data(Qt::DisplayRole).toString();
        if (text.isEmpty())
            return false;
        for (const char32_t c : text.toUcs4()) {
            // A character the face lacks is drawn in another one, which may make its row taller.
            if (breaksTheLine(c) || !face.supportsCharacter(c))
                return false;
        }
        qreal width = 0;
        for (const QPointF& advance :
             face.advancesForGlyphIndexes(face.glyphIndexesForString(text)))
            width += advance.x();
        if (width * 1.1 + spare > room)
            return false;
    }
    return true;
}

} // namespace

void UniformRows::keep(QListView* list) {
    auto* rows = new UniformRows(list);
    list->installEventFilter(rows);
    if (QAbstractItemModel* model = list->model()) {
        connect(model, &QAbstractItemModel::modelReset, rows, &UniformRows::check);
        connect(model, &QAbstractItemModel::rowsInserted, rows, &UniformRows::check);
        connect(model, &QAbstractItemModel::rowsRemoved, rows, &UniformRows::check);
        connect(model, &QAbstractItemModel::layoutChanged, rows, &UniformRows::check);
        connect(model, &QAbstractItemModel::dataChanged, rows, &UniformRows::check);
    }
    rows->check();
}

UniformRows::UniformRows(QListView* list) : QObject(list), list_(list) {}

int UniformRows::textRoom() const {
    const QStyle* style = list_->style();
    const int bar =
        style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list_->verticalScrollBar());
    const int textMargin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    return list_->width() - 2 * list_->frameWidth() - bar - 2 * list_->spacing() - 2 * textMargin;
}

void UniformRows::check() {
    const QAbstractItemModel* model = list_->model();
    // A list measured a part at a time keeps that when it has more rows than one part: looking at
    // every row's text here would hold up the window as long as measuring them does.
    const bool inParts = list_->layoutMode() == QListView::Batched && model &&
                         model->rowCount() > list_->batchSize();
    const bool uniform = model && !inParts && alike(*model, list_->font(), textRoom());
    if (uniform == list_->uniformItemSizes())
        return;
    list_->setUniformItemSizes(uniform);
    // A hidden list is laid out again as it is shown.
    layoutWhenShown_ = !list_->isVisible();
    if (!layoutWhenShown_)
        list_->doItemsLayout();
}

bool UniformRows::eventFilter(QObject* watched, QEvent* event) {
    if (watched != list_)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        check();
        break;
    case QEvent::Show:
        if (layoutWhenShown_) {
            layoutWhenShown_ = false;
            list_->doItemsLayout();
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
