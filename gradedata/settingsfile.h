#pragma once

#include <QString>
#include <memory>

class IniStore;

// Settings.ini beside the program: section "Settings" with the data file to open at start,
// the window's outer size and the state of "Diagramme beschriften". Read once at start-up,
// written once at shut-down.
class SettingsFile {
public:
    // Shown and kept while no data file was ever given.
    static const QString NoFileGiven; // "(keine Datei angegeben)"
    static constexpr int DefaultWidth = 800;
    static constexpr int DefaultHeight = 600;
    // A stored width or height is kept within 0 .. MaximumExtent, wider than four screens of
    // 4K side by side: a hand-edited -2147483648 or 2147483647 can neither overflow the
    // window's sums nor ask for a window of gigabytes. A text beyond the 32-bit range is no
    // integer and gives the default.
    static constexpr int MaximumExtent = 16384;

    struct Values {
        QString standardFile = NoFileGiven;
        int width = DefaultWidth;
        int height = DefaultHeight;
        bool diagramLabels = true;
    };

    // Settings.ini keeps every value on one line: a data file whose name holds a line break
    // cannot be remembered, and is not to be opened.
    static bool canKeep(const QString& standardFile);

    explicit SettingsFile(const QString& fileName);
    ~SettingsFile();

    const QString& fileName() const;
    // The stored values; a missing key or a text that is not an integer gives the default.
    Values read() const;
    // Writes the values; with writeStandardFile false, "StandardFile" keeps what it holds, as
    // it does for a name that it cannot keep. A name with blanks or quotes at its ends is
    // written between double quotes, so that it reads back as it is. A refused write raises
    // its AppError. All values go to the file in one atomic write; when the file holds them
    // all already, nothing is written.
    void write(const Values& values, bool writeStandardFile);

private:
    std::unique_ptr<IniStore> store_;
};
