#pragma once

#include <QDate>

#include <optional>

// The update reminder's rules: when the wizard comes up by itself, and the limit written at
// program end after a finished wizard.

// The reminder interval in days: the stored "UpdateInterval", or 7 when it is missing or
// below 1.
int ReminderInterval(std::optional<int> stored);

// The limit written as "Update": today plus the interval minus one day, at midnight, as days
// since 30 December 1899.
double NextReminderLimit(const QDate& today, int interval);

// The values that decide whether the wizard is shown.
struct ReminderState {
    bool manual = false;               // Ctrl+U
    bool onlyUpdate = false;           // "OnlyUpdate" present
    bool noUpdate = false;             // "NoUpdate" present
    std::optional<double> storedLimit; // "Update", when present
};

// The wizard is shown when asked for by hand, in update-only mode, or when today (at
// midnight) is strictly later than the limit (yesterday when none is stored) and the reminder
// is not switched off.
bool WizardDue(const ReminderState& state, const QDate& today);
