#include "app/PortDlg.h"

#include "ui/FormBuilder.h"
#include "ui/Prompt.h"

#include <QLineEdit>

CPort::CPort(QWidget* parent) : QDialog(parent) {
    using K = ControlSpec::Kind;
    FormSpec spec;
    spec.fontFamily = QStringLiteral("Arial");
    spec.pointSize = 9;
    spec.width = 170;
    spec.height = 62;
    spec.caption = QStringLiteral("Port");
    spec.controls = {
        {0, K::Label, tr("COM portu"), 12, 15, 42, 8},
        {1063, K::Edit, {}, 56, 12, 100, 14},
        {1, K::DefaultButton, QStringLiteral("OK"), 30, 38, 50, 14},
        {2, K::Button, tr("İptal"), 90, 38, 50, 14},
    };
    const Form form = FormBuilder().build(spec, this);
    edit_ = form.get<QLineEdit>(1063);
}

void CPort::setText(const QString& text) {
    edit_->setText(text);
    edit_->selectAll();
}

void CPort::accept() {
    const std::optional<PortChoice> c = parsePortChoice(edit_->text().toStdString());
    if (!c) {
        prompt().inform(this,
                        tr("0 ile %1 arasında bir tam sayı ya da portun aygıt yolunu girin.")
                            .arg(maxPortNumber),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
        edit_->setFocus();
        edit_->selectAll();
        return;
    }
    choice_ = *c;
    QDialog::accept();
}
