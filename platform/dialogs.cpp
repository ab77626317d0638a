#include "platform/dialogs.h"
#include "platform/helpviewer.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

// A message dialog without a caption of its own is titled after its type.
QString captionOrTypeName(MessageIcon icon, const QString& caption) {
    if (!caption.isEmpty())
        return caption;
    switch (icon) {
    case MessageIcon::Information:
        return QStringLiteral("Information");
    case MessageIcon::Warning:
        return QStringLiteral("Warnung");
    case MessageIcon::Error:
        return QStringLiteral("Fehler");
    case MessageIcon::Question:
        return QStringLiteral("Bestätigen");
    }
    return QString();
}

class QtDialogService : public DialogService {
public:
    void showMessage(QWidget* parent, MessageIcon icon, const QString& caption,
                     const QString& text) override {
        QMessageBox box(boxIcon(icon), captionOrTypeName(icon, caption), text, QMessageBox::Ok,
                        parent);
        // Texts carry subject names and file paths as the user typed them; never as markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    }

    bool askYesNo(QWidget* parent, MessageIcon icon, const QString& caption,
                  const QString& text) override {
        QMessageBox box(boxIcon(icon), captionOrTypeName(icon, caption), text,
                        QMessageBox::Yes | QMessageBox::No, parent);
        box.setTextFormat(Qt::PlainText);
        // Alt+J and Alt+N answer from the keyboard.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Ja"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Nein"));
        // Every question of the program asks before something is destroyed or given up (a
        // subject's tests, the program's settings, a download): one Enter must not do it.
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    }

    QString inputText(QWidget* parent, const QString& caption, const QString& prompt,
                      const QString& defaultText) override {
        QInputDialog dialog(parent);
        dialog.setWindowTitle(caption);
        dialog.setLabelText(prompt);
        dialog.setTextValue(defaultText);
        dialog.setOkButtonText(QStringLiteral("OK"));
        dialog.setCancelButtonText(QStringLiteral("Abbrechen"));
        if (dialog.exec() != QDialog::Accepted)
            return defaultText;
        return dialog.textValue();
    }

    QString chooseFile(QWidget* parent, const FileDialogOptions& options) override {
        QFileDialog dialog(parent, options.title, QString(), options.filter);
        dialog.setAcceptMode(options.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        // The file may not exist yet: choosing a new name creates a new file.
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(options.defaultSuffix);
        dialog.setSizeGripEnabled(true);
        if (!options.helpTopic.isEmpty())
            Help::addHelpKey(&dialog, options.helpTopic);
        const QFileInfo initial(options.initialFileName);
        if (!options.initialFileName.isEmpty()) {
            if (initial.isDir()) {
                dialog.setDirectory(initial.absoluteFilePath());
            } else {
                if (initial.absoluteDir().exists())
                    dialog.setDirectory(initial.absolutePath());
                dialog.selectFile(initial.fileName());
            }
        }
        // The folder of the chosen file must exist; a file name in a folder that is not
        // there is refused and the dialog stays open.
        while (dialog.exec() == QDialog::Accepted) {
            const QString chosen = dialog.selectedFiles().value(0);
            if (chosen.isEmpty())
                return QString();
            const QFileInfo info(chosen);
            if (info.absoluteDir().exists())
                return info.absoluteFilePath();
            QMessageBox::warning(
                &dialog, options.title,
                QStringLiteral("Der Pfad \"%1\" existiert nicht.\nÜberprüfen Sie den Pfad.")
                    .arg(QDir::toNativeSeparators(info.absolutePath())));
        }
        return QString();
    }

    bool setUpPrinter(QWidget* parent, QPrinter& printer) override {
        QPrintDialog dialog(&printer, parent);
        // The dialog only sets up the printer; the print itself is started afterwards. Its
        // confirm button says so instead of "Drucken".
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
            if (QPushButton* confirm = buttons->button(QDialogButtonBox::Ok))
                confirm->setText(QStringLiteral("Übernehmen"));
        }
        return dialog.exec() == QDialog::Accepted;
    }
};

std::unique_ptr<DialogService>& replacement() {
    static std::unique_ptr<DialogService> service;
    return service;
}

} // namespace

void DialogService::beep() {
    QApplication::beep();
}

DialogService& DialogService::instance() {
    if (replacement())
        return *replacement();
    static QtDialogService qtService;
    return qtService;
}

void DialogService::setInstance(std::unique_ptr<DialogService> service) {
    replacement() = std::move(service);
}

void systemBeep() {
    DialogService::instance().beep();
}
