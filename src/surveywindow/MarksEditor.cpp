#include "surveywindow/MarksEditor.h"

#include "survey/SurveyWeather.h"

#include <QUndoCommand>

// A change of the marks: the whole list before and after, which is what the
// file holds either way.
class MarksChange : public QUndoCommand {
  public:
    MarksChange(MarksEditor& editor, const QString& what, SurveyMarks before, SurveyMarks after)
        : QUndoCommand(what), editor_(editor), before_(std::move(before)),
          after_(std::move(after)) {}
    void redo() override { editor_.set(after_); }
    void undo() override { editor_.set(before_); }

  private:
    MarksEditor& editor_;
    SurveyMarks before_, after_;
};

MarksEditor::MarksEditor(const Clock& clock, QObject* parent) : QObject(parent), clock_(clock) {}

const MarksRead& MarksEditor::load(const std::string& path) {
    path_ = path;
    readOnly_.clear();
    read_ = readMarks(path);
    marks_ = SurveyMarks(read_.marks);
    history_.clear();
    emit changed();
    return read_;
}

const MarksRead& MarksEditor::show(MarksRead read, const std::string& reason) {
    path_.clear();
    readOnly_ = reason;
    read_ = std::move(read);
    marks_ = SurveyMarks(read_.marks);
    history_.clear();
    emit changed();
    return read_;
}

std::optional<std::string> MarksEditor::change(const QString& what, SurveyMarks after) {
    if (!readOnly_.empty())
        return readOnly_;
    if (path_.empty())
        return std::string("no survey folder");
    if (const auto problem = editProblemOf(read_))
        return problem;
    history_.push(new MarksChange(*this, what, marks_, std::move(after)));
    return std::nullopt;
}

void MarksEditor::set(const SurveyMarks& marks) {
    marks_ = marks;
    std::string error;
    if (!marks_.save(path_, clock_, &error))
        emit writeFailed(QString::fromStdString(error));
    else
        // Written whole: whatever was damaged in the file before is gone with it.
        read_ = MarksRead{MarksRead::Status::Ok, marks_.all(), {}, {}};
    emit changed();
}

std::optional<std::string> MarksEditor::add(const SurveyMark& mark) {
    SurveyMarks after = marks_;
    if (auto problem = after.add(mark))
        return problem;
    return change(tr("işaret ekle"), std::move(after));
}

std::optional<std::string> MarksEditor::replace(std::size_t index, const SurveyMark& mark) {
    SurveyMarks after = marks_;
    if (auto problem = after.replace(index, mark))
        return problem;
    return change(tr("işareti değiştir"), std::move(after));
}

std::optional<std::string> MarksEditor::remove(std::size_t index) {
    SurveyMarks after = marks_;
    if (auto problem = after.remove(index))
        return problem;
    return change(tr("işareti sil"), std::move(after));
}

std::size_t MarksEditor::addNew(const std::vector<SurveyMark>& marks,
                                std::optional<std::string>* problem) {
    SurveyMarks after = marks_;
    const std::size_t added = addNewMarks(after, marks);
    if (added == 0)
        return 0;
    *problem = change(tr("hava verisi"), std::move(after));
    return *problem ? 0 : added;
}
