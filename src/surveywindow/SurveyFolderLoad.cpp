#include "surveywindow/SurveyFolderLoad.h"

SurveyFolderLoad::~SurveyFolderLoad() {
    cancel_ = true;
    if (reader_.joinable())
        reader_.join();
}

void SurveyFolderLoad::countBackground(const SeriesRead& read,
                                       BackgroundQuarters& background) const {
    if (read.status == SeriesRead::Status::Ok && !cancel_)
        background.update(read.series, {});
}

void SurveyFolderLoad::start(const std::string& dir, SeriesRead& into,
                             BackgroundQuarters& background) {
    reader_ = std::thread([this, dir, &into, &background] {
        SeriesReadOptions options;
        options.cancel = &cancel_;
        options.progress = [this](std::size_t done, std::size_t total) {
            done_ = done;
            total_ = total;
        };
        into = readSurveySeries(dir, options);
        countBackground(into, background);
        // The owner's thread takes it from here; an owner gone meanwhile
        // never gets the call (this destructor joins first).
        QMetaObject::invokeMethod(this, &SurveyFolderLoad::ended, Qt::QueuedConnection);
    });
}

void SurveyFolderLoad::startDatabase(const PgSeriesSource& source, SeriesRead& into,
                                     BackgroundQuarters& background) {
    reader_ = std::thread([this, source, &into, &background] {
        // The database answers as a whole: no progress to show, and a cancel
        // only drops what came back.
        into = readDatabaseSeries(source, std::nullopt, std::nullopt);
        if (into.status == SeriesRead::Status::Ok) {
            std::string error;
            marksText_ = readDatabaseTable(source, "markers.csv", error);
        }
        countBackground(into, background);
        if (cancel_)
            into.status = SeriesRead::Status::Cancelled;
        QMetaObject::invokeMethod(this, &SurveyFolderLoad::ended, Qt::QueuedConnection);
    });
}

void SurveyFolderLoad::ended() {
    reader_.join();
    emit finished();
}
