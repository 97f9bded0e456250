#pragma once

class CMyVrelView;
class QWidget;

// "Ölçüm başlat…": a survey on the meter the view is connected to, into a
// folder the user chooses, shown growing in a survey window of its own.
// Says so, and starts nothing, while no meter port is open.
void startSurveyFromMenu(CMyVrelView& view);

// Before the program closes: when surveys run in windows of frame, asks
// whether to end them and, on yes, finishes their files. False when the
// user keeps them running (the program stays open).
bool endSurveysBeforeClosing(QWidget* frame);
