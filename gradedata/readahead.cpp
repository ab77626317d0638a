#include "gradedata/readahead.h"

#include "gradedata/inistore.h"
#include "gradedata/settingsfile.h"
#include "platform/besidethread.h"

#include <QFileInfo>
#include <system_error>

DataFileReadAhead::Result DataFileReadAhead::read(const QString& settingsFileName,
                                                  const Preparation& prepare) {
    try {
        const QString fileName = SettingsFile(settingsFileName).read().standardFile;
        if (!QFileInfo(fileName).isFile())
            return {};
        auto store = std::make_unique<IniStore>(fileName);
        // Asking for the contents' revision parses the whole file into the store, which keeps
        // it for as long as the file does not change (no list of its names is made).
        store->contentsRevision();
        if (prepare)
            prepare(*store);
        return {fileName, std::move(store)};
    } catch (const std::exception&) {
        // Opening the file the usual way reports what went wrong.
        return {};
    }
}

DataFileReadAhead::DataFileReadAhead(const QString& settingsFileName, Preparation prepare) {
    try {
        result_ = startBeside([settingsFileName, prepare = std::move(prepare)] {
            return read(settingsFileName, prepare);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the file is read when it is opened.
    }
}

DataFileReadAhead::~DataFileReadAhead() {
    if (result_.valid())
        result_.wait();
}

std::unique_ptr<IniStore> DataFileReadAhead::take(const QString& fileName) {
    if (!result_.valid())
        return nullptr;
    Result result = result_.get();
    if (result.fileName != fileName)
        return nullptr;
    return std::move(result.store);
}
