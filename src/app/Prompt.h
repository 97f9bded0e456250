#pragma once

#include <QString>

#include <deque>
#include <vector>

class QWidget;

// Every modal question of the program goes through one Prompt, so tests can
// answer them. Each kind of question has a request record and one virtual;
// further dialogs (file, print, colour) are added the same way, with a real
// answer in QtPrompt and a scripted one in ScriptedPrompt.
class Prompt {
  public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Message {
        QString text;
        QString caption;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
    };

    virtual ~Prompt() = default;
    virtual Answer message(QWidget* parent, const Message& m) = 0;

    // Shorthand for a message box with an OK button.
    void inform(QWidget* parent, const QString& text, const QString& caption,
                Icon icon = Icon::None) {
        message(parent, {text, caption, Buttons::Ok, icon});
    }
};

// The process-wide prompt; a QtPrompt unless a test installed another.
Prompt& prompt();
// Installs p (not owned); nullptr restores the real dialogs.
void setPrompt(Prompt* p);

// Real dialogs.
class QtPrompt final : public Prompt {
  public:
    Answer message(QWidget* parent, const Message& m) override;
};

// Answers from a script and keeps what was asked. An unscripted question gets
// OK when it has only that button, else the default answer (Cancel unless
// set), so a test never blocks on a dialog.
class ScriptedPrompt final : public Prompt {
  public:
    Answer message(QWidget* parent, const Message& m) override;

    void answerNext(Answer a) { answers_.push_back(a); }
    void setDefaultAnswer(Answer a) { defaultAnswer_ = a; }

    const std::vector<Message>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

  private:
    std::deque<Answer> answers_;
    Answer defaultAnswer_ = Answer::Cancel;
    std::vector<Message> messages_;
};

// Installs a prompt for the lifetime of a scope.
class ScopedPrompt {
  public:
    explicit ScopedPrompt(Prompt& p) { setPrompt(&p); }
    ~ScopedPrompt() { setPrompt(nullptr); }
    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;
};
