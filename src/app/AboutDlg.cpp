#include "app/AboutDlg.h"

#include "ui/FormBuilder.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    using K = ControlSpec::Kind;
    FormSpec spec;
    spec.fontFamily = QStringLiteral("Arial");
    spec.pointSize = 9;
    spec.width = 235;
    spec.height = 55;
    spec.caption = tr("Hakkında");
    spec.controls = {
        {0, K::Icon, {}, 18, 14, 21, 20},
        {0, K::Label, tr("Sürüm 1.0"), 54, 13, 119, 8},
        {1, K::DefaultButton, QStringLiteral("OK"), 178, 7, 50, 16},
    };
    FormBuilder().build(spec, this);
}
