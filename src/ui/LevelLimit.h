#pragma once

#include <QObject>

#include <optional>

class QWidget;

// The exceedance limit the program runs with: read from the colour file once,
// changed by the user's command, and announced to every graph and statistics
// box, so the main view and the DATALOGGER window always agree.
class LevelLimit : public QObject {
    Q_OBJECT
  public:
    std::optional<double> value() const { return value_; }
    // Stores the limit in the colour file and announces it; false when the
    // file could not be written (the limit applies all the same), which is
    // then reported to the user over reportTo when one is given.
    bool set(std::optional<double> limit, QWidget* reportTo = nullptr);
    // Asks for a level through the prompt and sets it; nothing on cancel.
    void ask(QWidget* parent);

  signals:
    void changed(std::optional<double> limit);

  private:
    friend LevelLimit& levelLimit();
    LevelLimit();
    std::optional<double> value_;
};

// The process-wide limit.
LevelLimit& levelLimit();
