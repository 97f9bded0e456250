#include "surveywindow/SurveyFolderLoad.h"

SurveyFolderLoad::~SurveyFolderLoad() {
    cancel_ = true;
    if (reader_.joinable())
        reader_.join();
}

void SurveyFolderLoad::start(const std::string& dir, SeriesRead& into) {
    reader_ = std::thread([this, dir, &into] {
        SeriesReadOptions options;
        options.cancel = &cancel_;
        options.progress = [this](std::size_t done, std::size_t total) {
            done_ = done;
            total_ = total;
        };
        into = readSurveySeries(dir, options);
        // The owner's thread takes it from here; an owner gone meanwhile
        // never gets the call (this destructor joins first).
        QMetaObject::invokeMethod(this, &SurveyFolderLoad::ended, Qt::QueuedConnection);
    });
}

void SurveyFolderLoad::ended() {
    reader_.join();
    emit finished();
}
