#include "update/updatesettings.h"

#include "platform/apperror.h"
#include "platform/datetime.h"
#include "platform/registry.h"

#include <algorithm>

namespace {

const QString UpdateValue = QStringLiteral("Update");
const QString IntervalValue = QStringLiteral("UpdateInterval");
const QString NoUpdateValue = QStringLiteral("NoUpdate");
const QString OnlyUpdateValue = QStringLiteral("OnlyUpdate");
const QString ApplicationFileNameValue = QStringLiteral("ApplicationFileName");

Registry registryOf(bool perUser) {
    return Registry(perUser ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine);
}

} // namespace

UpdateSettings::UpdateSettings(const QString& registryKey, bool hkcu)
    : key_(QStringLiteral("Software\\Vela\\") + registryKey), perUser_(hkcu) {}

void UpdateSettings::open() {
    registryOf(perUser_).createKey(key_);
}

std::optional<double> UpdateSettings::reminderLimit() const {
    const Registry registry = registryOf(perUser_);
    if (!registry.valueExists(key_, UpdateValue))
        return std::nullopt;
    const std::optional<double> days = daysFromBinary(registry.readBinary(key_, UpdateValue));
    // Eight bytes of binary data are the only form of a date; anything else is refused like
    // a value of another type.
    if (!days)
        throw AppError(QStringLiteral("Ungültiger Datentyp für '%1'").arg(UpdateValue));
    return days;
}

void UpdateSettings::writeReminderLimit(double days) {
    registryOf(perUser_).writeBinary(key_, UpdateValue, daysToBinary(days));
}

std::optional<int> UpdateSettings::updateInterval() const {
    const Registry registry = registryOf(perUser_);
    if (!registry.valueExists(key_, IntervalValue))
        return std::nullopt;
    return registry.readInteger(key_, IntervalValue);
}

bool UpdateSettings::noUpdate() const {
    return registryOf(perUser_).valueExists(key_, NoUpdateValue);
}

bool UpdateSettings::onlyUpdate() const {
    return registryOf(perUser_).valueExists(key_, OnlyUpdateValue);
}

ReminderState UpdateSettings::reminderState(bool manual) const {
    ReminderState state;
    state.manual = manual;
    state.onlyUpdate = onlyUpdate();
    state.noUpdate = noUpdate();
    state.storedLimit = reminderLimit();
    return state;
}

void UpdateSettings::writeNextReminder(const QDate& today) {
    open();
    writeReminderLimit(NextReminderLimit(today, ReminderInterval(updateInterval())));
}

QString UpdateSettings::applicationFileName(const QString& programPath, const QString& parameters) {
    QString value = u'"' + programPath + u'"';
    if (!parameters.isEmpty())
        value += u' ' + parameters;
    return value;
}

void UpdateSettings::writeApplicationFileName(const QString& programPath,
                                              const QString& parameters) {
    registryOf(perUser_).writeString(key_, ApplicationFileNameValue,
                                     applicationFileName(programPath, parameters));
}

UpdateSettings::ReminderChoice UpdateSettings::reminderChoice() const {
    ReminderChoice choice;
    choice.never = noUpdate();
    choice.interval =
        std::clamp(ReminderInterval(updateInterval()), MinimumInterval, MaximumInterval);
    return choice;
}

void UpdateSettings::saveReminderChoice(const ReminderChoice& choice) {
    Registry registry = registryOf(perUser_);
    registry.createKey(key_);
    if (choice.never) {
        registry.deleteValue(key_, IntervalValue);
        registry.writeString(key_, NoUpdateValue, QString());
    } else {
        registry.deleteValue(key_, NoUpdateValue);
        registry.writeInteger(key_, IntervalValue,
                              std::clamp(choice.interval, MinimumInterval, MaximumInterval));
    }
}
