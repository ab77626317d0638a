#pragma once

#include "gradedata/classtest.h"

#include <QDate>
#include <QString>

#include <utility>

// A class test written in lesson 3, for tests that need typed tests without caring for every
// field. By default its counts and own grade are those of the example file's "Bruchrechnung"
// (2, 5, 8, 6, 3, 1 pupils with grades 1 to 6; own grade 3), without a remark.
inline ClassTest classTest(int level, int number, QDate date,
                           GradeCounts counts = {2, 5, 8, 6, 3, 1}, int own = 3,
                           QString remark = QString()) {
    ClassTest test;
    test.gradeLevel = level;
    test.number = number;
    test.date = date;
    test.lesson = 3;
    test.counts = counts;
    test.ownGrade = own;
    test.remark = std::move(remark);
    return test;
}
