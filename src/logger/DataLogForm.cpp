#include "logger/DataLogForm.h"

#include "ui/AcousticGroup.h"

#include <QCoreApplication>

namespace {
// The templates name the dialog font of Windows; elsewhere that name falls to
// a wide face, while Arial's metric twin keeps the template's proportions.
QString dialogFont() {
#ifdef Q_OS_WIN
    return QStringLiteral("MS Shell Dlg");
#else
    return QStringLiteral("Arial");
#endif
}
} // namespace

namespace {
// The texts of the main view's form and the DATALOGGER window's, which share
// most of them. "DataNo.", "Sec" and "dB" are the same in both languages.
struct CurveForm {
    Q_DECLARE_TR_FUNCTIONS(CurveForm)
};
} // namespace

FormSpec dataLogFormSpec() {
    using K = ControlSpec::Kind;
    const QString at = QStringLiteral("@");
    FormSpec f;
    f.fontFamily = dialogFont();
    f.pointSize = 8;
    // wider than the figures and the graph by the "Akustik" group at the right
    f.width = 610 + AcousticGroup::width(AcousticGroup::Shape::Upright) + 4;
    f.height = 372;
    f.caption = QStringLiteral("DATALOGGER");
    f.controls = {
        // frames first, so the controls inside are drawn over them
        {0, K::GroupBox, CurveForm::tr("Gerçek zaman eğrisi"), 150, 7, 443, 349},
        {0, K::GroupBox, CurveForm::tr("Gösterge"), 470, 39, 115, 46},

        {1035, K::ListView, {}, 7, 7, 138, 358},

        {1000, K::Button, CurveForm::tr("Yakınlaştırma geri"), 166, 19, 67, 21},

        {0, K::Label, CurveForm::tr("Veri No."), 333, 31, 37, 8},
        {1009, K::Edit, {}, 372, 28, 39, 14},
        {0, K::Label, CurveForm::tr("Başlatma saati"), 167, 46, 64, 8},
        {1001, K::Edit, {}, 234, 43, 87, 14},
        {0, K::Label, CurveForm::tr("MİN"), 167, 61, 16, 8},
        {1008, K::Edit, {}, 184, 58, 39, 14},
        {0, K::Label, at, 226, 61, 7, 8},
        {1006, K::Edit, {}, 234, 58, 87, 14},
        {0, K::Label, CurveForm::tr("MAKS"), 162, 76, 21, 8},
        {1002, K::Edit, {}, 184, 73, 39, 14},
        {0, K::Label, at, 226, 76, 7, 8},
        {1003, K::Edit, {}, 234, 73, 87, 14},
        {0, K::Label, CurveForm::tr("Tarama frekansı"), 325, 50, 46, 18},
        {1007, K::DropList, {}, 372, 53, 38, 85},
        {0, K::Label, QStringLiteral("Sec"), 413, 55, 14, 8},
        {0, K::Label, CurveForm::tr("Ortalama"), 333, 74, 37, 8},
        {1005, K::Edit, {}, 372, 71, 39, 14},
        {0, K::Label, QStringLiteral("dB"), 414, 74, 12, 8},

        {0, K::Label, CurveForm::tr("Değer:"), 475, 56, 24, 8},
        {1033, K::Label, {}, 500, 56, 80, 8},
        {0, K::Label, CurveForm::tr("Zaman:"), 475, 71, 24, 8},
        {1034, K::Label, {}, 500, 71, 80, 8},

        {1030, K::Label, CurveForm::tr("İmleç A"), 169, 98, 36, 8},
        {1004, K::Edit, {}, 207, 95, 39, 14},
        {0, K::Label, at, 250, 98, 7, 8},
        {1011, K::Edit, {}, 259, 95, 91, 14},
        {1031, K::Label, CurveForm::tr("İmleç B"), 356, 98, 34, 8},
        {1023, K::Edit, {}, 392, 95, 39, 14},
        {0, K::Label, at, 435, 98, 7, 8},
        {1024, K::Edit, {}, 444, 95, 83, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki MAKS"), 169, 116, 82, 8},
        {1025, K::Edit, {}, 253, 113, 39, 14},
        {0, K::Label, at, 296, 116, 7, 8},
        {1026, K::Edit, {}, 305, 113, 86, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki MİN"), 169, 131, 82, 8},
        {1027, K::Edit, {}, 253, 128, 39, 14},
        {0, K::Label, at, 296, 131, 7, 8},
        {1028, K::Edit, {}, 305, 128, 86, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki ortalama"), 394, 115, 99, 8},
        {1029, K::Edit, {}, 494, 112, 34, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki adet"), 394, 130, 99, 8},
        {1032, K::Edit, {}, 494, 127, 33, 14},

        {1010, K::Custom, QStringLiteral("Button1"), 162, 151, 412, 187},
        {1038, K::HScrollBar, {}, 161, 340, 414, 11},
        {1039, K::VScrollBar, {}, 576, 148, 12, 187},
    };
    AcousticGroup::append(f, 604, 7, AcousticGroup::Shape::Upright);
    return f;
}

FormSpec logStateFormSpec() {
    using K = ControlSpec::Kind;
    FormSpec f;
    f.fontFamily = dialogFont();
    f.pointSize = 8;
    f.width = 199;
    f.height = 47;
    f.controls = {
        {0, K::Label, CurveForm::tr("Veriler okunuyor!  Lütfen bekleyin…"), 10, 8, 179, 10},
        {1057, K::Progress, {}, 10, 22, 179, 12},
        {2, K::Button, QStringLiteral("取消"), 142, 28, 50, 14, false},
    };
    return f;
}
