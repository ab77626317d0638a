#include "app/mainwindowprintsource.h"

#include "gradedata/gradebook.h"
#include "gradedata/testlistmodel.h"
#include "mainwindow/tform1.h"

QString MainWindowPrintSource::dataFileName() const {
    const GradeBook* book = window_.document();
    return book ? book->fileName() : QString();
}

QString MainWindowPrintSource::subjectName() const {
    return window_.currentSubject();
}

int MainWindowPrintSource::testCount() const {
    const GradeBook* book = window_.document();
    return book ? book->tests().rowCount() : 0;
}

ClassTest MainWindowPrintSource::test(int index) const {
    return window_.document()->tests().test(index);
}

SubjectOverview MainWindowPrintSource::allSubjects() const {
    const GradeBook* book = window_.document();
    return book ? SubjectOverview::read(book->store(), book->subjects().toList())
                : SubjectOverview();
}
