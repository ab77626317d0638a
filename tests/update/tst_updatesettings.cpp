#include "platform/apperror.h"
#include "platform/datetime.h"
#include "platform/registry.h"
#include "support/testfolders.h"
#include "update/reminder.h"
#include "update/updatesettings.h"

#include <QFile>
#include <QtTest>

namespace {

const QString key = QStringLiteral("Software\\Vela\\Zensoria");

double midnight(const QDate& date) {
    return daysSince1899(date.startOfDay());
}

Registry machine() {
    return Registry(RegistryRoot::LocalMachine);
}

} // namespace

class TestUpdateSettings : public QObject {
    Q_OBJECT

private slots:
    void init() { folders_ = std::make_unique<TestFolders>(); }
    void cleanup() { folders_.reset(); }

    void firstStartHasNoLimitAndTheWizardIsDue() {
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        QCOMPARE(settings.key(), key);
        settings.open();
        QVERIFY(machine().keyExists(key));
        const ReminderState state = settings.reminderState(false);
        QVERIFY(!state.storedLimit);
        QVERIFY(!state.noUpdate && !state.onlyUpdate && !state.manual);
        QVERIFY(WizardDue(state, QDate(2026, 12, 7)));
    }

    void rootFollowsHkcu() {
        UpdateSettings(QStringLiteral("Zensoria"), false).writeNextReminder(QDate(2026, 12, 7));
        QVERIFY(machine().valueExists(key, "Update"));
        QVERIFY(!Registry(RegistryRoot::CurrentUser).keyExists(key));

        UpdateSettings(QStringLiteral("Andere"), true).writeNextReminder(QDate(2026, 12, 7));
        QVERIFY(Registry(RegistryRoot::CurrentUser)
                    .valueExists(QStringLiteral("Software\\Vela\\Andere"), "Update"));
        QVERIFY(!machine().keyExists(QStringLiteral("Software\\Vela\\Andere")));
    }

    // A whole reminder cycle with interval 7 written on a Monday: quiet up to the Sunday,
    // due on the next Monday. The value is stored as 8 bytes of a double.
    void weeklyCycleThroughTheRegistry() {
        const QDate monday(2026, 12, 7);
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        machine().writeInteger(key, "UpdateInterval", 7);
        settings.writeNextReminder(monday);

        const QByteArray stored = machine().readBinary(key, "Update");
        QCOMPARE(stored.size(), 8);
        QCOMPARE(daysFromBinary(stored).value(), midnight(QDate(2026, 12, 13)));
        QCOMPARE(settings.reminderLimit().value(), midnight(QDate(2026, 12, 13)));

        for (QDate day = monday; day <= QDate(2026, 12, 13); day = day.addDays(1))
            QVERIFY2(!WizardDue(settings.reminderState(false), day),
                     qPrintable(day.toString(Qt::ISODate)));
        QVERIFY(WizardDue(settings.reminderState(false), QDate(2026, 12, 14)));
        QVERIFY(WizardDue(settings.reminderState(true), monday));
    }

    void intervalRulesForTheNextLimit_data() {
        QTest::addColumn<QVariant>("interval");
        QTest::addColumn<int>("daysAhead");
        QTest::newRow("missing") << QVariant() << 6;
        QTest::newRow("zero") << QVariant(0) << 6;
        QTest::newRow("negative") << QVariant(-3) << 6;
        QTest::newRow("one day") << QVariant(1) << 0;
        QTest::newRow("thirty days") << QVariant(30) << 29;
    }
    void intervalRulesForTheNextLimit() {
        QFETCH(QVariant, interval);
        QFETCH(int, daysAhead);
        if (interval.isValid())
            machine().writeInteger(key, "UpdateInterval", interval.toInt());
        const QDate today(2026, 3, 1);
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        settings.writeNextReminder(today);
        QCOMPARE(settings.reminderLimit().value(), midnight(today.addDays(daysAhead)));
    }

