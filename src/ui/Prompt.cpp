#include "ui/Prompt.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

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

// Qt's folder dialog turns down a folder that does not exist yet; a new
// survey's folder is often typed in just so.
class FolderDialog final : public QFileDialog {
  public:
    FolderDialog(QWidget* parent, const QString& caption, const QString& folder)
        : QFileDialog(parent, caption, folder) {
        setFileMode(QFileDialog::Directory);
        setOption(QFileDialog::ShowDirsOnly);
    }
    void accept() override {
        const QStringList chosen = selectedFiles();
        if (!chosen.isEmpty() && !acceptFolder(this, chosen.constFirst()))
            return;
        QFileDialog::accept();
    }
};

} // namespace

bool acceptFolder(QWidget* parent, const QString& path) {
    if (path.isEmpty() || QFileInfo(path).isDir())
        return true;
    const QString caption = QCoreApplication::translate("Prompt", "Yeni klasör");
    const QString shown = QDir::toNativeSeparators(path);
    if (prompt().message(
            parent,
            {QCoreApplication::translate("Prompt", "%1 klasörü yok. Oluşturulsun mu?").arg(shown),
             caption, Prompt::Buttons::YesNo, Prompt::Icon::Question}) != Prompt::Answer::Yes)
        return false;
    if (QDir().mkpath(path))
        return true;
    prompt().inform(parent,
                    QCoreApplication::translate("Prompt", "%1 klasörü oluşturulamadı.").arg(shown),
                    caption, Prompt::Icon::Warning);
    return false;
}

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
    if (onMessage_)
        onMessage_(m);
    if (answers_.empty()) {
        if (m.buttons == Buttons::Ok || (!acceptIn_.isEmpty() && m.buttons == Buttons::OkCancel))
            return Answer::Ok;
        return acceptIn_.isEmpty() ? defaultAnswer_ : Answer::Yes;
    }
    const Answer a = answers_.front();
    answers_.pop_front();
    return a;
}

