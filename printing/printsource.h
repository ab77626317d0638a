#pragma once

#include "gradedata/classtest.h"
#include "overview/subjectoverview.h"

#include <QString>

// What the print dialog prints: the tests of the subject selected in the main window. The
// dialog asks at every use, so it always prints the subject selected at that moment.
class PrintSource {
public:
    virtual ~PrintSource() = default;

    // The open data file's name as it was opened (normally a full path); empty when none is.
    virtual QString dataFileName() const = 0;
    // The selected subject, as its tab shows it.
    virtual QString subjectName() const = 0;
    // The number of the subject's tests.
    virtual int testCount() const = 0;
    // The test at index 0 .. testCount() - 1, in list order. A damaged entry raises its
    // AppError.
    virtual ClassTest test(int index) const = 0;
    // The tests of every subject of the data file, for the school-year report; none when no
    // file is open. A damaged entry raises its AppError.
    virtual SubjectOverview allSubjects() const { return {}; }
};
