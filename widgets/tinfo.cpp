#include "widgets/tinfo.h"

#include "widgets/banner.h"
#include "widgets/fileversion.h"
#include "widgets/linklabel.h"
#include "widgets/messagefont.h"
#include "widgets/pictures.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>
#include <QWindow>

const QString TInfo::MakerLine = QStringLiteral("Ein Programm von Erika Mustermann, Musterstadt");
const QString TInfo::EMailAddress = QStringLiteral("zensoria@example.org");
const QString TInfo::WebHost = QStringLiteral("www.example.org");

// The paint box at the top of the dialog; the dialog paints the banner into it.
class BannerBox : public QWidget {
public:
    BannerBox(TInfo* dialog) : QWidget(dialog), dialog_(dialog) {}

protected:
    void paintEvent(QPaintEvent*) override {
        // The logo is combined with bitwise operations, which need an image to draw on.
        QImage image(size(), QImage::Format_RGB32);
        QPainter imagePainter(&image);
        dialog_->LogoPBPaint(imagePainter);
        imagePainter.end();
        QPainter(this).drawImage(0, 0, image);
    }

private:
    TInfo* dialog_;
};

namespace {

// Places a label that sizes itself to its text with its right edge at x.
void placeRightAligned(QLabel* label, int rightEdge, int top) {
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label->adjustSize();
    label->move(rightEdge - label->width(), top);
}

} // namespace

TInfo::TInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Info"));
    setFont(designFont());
    setFixedSize(ClientSize);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    LogoPB = new BannerBox(this);
    LogoPB->setObjectName(QStringLiteral("LogoPB"));
    LogoPB->setGeometry(0, 0, ClientSize.width(), 65);

    // The three labels carry a font of their own, which the message font leaves alone.
    InfoLbl = new QLabel(this);
    InfoLbl->setObjectName(QStringLiteral("InfoLbl"));
    InfoLbl->setTextFormat(Qt::PlainText);
    InfoLbl->setFont(designFont());
    EMailLbl = new LinkLabel(this);
    EMailLbl->setObjectName(QStringLiteral("EMailLbl"));
    EMailLbl->setFont(designFont());
    URLLbl = new LinkLabel(this);
    URLLbl->setObjectName(QStringLiteral("URLLbl"));
    URLLbl->setFont(designFont());

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(177, 101, 81, 25);
    OK->setDefault(true);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(EMailLbl, &LinkLabel::clicked, this, &TInfo::EMailLblClick);
    connect(URLLbl, &LinkLabel::clicked, this, &TInfo::URLLblClick);

    AdoptSystemMessageFont();
    LogoBitmap_ = logoBitmap();
    LogoMask = LogoMaskOf(LogoBitmap_);

    InfoLbl->setText(MakerLine);
    EMailLbl->setText(EMailAddress);
    URLLbl->setText(WebHost);
    placeRightAligned(InfoLbl, 430, 69);
    placeRightAligned(EMailLbl, 432, 100);
    placeRightAligned(URLLbl, 432, 113);
}

TInfo::~TInfo() = default;

void TInfo::ShowAbout(const QString& name, const QString& period, const QIcon& icon) {
    AboutName = name;
    AboutPeriod = period;
    AboutIcon = icon;
    setWindowTitle(QStringLiteral("Info über ") + name);
    LogoPB->update();
    exec();
}

void TInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        centreOnScreen();
}

// Centred on the screen at every showing, the first one too. Before the dialog was first
// shown the window system has not yet told its frame; the frame of the window that opened it,
// which has the same decorations, stands in, so that the title bar is not left out of the
// centring.
void TInfo::centreOnScreen() {
    QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        for (const QWidget* other :
             {parentWidget() ? parentWidget()->window() : nullptr, QApplication::activeWindow()}) {
            if (other && other != this && other->windowHandle() &&
                !other->windowHandle()->frameMargins().isNull()) {
                frame = other->windowHandle()->frameMargins();
                break;
            }
        }
    }
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize outer = size().grownBy(frame);
    // For a window, move() places the outer frame.
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

// OK is also the cancel button: Escape and closing the window end the dialog with OK.
void TInfo::reject() {
    accept();
}

QImage TInfo::bannerImage() const {
    QImage image(LogoPB->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    LogoPBPaint(painter);
    return image;
}

void TInfo::LogoPBPaint(QPainter& painter) const {
    BannerContent content;
    content.logo = LogoBitmap_;
    content.logoMask = LogoMask;
    content.icon = AboutIcon.isNull() ? QPixmap() : AboutIcon.pixmap(QSize(32, 32));
    content.frame = palette().color(QPalette::Window);
    content.font = font();
    content.name = AboutName;
    content.version = ReadFileVersion();
    content.period = AboutPeriod;
    drawBanner(painter, LogoPB->size(), content);
}

// A failed opening (no mail program, no browser) is not reported.
void TInfo::EMailLblClick() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + EMailLbl->text()));
}

void TInfo::URLLblClick() {
    QDesktopServices::openUrl(QUrl(QStringLiteral("http://") + URLLbl->text()));
}