    void valuesOfAnotherTypeAreRefused() {
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        machine().writeString(key, "Update", "13.12.2026");
        QVERIFY_THROWS_EXCEPTION(AppError, settings.reminderLimit());
        QVERIFY_THROWS_EXCEPTION(AppError, settings.reminderState(false));
        // Binary, but not a double.
        machine().writeBinary(key, "Update", QByteArray(4, '\0'));
        try {
            settings.reminderLimit();
            QFAIL("a 4-byte date was read");
        } catch (const AppError& error) {
            QCOMPARE(error.message(), "Ungültiger Datentyp für 'Update'");
        }
        machine().deleteValue(key, "Update");
        machine().writeString(key, "UpdateInterval", "7");
        QVERIFY_THROWS_EXCEPTION(AppError, settings.updateInterval());
        QVERIFY_THROWS_EXCEPTION(AppError, settings.writeNextReminder(QDate(2026, 1, 1)));
        QVERIFY(!machine().valueExists(key, "Update"));
        QVERIFY_THROWS_EXCEPTION(AppError, settings.reminderChoice());
    }

    // Only the presence of "NoUpdate" and "OnlyUpdate" counts, whatever their type.
    void switchesCountByPresence() {
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        machine().writeInteger(key, "NoUpdate", 0);
        machine().writeBinary(key, "OnlyUpdate", QByteArray());
        const ReminderState state = settings.reminderState(false);
        QVERIFY(state.noUpdate);
        QVERIFY(state.onlyUpdate);
        machine().deleteValue(key, "OnlyUpdate");
        QVERIFY(!settings.onlyUpdate());
        // Switched off, with no limit stored: no reminder, but Ctrl+U still shows the wizard.
        QVERIFY(!WizardDue(settings.reminderState(false), QDate(2026, 12, 7)));
        QVERIFY(WizardDue(settings.reminderState(true), QDate(2026, 12, 7)));
    }

    void applicationFileName() {
        QCOMPARE(UpdateSettings::applicationFileName("/opt/Zensoria/zensoria", ""),
                 "\"/opt/Zensoria/zensoria\"");
        QCOMPARE(UpdateSettings::applicationFileName("/A/B", "-x"), "\"/A/B\" -x");
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        settings.writeApplicationFileName("/Programme/Zensoria Ä/zensoria", "");
        QCOMPARE(machine().readString(key, "ApplicationFileName"),
                 "\"/Programme/Zensoria Ä/zensoria\"");
    }

    void settingsPageChoices() {
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        QCOMPARE(settings.reminderChoice(), (UpdateSettings::ReminderChoice{false, 7}));

        settings.saveReminderChoice({false, 14});
        QCOMPARE(machine().readInteger(key, "UpdateInterval"), 14);
        QVERIFY(!machine().valueExists(key, "NoUpdate"));

        settings.saveReminderChoice({true, 14});
        QVERIFY(!machine().valueExists(key, "UpdateInterval"));
        QVERIFY(machine().valueExists(key, "NoUpdate"));
        QCOMPARE(machine().readString(key, "NoUpdate"), QString());
        // Opened again: never, and the spin box back at 7.
        QCOMPARE(settings.reminderChoice(), (UpdateSettings::ReminderChoice{true, 7}));

        settings.saveReminderChoice({false, 400});
        QCOMPARE(machine().readInteger(key, "UpdateInterval"), 365);
        QVERIFY(!machine().valueExists(key, "NoUpdate"));
        settings.saveReminderChoice({false, 0});
        QCOMPARE(machine().readInteger(key, "UpdateInterval"), 1);

        // Values written by another tool show as the interval in effect.
        machine().writeInteger(key, "UpdateInterval", -5);
        QCOMPARE(settings.reminderChoice().interval, 7);
        machine().writeInteger(key, "UpdateInterval", 1000);
        QCOMPARE(settings.reminderChoice().interval, 365);
    }

    void refusedStorageRaisesTheRegistryError() {
        QFile blocker(folders_->file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Registry::setStorageFolder(folders_->file("blocker/registry"));
        UpdateSettings settings(QStringLiteral("Zensoria"), false);
        QVERIFY_THROWS_EXCEPTION(AppError, settings.open());
        QVERIFY_THROWS_EXCEPTION(AppError, settings.writeApplicationFileName("/a/b", ""));
        QVERIFY_THROWS_EXCEPTION(AppError, settings.writeNextReminder(QDate(2026, 1, 1)));
        QVERIFY_THROWS_EXCEPTION(AppError, settings.saveReminderChoice({true, 7}));
    }

private:
    std::unique_ptr<TestFolders> folders_;
};

QTEST_GUILESS_MAIN(TestUpdateSettings)
#include "tst_updatesettings.moc"
