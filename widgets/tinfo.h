#pragma once

#include <QDialog>
#include <QIcon>
#include <QImage>

class LinkLabel;
class QLabel;
class QPushButton;

// The about dialog "Info über Zensoria": the banner with logo, icon, name, version and
// development period, the maker's line and the e-mail and web links. Created once at start,
// after the main window; creating it gives the windows that exist then the face of the
// system's message font. Shown modally by ShowAbout.
class TInfo : public QDialog {
    Q_OBJECT

public:
    // The maker's line, e-mail address and web host shown below the banner.
    static const QString MakerLine;
    static const QString EMailAddress;
    static const QString WebHost;
    static constexpr QSize ClientSize{435, 132};

    explicit TInfo(QWidget* parent = nullptr);
    ~TInfo() override;

    // Sets the name, the development period and the icon, the caption "Info über " + name,
    // and shows the dialog modally.
    void ShowAbout(const QString& name, const QString& period, const QIcon& icon);

    // The logo, lent to the logo images of the other windows.
    const QImage& LogoBitmap() const { return LogoBitmap_; }

    // The banner as it is painted now.
    QImage bannerImage() const;

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centreOnScreen();
    void LogoPBPaint(QPainter& painter) const;
    void EMailLblClick();
    void URLLblClick();

    QWidget* LogoPB;
    QLabel* InfoLbl;
    LinkLabel* EMailLbl;
    LinkLabel* URLLbl;
    QPushButton* OK;

    QString AboutName;
    QString AboutPeriod;
    QIcon AboutIcon;
    QImage LogoBitmap_;
    QImage LogoMask;

    friend class BannerBox;
};
