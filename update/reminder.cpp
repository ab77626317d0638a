#include "update/reminder.h"

#include "platform/datetime.h"

int ReminderInterval(std::optional<int> stored) {
    if (!stored || *stored < 1)
        return 7;
    return *stored;
}

double NextReminderLimit(const QDate& today, int interval) {
    return daysSince1899(today.startOfDay()) + interval - 1;
}

bool WizardDue(const ReminderState& state, const QDate& today) {
    if (state.manual || state.onlyUpdate)
        return true;
    const double todayDays = daysSince1899(today.startOfDay());
    const double limit = state.storedLimit.value_or(todayDays - 1);
    return todayDays > limit && !state.noUpdate;
}
