#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QPrinter;
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

    // A file dialog. Filters are in Qt's syntax ("Data File (*.txt)"); the
    // overwrite question of a save dialog is the dialog's own. Folder asks
    // for a folder (filters unused), one that may be made in the dialog or
    // typed in new (see acceptFolder).
    struct FileRequest {
        enum class Mode { Open, Save, Folder };
        Mode mode = Mode::Open;
        QString caption;
        QString initialName;   // a name or a path
        QString defaultSuffix; // added when the user types a name without one
        QStringList filters;
    };
    // A number typed into a small dialog.
    struct NumberRequest {
        QString caption;
        QString label;
        double value = 0;
        double minimum = 0;
        double maximum = 0;
        int decimals = 1;
    };
    // A line of text typed into a small dialog.
    struct TextRequest {
        QString caption;
        QString label;
        QString value;
    };
    // The report's title block and the settings of its figures.
    struct ReportRequest {
        QString site;
        QString operatorName;
        QString meter;
        QString notes;
        double shiftHours = 0; // 0: the measured duration is the shift
        int intervalSeconds = 900;
        int dayStart = 7, eveningStart = 19, nightStart = 23;
        bool toPrinter = false; // else into a PDF file
        // What the report covers, said at the top of the dialog; not asked.
        QString scope;
    };
    // A broker to connect to. note says why it is asked again; without a
    // keyring the password is asked each time and never kept.
    // What the broker dialog shows in an empty address.
    static constexpr const char* brokerUrlPlaceholder = "mqtts://broker:8883";
    struct ConnectionRequest {
        QString url;
        QString user;
        QString password;
        QString note;
        bool keyring = false;
        QString caFile;  // trusted for mqtts://; empty: the system's authorities
        QString archive; // the folder vrel-cli collect writes; may be empty
        // The database vrel-cli collect --db writes (postgresql://USER@HOST[:PORT]/DB);
        // may be empty. A meter's survey opens from there before a folder.
        QString database;
    };
    // A survey to start on the connected meter, into folder.
    struct SurveyRequest {
        QString folder;
        bool resumes = false; // the folder holds a survey, which goes on
        double interval = 1;  // seconds between ticks
        bool dailyFiles = false;
        int summarySeconds = 900;
        // Publishing as vrel-cli survey --mqtt does, to the broker of the
        // network window's dialog; not offered while broker is empty.
        QString broker;
        bool publish = false;
        QString site;
        QString meter;
        QString password; // asked here when no keyring keeps it
        bool passwordKept = false;
        // Noise events found as the survey runs, as vrel-cli survey
        // --event-above, --event-hysteresis and --event-min find them.
        bool events = false;
        double eventAbove = 70;     // dB
        double eventHysteresis = 0; // dB
        double eventMinSeconds = 0;
        // The collectors whose archives must hold the folder (vrel-cli survey
        // --archived-by): "NAME[,NAME…]"; empty: the broker's acknowledgement.
        QString archivedBy;
    };
    // A mark on a span of a survey: its kind ("exclude", "residual", "event",
    // "note", as markers.csv names them), a label chosen from the recent ones
    // or typed, and a note. span says which span, in words.
    struct MarkRequest {
        QString span;
        QString kind = QStringLiteral("exclude");
        QString label;
        QString note;
        QStringList recentLabels;
    };
    struct FileChoice {
        QString path;        // empty when cancelled
        int filterIndex = 0; // the filter the user chose
    };

    virtual ~Prompt() = default;
    virtual Answer message(QWidget* parent, const Message& m) = 0;
    virtual FileChoice file(QWidget* parent, const FileRequest& r) = 0;
    // The print dialog (print to file disabled); false when cancelled. On true
    // the printer is set up for the job.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer) = 0;
    // The colour chooser; nothing when cancelled.
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial) = 0;
    // The number dialog; nothing when cancelled.
    virtual std::optional<double> number(QWidget* parent, const NumberRequest& r) = 0;
    // The text dialog; nothing when cancelled.
    virtual std::optional<QString> text(QWidget* parent, const TextRequest& r) = 0;
    // The report dialog, filled with initial; nothing when cancelled.
    virtual std::optional<ReportRequest> report(QWidget* parent, const ReportRequest& initial) = 0;
    // The broker dialog, filled with initial; nothing when cancelled.
    virtual std::optional<ConnectionRequest> connection(QWidget* parent,
                                                        const ConnectionRequest& initial) = 0;
    // The survey's settings, filled with initial; nothing when cancelled.
    virtual std::optional<SurveyRequest> survey(QWidget* parent, const SurveyRequest& initial) = 0;
    // The mark dialog, filled with initial; nothing when cancelled.
    virtual std::optional<MarkRequest> mark(QWidget* parent, const MarkRequest& initial) = 0;

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
    FileChoice file(QWidget* parent, const FileRequest& r) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    std::optional<double> number(QWidget* parent, const NumberRequest& r) override;
    std::optional<QString> text(QWidget* parent, const TextRequest& r) override;
    std::optional<ReportRequest> report(QWidget* parent, const ReportRequest& initial) override;
    std::optional<ConnectionRequest> connection(QWidget* parent,
                                                const ConnectionRequest& initial) override;
    std::optional<SurveyRequest> survey(QWidget* parent, const SurveyRequest& initial) override;
    std::optional<MarkRequest> mark(QWidget* parent, const MarkRequest& initial) override;
};

