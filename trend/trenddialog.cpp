#include "trend/trenddialog.h"

#include "platform/apperror.h"
#include "platform/atomicfile.h"
#include "platform/dialogs.h"
#include "platform/errormessage.h"
#include "platform/helpviewer.h"

#include <QBuffer>
#include <QDir>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TrendView::TrendView(TrendData data, QWidget* parent) : QWidget(parent), data_(std::move(data)) {
    setObjectName(QStringLiteral("Chart"));
    setMouseTracking(true);
    setMinimumSize(480, 300);
    setAccessibleName(QStringLiteral("Verlauf von ") + data_.subject);
    setAccessibleDescription(trendSpokenText(data_));
}

void TrendView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paintTrend(p, size(), data_, font());
}

void TrendView::mouseMoveEvent(QMouseEvent* event) {
    QString text;
    if (data_.plottable()) {
        const TrendLayout layout(data_, size());
        if (const std::optional<int> index = layout.testAt(data_, event->position().toPoint()))
            text = trendHoverText(data_.tests[*index]);
    }
    if (text != hoverText_) {
        hoverText_ = text;
        emit hoverTextChanged(text);
    }
    QWidget::mouseMoveEvent(event);
}

void TrendView::leaveEvent(QEvent* event) {
    if (!hoverText_.isEmpty()) {
        hoverText_.clear();
        emit hoverTextChanged(QString());
    }
    QWidget::leaveEvent(event);
}

TrendDialog::TrendDialog(TrendData data, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TrendDialog"));
    setWindowTitle(QStringLiteral("Verlauf – ") + data.subject);
    const bool plottable = data.plottable();

    Chart = new TrendView(std::move(data), this);
    SavePng = new QPushButton(QStringLiteral("Als PNG speichern…"), this);
    SavePng->setObjectName(QStringLiteral("SavePng"));
    SavePng->setEnabled(plottable);
    CloseBtn = new QPushButton(QStringLiteral("Schließen"), this);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    SB = new QStatusBar(this);
    SB->setObjectName(QStringLiteral("SB"));
    SB->setSizeGripEnabled(true);
    Help::addHelpKey(this, QStringLiteral("Trend"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SavePng);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Chart, 1);
    auto* buttonRow = new QWidget(this);
    buttons->setContentsMargins(8, 8, 8, 8);
    buttonRow->setLayout(buttons);
    layout->addWidget(buttonRow);
    layout->addWidget(SB);

    connect(Chart, &TrendView::hoverTextChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            SB->clearMessage();
        else
            SB->showMessage(text);
    });
    connect(SavePng, &QPushButton::clicked, this, &TrendDialog::SavePngClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    resize(820, 560);
}

void TrendDialog::SavePngClick() {
    FileDialogOptions options;
    options.title = QStringLiteral("Verlauf speichern");
    options.filter = QStringLiteral("PNG-Bilder (*.png)");
    options.defaultSuffix = QStringLiteral("png");
    options.initialFileName = QDir::home().filePath(
        QStringLiteral("Verlauf ") + QString(Chart->data().subject).replace(u'/', u'-') + ".png");
    options.save = true;
    const QString fileName = DialogService::instance().chooseFile(this, options);
    if (fileName.isEmpty())
        return;
    try {
        savePng(fileName);
    } catch (const AppError& error) {
        showErrorMessage(error);
    }
}

void TrendDialog::savePng(const QString& fileName) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!trendImage(Chart->size(), Chart->data(), Chart->font()).save(&buffer, "PNG"))
        throw writeRefused(fileName);
    writeFileAtomically(fileName, bytes);
}
