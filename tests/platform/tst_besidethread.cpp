#include "platform/besidethread.h"

#include <QTest>

#include <sched.h>
#include <stdexcept>
#include <thread>

// Work started beside the calling thread runs on a thread of its own and hands back its result
// or its error; stepping off a processor leaves the thread free to run on all of its own.
class TestBesideThread : public QObject {
    Q_OBJECT

private slots:
    void workRunsBesideAndHandsBack() {
        const std::thread::id caller = std::this_thread::get_id();
        auto result = startBeside([caller] { return std::this_thread::get_id() != caller; });
        QVERIFY(result.get());
        auto failing = startBeside([]() -> int { throw std::runtime_error("kaputt"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, failing.get());
    }

    void stepOffKeepsTheProcessors() {
        cpu_set_t before, after;
        QCOMPARE(sched_getaffinity(0, sizeof before, &before), 0);
        stepOffProcessor(currentProcessor());
        stepOffProcessor(-1);
        stepOffProcessor(CPU_SETSIZE);
        QCOMPARE(sched_getaffinity(0, sizeof after, &after), 0);
        QVERIFY(CPU_EQUAL(&before, &after));
    }
};

QTEST_GUILESS_MAIN(TestBesideThread)
#include "tst_besidethread.moc"
