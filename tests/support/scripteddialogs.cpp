#include "scripteddialogs.h"

#include <QTest>

namespace {
QString describe(const ShownDialog& dialog) {
    return QStringLiteral("%1 \"%2\": \"%3\"")
        .arg(QString::fromLatin1(toString(dialog.kind)), dialog.caption, dialog.text);
}
} // namespace

const char* toString(ShownDialog::Kind kind) {
    switch (kind) {
    case ShownDialog::Kind::Message:
        return "message";
    case ShownDialog::Kind::Question:
        return "question";
    case ShownDialog::Kind::Input:
        return "input box";
    case ShownDialog::Kind::File:
        return "file dialog";
    case ShownDialog::Kind::Beep:
        return "beep";
    case ShownDialog::Kind::PrintSetup:
        return "print dialog";
    }
    return "?";
}

void ScriptedDialogService::answerYesNo(bool yes) {
    yesNo_.push(yes);
}

void ScriptedDialogService::answerInput(const QString& text) {
    inputs_.push(text);
}

void ScriptedDialogService::answerInputCancel() {
    inputs_.push(std::nullopt);
}

void ScriptedDialogService::answerFile(const QString& fileName) {
    files_.push(fileName);
}

void ScriptedDialogService::answerPrintSetup(std::function<void(QPrinter&)> choice) {
    if (!choice)
        choice = [](QPrinter&) {};
    printSetups_.push(std::move(choice));
}

void ScriptedDialogService::answerPrintSetupCancel() {
    printSetups_.push(nullptr);
}

void ScriptedDialogService::setOnShown(std::function<void(const ShownDialog&)> callback) {
    onShown_ = std::move(callback);
}

QList<ShownDialog> ScriptedDialogService::shown(ShownDialog::Kind kind) const {
    QList<ShownDialog> result;
    for (const ShownDialog& dialog : shown_) {
        if (dialog.kind == kind)
            result.append(dialog);
    }
    return result;
}

QStringList ScriptedDialogService::texts() const {
    QStringList result;
    for (const ShownDialog& dialog : shown_) {
        if (dialog.kind == ShownDialog::Kind::Message || dialog.kind == ShownDialog::Kind::Question)
            result.append(dialog.text);
    }
    return result;
}

int ScriptedDialogService::beeps() const {
    return static_cast<int>(shown(ShownDialog::Kind::Beep).size());
}

QString ScriptedDialogService::problems() const {
    QStringList problems;
    for (const ShownDialog& dialog : shown_) {
        if (dialog.unexpected)
            problems.append(QStringLiteral("unexpected ") + describe(dialog));
    }
    if (!yesNo_.empty())
        problems.append(QStringLiteral("%1 Yes/No answer(s) not used").arg(yesNo_.size()));
    if (!inputs_.empty())
        problems.append(QStringLiteral("%1 input answer(s) not used").arg(inputs_.size()));
    if (!files_.empty())
        problems.append(QStringLiteral("%1 file answer(s) not used").arg(files_.size()));
    if (!printSetups_.empty())
        problems.append(
            QStringLiteral("%1 print dialog answer(s) not used").arg(printSetups_.size()));
    return problems.join(QStringLiteral("; "));
}

void ScriptedDialogService::clear() {
    yesNo_ = {};
    inputs_ = {};
    files_ = {};
    printSetups_ = {};
    shown_.clear();
}

void ScriptedDialogService::record(ShownDialog dialog) {
    shown_.append(dialog);
    if (onShown_)
        onShown_(shown_.last());
}

void ScriptedDialogService::unexpected(ShownDialog dialog) {
    dialog.unexpected = true;
    record(dialog);
    const QByteArray message = "Unexpected " + describe(dialog).toUtf8() + " with no answer queued";
    if (QTest::currentTestFunction())
        QTest::qFail(message.constData(), __FILE__, __LINE__);
    else
        qWarning("%s", message.constData());
}

void ScriptedDialogService::showMessage(QWidget* parent, MessageIcon icon, const QString& caption,
                                        const QString& text) {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::Message;
    dialog.icon = icon;
    dialog.caption = caption;
    dialog.text = text;
    dialog.parent = parent;
    record(dialog);
}

bool ScriptedDialogService::askYesNo(QWidget* parent, MessageIcon icon, const QString& caption,
                                     const QString& text) {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::Question;
    dialog.icon = icon;
    dialog.caption = caption;
    dialog.text = text;
    dialog.parent = parent;
    if (yesNo_.empty()) {
        unexpected(dialog);
        return false;
    }
    record(dialog);
    const bool answer = yesNo_.front();
    yesNo_.pop();
    return answer;
}

QString ScriptedDialogService::inputText(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& defaultText) {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::Input;
    dialog.caption = caption;
    dialog.text = prompt;
    dialog.defaultText = defaultText;
    dialog.parent = parent;
    if (inputs_.empty()) {
        unexpected(dialog);
        return defaultText;
    }
    record(dialog);
    const std::optional<QString> answer = inputs_.front();
    inputs_.pop();
    return answer.value_or(defaultText);
}

QString ScriptedDialogService::chooseFile(QWidget* parent, const FileDialogOptions& options) {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::File;
    dialog.caption = options.title;
    dialog.fileOptions = options;
    dialog.parent = parent;
    if (files_.empty()) {
        unexpected(dialog);
        return QString();
    }
    record(dialog);
    const QString answer = files_.front();
    files_.pop();
    return answer;
}

bool ScriptedDialogService::setUpPrinter(QWidget* parent, QPrinter& printer) {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::PrintSetup;
    dialog.parent = parent;
    if (printSetups_.empty()) {
        unexpected(dialog);
        return false;
    }
    record(dialog);
    const std::function<void(QPrinter&)> choice = printSetups_.front();
    printSetups_.pop();
    if (!choice)
        return false;
    choice(printer);
    return true;
}

void ScriptedDialogService::beep() {
    ShownDialog dialog;
    dialog.kind = ShownDialog::Kind::Beep;
    record(dialog);
}

ScopedDialogs::ScopedDialogs() {
    auto service = std::make_unique<ScriptedDialogService>();
    service_ = service.get();
    DialogService::setInstance(std::move(service));
}

ScopedDialogs::~ScopedDialogs() {
    DialogService::setInstance(nullptr);
}
