#pragma once

#include "trend/trendchart.h"

#include <QDialog>
#include <QWidget>

class QPushButton;
class QStatusBar;

// The chart of a subject's trend as a widget; the pointer over a test names it.
class TrendView : public QWidget {
    Q_OBJECT
public:
    explicit TrendView(TrendData data, QWidget* parent = nullptr);

    const TrendData& data() const { return data_; }

signals:
    // The text naming the test under the pointer; empty when there is none.
    void hoverTextChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    TrendData data_;
    QString hoverText_;
};

// "Verlauf anzeigen…": the trend chart of one subject, with the test under the pointer named
// in the status bar and a button that saves the chart as PNG.
class TrendDialog : public QDialog {
    Q_OBJECT
public:
    explicit TrendDialog(TrendData data, QWidget* parent = nullptr);

    // Asks for a file name and saves the chart in its current size as PNG. A refused write
    // is reported in a message box.
    void SavePngClick();

    // Writes the chart as PNG to fileName, atomically; raises AppError when it cannot.
    void savePng(const QString& fileName) const;

private:
    TrendView* Chart;
    QStatusBar* SB;
    QPushButton* SavePng;
    QPushButton* CloseBtn;
};
