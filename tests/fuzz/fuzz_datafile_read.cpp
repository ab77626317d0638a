// Reading a data file and everything built on it: the sections, every subject's tests, the
// test list items read back, the subject summaries and the ranking. Nothing may fail but with
// an AppError, and the file stays byte for byte as it was, with nothing beside it.

#include "fuzzinput.h"
#include "gradedata/classtest.h"
#include "gradedata/inistore.h"
#include "platform/apperror.h"
#include "stats/ranking.h"
#include "stats/statistics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    useGermanFormats();
    const QString fileName = fuzzFolder() + QStringLiteral("/noten.plx");
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!writeFuzzFile(fileName, bytes))
        fuzzFailure("cannot write the input file");

    const IniStore store(fileName);
    QStringList subjects = store.ReadSections();
    subjects.removeIf(
        [](const QString& s) { return s.compare(u"Settings", Qt::CaseInsensitive) == 0; });
    for (const QString& subject : subjects) {
        QStringList items;
        try {
            LoadSubjectTests(store, subject, items);
        } catch (const AppError&) {
        }
        // Every item the program made reads back as its test.
        for (const QString& item : items) {
            try {
                FUZZ_CHECK(TestListItem(classTestFromListItem(item)) == item, item);
            } catch (const AppError& error) {
                fuzzFailure("a list item made from the file does not read back",
                            item + u'\n' + error.message());
            }
            (void)TestRemark(item);
        }
        try {
            if (const auto summary = computeSubjectSummary(items))
                FUZZ_CHECK(summary->TestCount == items.size(), subject);
        } catch (const AppError&) {
        }
        FUZZ_CHECK(store.ReadSection(subject).size() == store.ReadSectionValues(subject).size(),
                   subject);
    }
    try {
        (void)BuildRankingEntries(store, SubjectList(subjects));
    } catch (const AppError&) {
    }
    // A second store, reading afresh, sees the same.
    const IniStore fresh(fileName);
    FUZZ_CHECK(fresh.ReadSections() == store.ReadSections(), QString());
    FUZZ_CHECK(readFuzzFile(fileName) == bytes, QStringLiteral("the file changed"));
    FUZZ_CHECK(
        QDir(fuzzFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) ==
            QStringList{QStringLiteral("noten.plx")},
        QStringLiteral("something appeared beside the file"));
    return 0;
}
