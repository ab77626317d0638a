#include "stats/spokentext.h"

#include "platform/localeformats.h"
#include "stats/numberformat.h"
#include "stats/ranking.h"
#include "stats/rankingrowpainter.h"
#include "stats/statistics.h"

QString spokenTestRow(const ClassTest& test) {
    QStringList parts;
    parts << QStringLiteral("%1. Klasse").arg(test.gradeLevel)
          << QStringLiteral("Arbeit %1").arg(test.number);
    if (test.date.isValid())
        parts << LocaleFormats::current().locale().toString(test.date, QLocale::LongFormat);
    parts << QStringLiteral("%1. Stunde").arg(test.lesson)
          << QStringLiteral("%1 Teilnehmer").arg(Participants(test.counts));
    const std::optional<long double> average = TestAverage(test.counts);
    parts << (average ? QStringLiteral("Durchschnitt ") + formatDecimal(*average, 1)
                      : QStringLiteral("kein Durchschnitt"));
    if (test.ownGrade == 0)
        parts << QStringLiteral("nicht teilgenommen");
    else if (test.ownGrade >= 1 && test.ownGrade <= 6)
        parts << QStringLiteral("eigene Note %1").arg(test.ownGrade);
    if (!test.remark.isEmpty())
        parts << test.remark;
    return parts.join(QStringLiteral(", "));
}

QString spokenRankingRow(const RankedSubject& entry, int rank) {
    // One pass, so that a "%1" in the subject's name stays as it is.
    return QStringLiteral("%1, Rang %2, Durchschnitt %3, %4")
        .arg(entry.subject, QString::number(rank), entry.shownAverage,
             testCountText(QString::number(entry.testCount)));
}

QString spokenAverageBar(const std::optional<SubjectSummary>& summary) {
    if (!summary || summary->TestCount == 0)
        return QStringLiteral("Keine Arbeiten");
    QStringList parts;
    parts << (summary->MeanAverage ? QStringLiteral("Durchschnitt aller Arbeiten ") +
                                         formatDecimal(*summary->MeanAverage, 1)
                                   : QStringLiteral("kein Durchschnitt"))
          << QStringLiteral("im Mittel %1 Teilnehmer")
                 .arg(formatDecimal(summary->MeanParticipants, 1))
          << QStringLiteral("Schulstunde im Mittel %1").arg(formatDecimal(summary->MeanLesson, 1));
    if (summary->OwnGrade > 0)
        parts << QStringLiteral("eigene Note im Mittel ") + formatDecimal(summary->OwnAverage, 1);
    return parts.join(QStringLiteral(", "));
}