Prompt::FileChoice QtPrompt::file(QWidget* parent, const FileRequest& r) {
    if (r.mode == FileRequest::Mode::Folder) {
        FolderDialog dialog(parent, r.caption, r.initialName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return {dialog.selectedFiles().constFirst(), 0};
    }
    QFileDialog dialog(parent, r.caption);
    dialog.setAcceptMode(r.mode == FileRequest::Mode::Save ? QFileDialog::AcceptSave
                                                           : QFileDialog::AcceptOpen);
    dialog.setFileMode(r.mode == FileRequest::Mode::Save ? QFileDialog::AnyFile
                                                         : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(r.filters);
    dialog.setDefaultSuffix(r.defaultSuffix);
    if (!r.initialName.isEmpty())
        dialog.selectFile(r.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {
        dialog.selectedFiles().constFirst(),
        static_cast<int>(std::max<qsizetype>(0, r.filters.indexOf(dialog.selectedNameFilter())))};
}

bool QtPrompt::choosePrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QColor> QtPrompt::color(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<double> QtPrompt::number(QWidget* parent, const NumberRequest& r) {
    bool ok = false;
    const double v = QInputDialog::getDouble(parent, r.caption, r.label, r.value, r.minimum,
                                             r.maximum, r.decimals, &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::optional<QString> QtPrompt::text(QWidget* parent, const TextRequest& r) {
    bool ok = false;
    const QString v =
        QInputDialog::getText(parent, r.caption, r.label, QLineEdit::Normal, r.value, &ok);
    if (!ok)
        return std::nullopt;
    return v;
}

QString ScriptedPrompt::offeredPath(const FileRequest& r) const {
    QString name = QFileInfo(r.initialName).fileName();
    if (name.isEmpty())
        name = r.mode == FileRequest::Mode::Folder ? QStringLiteral("folder")
                                                   : QStringLiteral("unnamed");
    if (r.mode == FileRequest::Mode::Save && QFileInfo(name).suffix().isEmpty() &&
        !r.defaultSuffix.isEmpty())
        name += QLatin1Char('.') + r.defaultSuffix;
    return QDir(acceptIn_).filePath(name);
}

Prompt::FileChoice ScriptedPrompt::file(QWidget*, const FileRequest& r) {
    fileRequests_.push_back(r);
    if (files_.empty())
        return acceptIn_.isEmpty() ? FileChoice{} : FileChoice{offeredPath(r), 0};
    FileChoice c = files_.front();
    files_.pop_front();
    return c;
}

bool ScriptedPrompt::choosePrinter(QWidget*, QPrinter& printer) {
    ++printDialogs_;
    if (printers_.empty() && acceptIn_.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    if (printers_.empty()) {
        printer.setOutputFileName(QDir(acceptIn_).filePath(QStringLiteral("printed.pdf")));
        return true;
    }
    printer.setOutputFileName(printers_.front());
    printers_.pop_front();
    return true;
}

std::optional<QColor> ScriptedPrompt::color(QWidget*, const QColor& initial) {
    ++colorDialogs_;
    colorStarts_.push_back(initial);
    if (colors_.empty())
        return acceptIn_.isEmpty() ? std::nullopt : std::optional<QColor>(initial);
    const auto c = colors_.front();
    colors_.pop_front();
    return c;
}

std::optional<double> ScriptedPrompt::number(QWidget*, const NumberRequest& r) {
    numberRequests_.push_back(r);
    if (numbers_.empty())
        return acceptIn_.isEmpty() ? std::nullopt : std::optional<double>(r.value);
    const auto v = numbers_.front();
    numbers_.pop_front();
    return v;
}

std::optional<QString> ScriptedPrompt::text(QWidget*, const TextRequest& r) {
    textRequests_.push_back(r);
    if (texts_.empty()) {
        if (acceptIn_.isEmpty())
            return std::nullopt;
        return r.value;
    }
    const auto [accepted, value] = texts_.front();
    texts_.pop_front();
    if (!accepted)
        return std::nullopt;
    return value;
}

std::optional<Prompt::ReportRequest> ScriptedPrompt::report(QWidget*,
                                                            const ReportRequest& initial) {
    reportRequests_.push_back(initial);
    if (reports_.empty())
        return acceptIn_.isEmpty() ? std::nullopt : std::optional<ReportRequest>(initial);
    const ReportRequest r = reports_.front();
    reports_.pop_front();
    return r;
}

std::optional<Prompt::MarkRequest> ScriptedPrompt::mark(QWidget*, const MarkRequest& initial) {
    markRequests_.push_back(initial);
    if (marks_.empty())
        return acceptIn_.isEmpty() ? std::nullopt : std::optional<MarkRequest>(initial);
    const MarkRequest r = marks_.front();
    marks_.pop_front();
    return r;
}

void ReportWriteFailure(QWidget* parent, const QString& path, const std::string& reason) {
    prompt().message(
        parent, {QStringLiteral("The file %1 could not be written.\n%2")
                     .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(reason.c_str())),
                 QStringLiteral("ERROR"), Prompt::Buttons::Ok, Prompt::Icon::Warning});
}

std::optional<Prompt::ConnectionRequest>
ScriptedPrompt::connection(QWidget*, const ConnectionRequest& initial) {
    connectionRequests_.push_back(initial);
    if (connections_.empty()) {
        if (acceptIn_.isEmpty())
            return std::nullopt;
        ConnectionRequest c = initial;
        if (c.url.isEmpty())
            c.url = QString::fromLatin1(brokerUrlPlaceholder);
        return c;
    }
    const ConnectionRequest c = connections_.front();
    connections_.pop_front();
    return c;
}

std::optional<Prompt::SurveyRequest> ScriptedPrompt::survey(QWidget*,
                                                            const SurveyRequest& initial) {
    surveyRequests_.push_back(initial);
    if (surveys_.empty())
        return acceptIn_.isEmpty() ? std::nullopt : std::optional<SurveyRequest>(initial);
    SurveyRequest r = initial;
    surveys_.front()(r);
    surveys_.pop_front();
    return r;
}
