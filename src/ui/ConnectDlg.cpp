#include "ui/ConnectDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QVBoxLayout>

ConnectDlg::ConnectDlg(QWidget* parent, const Prompt::ConnectionRequest& initial)
    : QDialog(parent), initial_(initial) {
    setWindowTitle(tr("Ölçüm ağına bağlan"));
    url_ = new QLineEdit(initial.url);
    url_->setPlaceholderText(QStringLiteral("mqtts://broker:8883"));
    url_->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 40);
    user_ = new QLineEdit(initial.user);
    password_ = new QLineEdit(initial.password);
    password_->setEchoMode(QLineEdit::Password);
    ca_ = new QLineEdit(initial.caFile);
    ca_->setPlaceholderText(tr("sistemin güvendiği sertifikalar"));
    archive_ = new QLineEdit(initial.archive);
    archive_->setPlaceholderText(tr("isteğe bağlı"));
    archive_->setToolTip(tr("vrel-cli collect komutunun yazdığı klasör: bir ölçerin bütün "
                            "ölçümü buradan açılır."));

    auto* form = new QFormLayout;
    form->addRow(tr("Broker adresi:"), url_);
    form->addRow(tr("Kullanıcı:"), user_);
    form->addRow(tr("Parola:"), password_);
    form->addRow(tr("CA sertifikası:"), ca_);
    form->addRow(tr("Arşiv klasörü:"), archive_);
    auto* layout = new QVBoxLayout(this);
    if (!initial.note.isEmpty()) {
        auto* note = new QLabel(initial.note);
        note->setWordWrap(true);
        QPalette red = note->palette();
        red.setColor(QPalette::WindowText, QColor(160, 24, 24));
        note->setPalette(red);
        layout->addWidget(note);
    }
    layout->addLayout(form);
    auto* kept = new QLabel(initial.keyring
                                ? tr("Parola sistemin anahtarlığında saklanır.")
                                : tr("Anahtarlık yok: parola saklanmaz, her seferinde sorulur."));
    kept->setWordWrap(true);
    layout->addWidget(kept);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

Prompt::ConnectionRequest ConnectDlg::request() const {
    Prompt::ConnectionRequest r = initial_;
    r.url = url_->text().trimmed();
    r.user = user_->text().trimmed();
    r.password = password_->text();
    r.caFile = ca_->text().trimmed();
    r.archive = archive_->text().trimmed();
    return r;
}

std::optional<Prompt::ConnectionRequest> QtPrompt::connection(QWidget* parent,
                                                              const ConnectionRequest& initial) {
    ConnectDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
