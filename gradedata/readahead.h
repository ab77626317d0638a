#pragma once

#include <QString>
#include <functional>
#include <future>
#include <memory>

class IniStore;

// Reads the data file remembered in Settings.ini on a worker thread, so that the program can
// build its window meanwhile and open the file from what was read. It only reads: Settings.ini
// and the data file stay untouched. Whatever goes wrong on the way (no Settings.ini, no file
// remembered, a file that cannot be read) only means that nothing is handed over; opening the
// file in the usual way then meets the error and reports it as always.
class DataFileReadAhead {
public:
    // Work of the caller's on the store just read, done on the worker too; what it finds it
    // keeps in a place of its own, which the caller may look at once take() has handed the
    // store over. It has the store to itself and must touch nothing that the caller's thread
    // changes meanwhile. An exception from it leaves nothing handed over.
    using Preparation = std::function<void(const IniStore&)>;

    // Starts reading at once.
    explicit DataFileReadAhead(const QString& settingsFileName, Preparation prepare = {});
    // Waits for the worker when it is still reading.
    ~DataFileReadAhead();
    DataFileReadAhead(const DataFileReadAhead&) = delete;
    DataFileReadAhead& operator=(const DataFileReadAhead&) = delete;

    // The store on fileName with the file read, when the worker read that very file; nullptr
    // otherwise, and at every call after the first. Waits for the worker.
    std::unique_ptr<IniStore> take(const QString& fileName);

private:
    struct Result {
        QString fileName;
        std::unique_ptr<IniStore> store;
    };
    static Result read(const QString& settingsFileName, const Preparation& prepare);

    std::future<Result> result_;
};