// Answers from a script and keeps what was asked. An unscripted question gets
// OK when it has only that button, else the default answer (Cancel unless
// set); unscripted file, print, colour, number, text, broker, survey and mark dialogs are
// cancelled; so a test never blocks on a dialog.
class ScriptedPrompt final : public Prompt {
  public:
    Answer message(QWidget* parent, const Message& m) override;
    FileChoice file(QWidget* parent, const FileRequest& r) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial) override;
    std::optional<double> number(QWidget* parent, const NumberRequest& r) override;
    std::optional<QString> text(QWidget* parent, const TextRequest& r) override;
    std::optional<ReportRequest> report(QWidget* parent, const ReportRequest& initial) override;
    std::optional<ConnectionRequest> connection(QWidget* parent,
                                                const ConnectionRequest& initial) override;
    std::optional<SurveyRequest> survey(QWidget* parent, const SurveyRequest& initial) override;
    std::optional<MarkRequest> mark(QWidget* parent, const MarkRequest& initial) override;

    // From now on an unscripted question is accepted as it comes, as a user
    // pressing Enter: the affirmative button, the dialog's own values (an
    // empty broker address filled with its placeholder), a file or folder
    // named as offered inside folder, printing into a PDF there. Empty: back
    // to cancelling.
    void acceptDefaultsIn(const QString& folder) { acceptIn_ = folder; }
    void answerNext(Answer a) { answers_.push_back(a); }
    void setDefaultAnswer(Answer a) { defaultAnswer_ = a; }
    void fileNext(const QString& path, int filterIndex = 0) {
        files_.push_back({path, filterIndex});
    }
    // The next print dialog is accepted and prints into this PDF file.
    void printToPdfNext(const QString& pdfPath) { printers_.push_back(pdfPath); }
    void colorNext(std::optional<QColor> c) { colors_.push_back(c); }
    void numberNext(std::optional<double> v) { numbers_.push_back(v); }
    // The next text dialog is accepted with v, or cancelled when v is none.
    void textNext(std::optional<QString> v) {
        texts_.push_back({v.has_value(), v.value_or(QString())});
    }
    // The next report dialog is accepted with r.
    void reportNext(const ReportRequest& r) { reports_.push_back(r); }
    // The next mark dialog is accepted with r.
    void markNext(const MarkRequest& r) { marks_.push_back(r); }
    // The next broker dialog is accepted with c.
    void connectionNext(const ConnectionRequest& c) { connections_.push_back(c); }
    // The next survey dialog is accepted with its settings changed by f.
    void surveyNext(std::function<void(SurveyRequest&)> f) { surveys_.push_back(std::move(f)); }
    // Called with every message box as it comes up, to see what else is on
    // screen at that moment.
    void onMessage(std::function<void(const Message&)> f) { onMessage_ = std::move(f); }

    const std::vector<Message>& messages() const { return messages_; }
    const std::vector<FileRequest>& fileRequests() const { return fileRequests_; }
    int printDialogs() const { return printDialogs_; }
    int colorDialogs() const { return colorDialogs_; }
    // The colour each chooser started from, in order.
    const std::vector<QColor>& colorStarts() const { return colorStarts_; }
    const std::vector<NumberRequest>& numberRequests() const { return numberRequests_; }
    const std::vector<TextRequest>& textRequests() const { return textRequests_; }
    const std::vector<ReportRequest>& reportRequests() const { return reportRequests_; }
    const std::vector<MarkRequest>& markRequests() const { return markRequests_; }
    const std::vector<ConnectionRequest>& connectionRequests() const { return connectionRequests_; }
    const std::vector<SurveyRequest>& surveyRequests() const { return surveyRequests_; }
    void clear() { messages_.clear(); }

  private:
    QString offeredPath(const FileRequest& r) const;

    QString acceptIn_;
    std::deque<Answer> answers_;
    Answer defaultAnswer_ = Answer::Cancel;
    std::vector<Message> messages_;
    std::deque<FileChoice> files_;
    std::vector<FileRequest> fileRequests_;
    std::deque<QString> printers_;
    int printDialogs_ = 0;
    std::deque<std::optional<QColor>> colors_;
    int colorDialogs_ = 0;
    std::vector<QColor> colorStarts_;
    std::function<void(const Message&)> onMessage_;
    std::deque<std::optional<double>> numbers_;
    std::vector<NumberRequest> numberRequests_;
    std::deque<std::pair<bool, QString>> texts_; // accepted, with what
    std::vector<TextRequest> textRequests_;
    std::deque<ReportRequest> reports_;
    std::deque<MarkRequest> marks_;
    std::vector<MarkRequest> markRequests_;
    std::vector<ReportRequest> reportRequests_;
    std::deque<ConnectionRequest> connections_;
    std::vector<ConnectionRequest> connectionRequests_;
    std::deque<std::function<void(SurveyRequest&)>> surveys_;
    std::vector<SurveyRequest> surveyRequests_;
};

// The folder question's rule for the path the user typed: a folder that
// exists is taken; one that does not is made once a Yes/No message agrees.
// False keeps the question open: No, or the folder could not be made (said).
bool acceptFolder(QWidget* parent, const QString& path);

// The message box of a file that could not be written, with the reason.
void ReportWriteFailure(QWidget* parent, const QString& path, const std::string& reason);

// Installs a prompt for the lifetime of a scope.
class ScopedPrompt {
  public:
    explicit ScopedPrompt(Prompt& p) { setPrompt(&p); }
    ~ScopedPrompt() { setPrompt(nullptr); }
    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;
};
