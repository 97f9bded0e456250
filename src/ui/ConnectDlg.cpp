#include "ui/ConnectDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QToolButton>
#include <QVBoxLayout>

ConnectDlg::ConnectDlg(QWidget* parent, const Prompt::ConnectionRequest& initial)
    : QDialog(parent), initial_(initial) {
    setWindowTitle(tr("Ölçüm ağına bağlan"));
    url_ = new QLineEdit(initial.url);
    url_->setPlaceholderText(QString::fromLatin1(Prompt::brokerUrlPlaceholder));
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
    database_ = new QLineEdit(initial.database);
    database_->setPlaceholderText(tr("postgresql://KULLANICI@SUNUCU/VT"));
    database_->setToolTip(tr("vrel-cli collect --db komutunun yazdığı veritabanı: bir ölçerin "
                             "bütün ölçümü arşiv klasöründen önce buradan açılır. Parola "
                             "libpq'nun parola dosyasındadır."));

    // A field with its "…" button that picks the path through the prompt.
    const auto withBrowse = [this](QLineEdit* edit, Prompt::FileRequest request) {
        auto* browse = new QToolButton;
        browse->setText(QStringLiteral("…"));
        browse->setToolTip(request.caption);
        connect(browse, &QToolButton::clicked, this, [this, edit, request]() mutable {
            request.initialName = edit->text().trimmed();
            const Prompt::FileChoice chosen = prompt().file(this, request);
            if (!chosen.path.isEmpty())
                edit->setText(QDir::toNativeSeparators(chosen.path));
        });
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(browse);
        return row;
    };
    Prompt::FileRequest caRequest;
    caRequest.caption = tr("CA sertifikasını seçin");
    caRequest.filters = {tr("Sertifika (*.pem *.crt)"), tr("Tüm dosyalar (*)")};
    Prompt::FileRequest archiveRequest;
    archiveRequest.mode = Prompt::FileRequest::Mode::Folder;
    archiveRequest.caption = tr("Arşiv klasörünü seçin");

    auto* form = new QFormLayout;
    form->addRow(tr("Broker adresi:"), url_);
    form->addRow(tr("Kullanıcı:"), user_);
    form->addRow(tr("Parola:"), password_);
    form->addRow(tr("CA sertifikası:"), withBrowse(ca_, caRequest));
    form->addRow(tr("Arşiv klasörü:"), withBrowse(archive_, archiveRequest));
    form->addRow(tr("Arşiv veritabanı:"), database_);
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
    r.database = database_->text().trimmed();
    return r;
}

std::optional<Prompt::ConnectionRequest> QtPrompt::connection(QWidget* parent,
                                                              const ConnectionRequest& initial) {
    ConnectDlg dlg(parent, initial);
    if (dlg.exec() != QDialog::Accepted)
        return std::nullopt;
    return dlg.request();
}
