#pragma once

#include "survey/SurveyMarks.h"

#include <QObject>
#include <QUndoStack>

#include <optional>
#include <string>
#include <vector>

// A survey folder's marks as the window edits them: each change is written
// to markers.csv at once (whole or not at all) and goes on a history that
// Ctrl+Z walks back, writing the file again each step.
class MarksEditor : public QObject {
    Q_OBJECT
  public:
    MarksEditor(const Clock& clock, QObject* parent = nullptr);

    // Reads the marks file at path; what was read is shown and edited, and
    // the caller tells the user what read() says went wrong.
    const MarksRead& load(const std::string& path);
    // Shows read, which no change may be written back to, for reason.
    const MarksRead& show(MarksRead read, const std::string& reason);
    const MarksRead& read() const { return read_; }
    const SurveyMarks& marks() const { return marks_; }
    QUndoStack& history() { return history_; }

    // Each returns why the change was refused (the file cannot take an edit,
    // the mark is not one), or nothing once made and written.
    std::optional<std::string> add(const SurveyMark& mark);
    std::optional<std::string> replace(std::size_t index, const SurveyMark& mark);
    std::optional<std::string> remove(std::size_t index);
    // Adds those of marks not there already, as one step; how many.
    std::size_t addNew(const std::vector<SurveyMark>& marks, std::optional<std::string>* problem);

  signals:
    void changed();
    // Writing markers.csv failed; the marks shown are what the file should hold.
    void writeFailed(const QString& reason);

  private:
    friend class MarksChange;
    std::optional<std::string> change(const QString& what, SurveyMarks after);
    void set(const SurveyMarks& marks);

    const Clock& clock_;
    std::string path_;
    std::string readOnly_; // why no change is taken; empty: the file takes them
    MarksRead read_;
    SurveyMarks marks_;
    QUndoStack history_;
};
