#include "bench/generator.h"

#include "gradedata/classtest.h"
#include "platform/atomicfile.h"

#include <QRandomGenerator>
#include <algorithm>

namespace {

const QStringList baseSubjects = {
    "Mathematik",  "Deutsch",    "Englisch",   "Französisch", "Latein",
    "Physik",      "Chemie",     "Biologie",   "Erdkunde",    "Geschichte",
    "Sozialkunde", "Religion",   "Ethik",      "Musik",       "Bildende Kunst",
    "Sport",       "Informatik", "Wirtschaft", "Spanisch",    "Griechisch",
    "Philosophie", "Technik",    "Astronomie", "Psychologie", "Darstellendes Spiel"};

const QStringList remarks = {"",
                             "",
                             "",
                             "Bruchrechnung",
                             "Vokabeltest",
                             "Lineare Gleichungen",
                             "Kurvendiskussion, Teil 2",
                             "Gedichtinterpretation",
                             "Übersetzung Kapitel 4",
                             "Zellbiologie",
                             "Nacharbeit wegen Krankheit",
                             "Säuren und Basen"};

QString subjectName(int index) {
    const QString& base = baseSubjects.at(index % baseSubjects.size());
    const int round = index / int(baseSubjects.size());
    return round == 0 ? base : QStringLiteral("%1 (Kurs %2)").arg(base).arg(round + 1);
}

// Grade counts of a class of 20 to 32 pupils, most of them in the middle grades.
GradeCounts randomCounts(QRandomGenerator& random) {
    GradeCounts counts{};
    const int pupils = 20 + int(random.bounded(13));
    for (int i = 0; i < pupils; ++i) {
        const int grade = (int(random.bounded(6)) + int(random.bounded(6)) + 1) / 2;
        ++counts[std::clamp(grade, 0, 5)];
    }
    return counts;
}

} // namespace

QStringList generateDataFile(const QString& fileName, int subjects, int testsPerSubject,
                             quint32 seed) {
    QRandomGenerator random(seed);
    QStringList names;
    QString text;
    for (int s = 0; s < subjects; ++s) {
        names.append(subjectName(s));
        text += u'[' + names.back() + QStringLiteral("]\r\n");

        QStringList lines;
        QDate date(1985, 8, 20);
        int number = 0;
        int academicYear = 0;
        for (int t = 0; t < testsPerSubject; ++t) {
            date = date.addDays(5 + int(random.bounded(30)));
            const int year = date.month() >= 8 ? date.year() : date.year() - 1;
            if (year != academicYear) {
                academicYear = year;
                number = 0;
            }
            ClassTest test;
            test.gradeLevel = 5 + (year - 1985) % 9;
            test.number = ++number;
            test.date = date;
            test.lesson = 1 + int(random.bounded(10));
            test.counts = randomCounts(random);
            test.ownGrade = int(random.bounded(7));
            if (test.ownGrade > 0 && test.counts[test.ownGrade - 1] == 0)
                test.ownGrade = 0;
            test.remark = remarks.at(random.bounded(int(remarks.size())));
            lines.append(TestKey(test) + u'=' + TestValue(test) + QStringLiteral("\r\n"));
        }
        // A few entries out of place, as a change of a test moves its entry to the end.
        for (int moved = 0; moved < testsPerSubject / 20; ++moved)
            lines.move(random.bounded(int(lines.size())), lines.size() - 1);
        text += lines.join(QString());
    }
    writeFileAtomically(fileName, text.toUtf8());
    return names;
}
