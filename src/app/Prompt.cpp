#include "app/Prompt.h"

#include <QMessageBox>

namespace {
QtPrompt realPrompt;
Prompt* current = nullptr;

QMessageBox::StandardButtons standardButtons(Prompt::Buttons b) {
    switch (b) {
    case Prompt::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompt::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompt::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompt::Buttons::YesNoCancel:
        break;
    }
    return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
}

QMessageBox::Icon boxIcon(Prompt::Icon i) {
    switch (i) {
    case Prompt::Icon::Information:
        return QMessageBox::Information;
    case Prompt::Icon::Warning:
        return QMessageBox::Warning;
    case Prompt::Icon::Critical:
        return QMessageBox::Critical;
    case Prompt::Icon::Question:
        return QMessageBox::Question;
    case Prompt::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
} // namespace

Prompt& prompt() {
    return current ? *current : realPrompt;
}

void setPrompt(Prompt* p) {
    current = p;
}

Prompt::Answer QtPrompt::message(QWidget* parent, const Message& m) {
    QMessageBox box(boxIcon(m.icon), m.caption, m.text, standardButtons(m.buttons), parent);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

Prompt::Answer ScriptedPrompt::message(QWidget*, const Message& m) {
    messages_.push_back(m);
    if (answers_.empty())
        return m.buttons == Buttons::Ok ? Answer::Ok : defaultAnswer_;
    const Answer a = answers_.front();
    answers_.pop_front();
    return a;
}
