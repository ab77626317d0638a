#pragma once

#include "update/reminder.h"

#include <QDate>
#include <QString>

#include <optional>

// The update settings in the registry: the key "Software\Vela\<RegistryKey>" below the
// per-machine root, or below the per-user root when hkcu is set. Each value keeps its type:
//  - "Update"              8-byte binary, a date as days since 30 December 1899: the last day
//                          before the next automatic reminder
//  - "UpdateInterval"      32-bit integer, the reminder interval in days
//  - "NoUpdate"            empty string; present: no automatic reminder
//  - "OnlyUpdate"          any type; present: the program runs as updater only
//  - "ApplicationFileName" string, the quoted program path and its start parameters
// Every registry failure (a refused write, a value of another type) raises the registry
// layer's AppError, which ends the caller's operation.
class UpdateSettings {
public:
    UpdateSettings(const QString& registryKey, bool hkcu);

    // "Software\Vela\<RegistryKey>".
    const QString& key() const { return key_; }
    bool perUser() const { return perUser_; }

    // Opens the key with creation.
    void open();

    // "Update", nothing when missing. A value that is not 8 bytes of binary data raises the
    // data-type error.
    std::optional<double> reminderLimit() const;
    void writeReminderLimit(double days);
    // "UpdateInterval" as stored, nothing when missing; a value of another type raises the
    // data-type error.
    std::optional<int> updateInterval() const;
    bool noUpdate() const;
    bool onlyUpdate() const;

    // What decides whether the wizard comes up now.
    ReminderState reminderState(bool manual) const;
    // At program end after a finished wizard: "Update" := today + interval - 1, the interval
    // being "UpdateInterval" when it is at least 1, else 7.
    void writeNextReminder(const QDate& today);

    // "ApplicationFileName" := the program path in double quotes, followed by a blank and the
    // parameters when there are any.
    void writeApplicationFileName(const QString& programPath, const QString& parameters);
    static QString applicationFileName(const QString& programPath, const QString& parameters);

    // The settings page: never remind, or remind every `interval` days (1 to 365).
    struct ReminderChoice {
        bool never = false;
        int interval = 7;
        bool operator==(const ReminderChoice&) const = default;
    };
    static constexpr int MinimumInterval = 1;
    static constexpr int MaximumInterval = 365;
    // never: "NoUpdate" is present. interval: the interval in effect (a stored value below 1
    // counts as 7), kept within 1 to 365 as the page's spin box shows it.
    ReminderChoice reminderChoice() const;
    // never: "UpdateInterval" is removed and "NoUpdate" written; otherwise "NoUpdate" is
    // removed and "UpdateInterval" written, kept within 1 to 365.
    void saveReminderChoice(const ReminderChoice& choice);

private:
    QString key_;
    bool perUser_;
};
