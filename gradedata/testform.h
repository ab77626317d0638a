#pragma once

#include "gradedata/classtest.h"

#include <QDate>
#include <QString>
#include <array>

class IniStore;

// Own-grade choice of the form when none of the choices is checked.
constexpr int NoOwnGrade = -1;
// The grade levels the form offers: 1 .. GradeLevels.
constexpr int GradeLevels = 13;

// The class-test entry form as the user left it: the texts of its fields and its choices.
struct TestForm {
    QString gradeLevel; // "Klasse"; empty when nothing is chosen
    QString number;     // "Arbeit Nummer"
    QDate date;
    QString lesson;                // "Schulstunde"
    std::array<QString, 6> counts; // pupils with grade 1 .. 6
    int ownGrade = NoOwnGrade;     // 1 .. 6, 0 = "nicht teilgenommen", NoOwnGrade
    QString remark;
};

// The form showing the test of a list item: its fields as they stand, except that a grade
// level outside the offered ones leaves "Klasse" empty and an own grade outside 0 .. 6 (from a
// hand-edited file) leaves every choice unchecked, so the user has to choose before storing.
TestForm testFormFromListItem(const QString& item);
// The same for a test.
TestForm testFormFromTest(const ClassTest& test);

// Puts "0" into every empty count text, then evaluates every rule and returns true when all
// hold: grade level, number and lesson are integers; every count is an integer of at least 0;
// at least one pupil took part; an own grade is chosen; an own grade 1 .. 6 has a count of at
// least one. The filled counts stay even when a rule fails (the form shows them).
bool validateTestForm(TestForm& form);

// The remark as it is stored: a remark of exactly one comma becomes empty, double quotes are
// removed, and every run of line breaks and other control characters becomes one blank, so
// that no remark can break the line structure of the data file.
QString cleanRemark(const QString& remark);

// The class test of a form that passed validateTestForm, with its remark as it stands.
// Raises the integer conversion error for a form that did not pass.
ClassTest classTestFromForm(const TestForm& form);

// Identity of a test for the duplicate check: grade level padded to two digits, number,
// short date ("05,2,12.03.2002").
QString testIdentity(const ClassTest& test);
QString testIdentityFromListItem(const QString& item);

// True when storing test in subject would overwrite a test other than the one being changed
// (changedItem, the list item of the test being changed; empty for a new test).
bool collidesWithOtherTest(const IniStore& store, const QString& subject, const ClassTest& test,
                           const QString& changedItem);
