#include "platform/helpviewer.h"

#include "platform/dialogs.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QString& helpFileName() {
    static QString name;
    return name;
}
} // namespace

QString Help::helpFile() {
    return helpFileName();
}

void Help::setHelpFile(const QString& fileName) {
    helpFileName() = fileName;
}

void Help::showTopic(QWidget* parent, const QString& topic) {
    const QString file = helpFile();
    if (!QFileInfo(file).isFile()) {
        DialogService::instance().showMessage(
            parent, MessageIcon::Error, QStringLiteral("Hilfe"),
            QStringLiteral("Die Hilfedatei \"%1\" wurde nicht gefunden.").arg(file));
        return;
    }
    auto* viewer =
        parent ? parent->findChild<HelpViewer*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!viewer)
        viewer = new HelpViewer(parent);
    // Shown first, so that the browser has its size when it scrolls to the topic.
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    viewer->showTopic(file, topic);
}

void Help::addHelpKey(QWidget* window, const QString& topic) {
    auto* help = new QAction(QStringLiteral("Hilfe"), window);
    help->setObjectName(QStringLiteral("HelpKey"));
    help->setShortcut(Qt::Key_F1);
    help->setShortcutContext(Qt::WindowShortcut);
    window->addAction(help);
    QObject::connect(help, &QAction::triggered, window,
                     [window, topic] { showTopic(window, topic); });
}

HelpViewer::HelpViewer(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Zensoria-Hilfe"));
    // The help stays open beside the program, like a help window of its own.
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    browser_->setObjectName(QStringLiteral("HelpText"));
    browser_->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Schließen"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser_);
    layout->addWidget(buttons);
    resize(560, 480);
}

void HelpViewer::showTopic(const QString& fileName, const QString& topic) {
    QUrl url = QUrl::fromLocalFile(fileName);
    url.setFragment(topic);
    topic_ = topic;
    // The help file has no .html extension; the browser is told that it is HTML.
    if (browser_->source().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment))
        browser_->scrollToAnchor(topic);
    else
        browser_->setSource(url, QTextDocument::HtmlResource);
}
