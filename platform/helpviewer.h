#pragma once

#include <QDialog>
#include <QString>

class QTextBrowser;

// The program's help: an HTML file beside the program whose topics are named anchors
// ("Settings", "Subjects", "Print"), shown in a small window of the program.
namespace Help {
// The help file of the program (its full path).
QString helpFile();
void setHelpFile(const QString& fileName);
// Shows topic of the help file in the help window of parent, opening it when needed.
// A missing help file is reported in a message box instead.
void showTopic(QWidget* parent, const QString& topic);
// Gives window the key F1, which shows topic in its help window.
void addHelpKey(QWidget* window, const QString& topic);
} // namespace Help

// The help window: the help file in a text browser, scrolled to a topic.
class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows fileName, scrolled to topic.
    void showTopic(const QString& fileName, const QString& topic);
    const QString& topic() const { return topic_; }
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
    QString topic_;
};
