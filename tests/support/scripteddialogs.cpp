#include "scripteddialogs.h"

#include <QTest>

namespace {
QString describe(const ShownDialog& dialog) {
    return QStringLiteral("%1 \"%2\": \"%3\"")
        .arg(QString::fromLatin1(toString(dialog.kind)), dialog.caption, dialog.text);
}

ShownDialog shownDialog(ShownDialog::Kind kind, QWidget* parent, const QString& caption = QString(),
                        const QString& text = QString(),
                        MessageIcon icon = MessageIcon::Information) {
    ShownDialog dialog;
    dialog.kind = kind;
    dialog.icon = icon;
    dialog.caption = caption;
    dialog.text = text;
    dialog.parent = parent;
    return dialog;
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

template <typename Answer>
std::optional<Answer> ScriptedDialogService::nextAnswer(std::queue<Answer>& answers,
                                                        const ShownDialog& dialog) {
    if (answers.empty()) {
        unexpected(dialog);
        return std::nullopt;
    }
    record(dialog);
    Answer answer = std::move(answers.front());
    answers.pop();
    return answer;
}

void ScriptedDialogService::showMessage(QWidget* parent, MessageIcon icon, const QString& caption,
                                        const QString& text) {
    record(shownDialog(ShownDialog::Kind::Message, parent, caption, text, icon));
}

bool ScriptedDialogService::askYesNo(QWidget* parent, MessageIcon icon, const QString& caption,
                                     const QString& text) {
    // Unanswered: No.
    return nextAnswer(yesNo_, shownDialog(ShownDialog::Kind::Question, parent, caption, text, icon))
        .value_or(false);
}

QString ScriptedDialogService::inputText(QWidget* parent, const QString& caption,
                                         const QString& prompt, const QString& defaultText) {
    ShownDialog dialog = shownDialog(ShownDialog::Kind::Input, parent, caption, prompt);
    dialog.defaultText = defaultText;
    // Unanswered or cancelled: the default text comes back.
    return nextAnswer(inputs_, dialog).value_or(std::nullopt).value_or(defaultText);
}

QString ScriptedDialogService::chooseFile(QWidget* parent, const FileDialogOptions& options) {
    ShownDialog dialog = shownDialog(ShownDialog::Kind::File, parent, options.title);
    dialog.fileOptions = options;
    // Unanswered: cancelled.
    return nextAnswer(files_, dialog).value_or(QString());
}

bool ScriptedDialogService::setUpPrinter(QWidget* parent, QPrinter& printer) {
    const std::optional<std::function<void(QPrinter&)>> choice =
        nextAnswer(printSetups_, shownDialog(ShownDialog::Kind::PrintSetup, parent));
    // Unanswered, or answered with Cancel: the printer stays as it was.
    if (!choice || !*choice)
        return false;
    (*choice)(printer);
    return true;
}

void ScriptedDialogService::beep() {
    record(shownDialog(ShownDialog::Kind::Beep, nullptr));
}

ScopedDialogs::ScopedDialogs() {
    auto service = std::make_unique<ScriptedDialogService>();
    service_ = service.get();
    DialogService::setInstance(std::move(service));
}

ScopedDialogs::~ScopedDialogs() {
    DialogService::setInstance(nullptr);
}
