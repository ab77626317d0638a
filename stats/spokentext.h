#pragma once

#include "gradedata/classtest.h"

#include <QString>
#include <optional>

struct RankedSubject;
struct SubjectSummary;

// The rows of the drawn lists as sentences that a screen reader speaks, built from the typed
// values the rows are drawn from. Numbers follow the views' formats ("0.#" for test averages
// and means, "0.##" for class averages), dates the locale's long format.

// "8. Klasse, Arbeit 1, Freitag, 14. November 2025, 3. Stunde, 25 Teilnehmer, Durchschnitt 2,8,
// eigene Note 3, Bruchrechnung". A test without participants says "kein Durchschnitt"; own grade 0
// "nicht teilgenommen", an own grade outside 1 .. 6 is left out, as is an empty remark.
QString spokenTestRow(const ClassTest& test);

// "Mathe, Rang 1, Durchschnitt 3,02, 2 Arbeiten" (rank counted from 1; "1 Arbeit").
QString spokenRankingRow(const RankedSubject& entry, int rank);

// The average bar: "Keine Arbeiten" or "Durchschnitt aller Arbeiten 2,9, im Mittel 24,5
// Teilnehmer, Schulstunde im Mittel 3, eigene Note im Mittel 2,5".
QString spokenAverageBar(const std::optional<SubjectSummary>& summary);
