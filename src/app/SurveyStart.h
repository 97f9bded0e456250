#pragma once

class CMyVrelView;
class QString;
class QWidget;

// "Ölçüm başlat…": a survey on the meter the view is connected to, into a
// folder the user chooses, shown growing in a survey window of its own.
// Says so, and starts nothing, while no meter port is open.
void startSurveyFromMenu(CMyVrelView& view);

// "Aç → Veritabanından…": asks for the database URL of a meter's survey
// (postgresql://USER@HOST[:PORT]/DB?site=S&meter=M), offering the last one,
// and opens a survey window on it. A URL that is none is said at once; a
// database that cannot be read is said by the window.
void openSurveyFromDatabase(QWidget* parent);
// Opens a survey window on the meter's survey at url; false, said to the
// user, when url names no meter's survey.
bool openDatabaseSurvey(QWidget* parent, const QString& url);

// Before the program closes: when surveys run in windows of frame, asks
// whether to end them and, on yes, finishes their files. False when the
// user keeps them running (the program stays open).
bool endSurveysBeforeClosing(QWidget* frame);
