#pragma once

#include "printing/printsource.h"

class TForm1;

// The print dialog prints the subject shown in the main window, read from the window's grade
// book at every use.
class MainWindowPrintSource : public PrintSource {
public:
    explicit MainWindowPrintSource(const TForm1& window) : window_(window) {}

    QString dataFileName() const override;
    QString subjectName() const override;
    int testCount() const override;
    ClassTest test(int index) const override;
    SubjectOverview allSubjects() const override;

private:
    const TForm1& window_;
};
