#include "app/MainForm.h"

#include "ui/AcousticGroup.h"

#include <QCoreApplication>

namespace {
// The texts of the main view's form and the DATALOGGER window's, which share
// most of them. "DataNo.", "Sec" and "dB" are the same in both languages.
struct CurveForm {
    Q_DECLARE_TR_FUNCTIONS(CurveForm)
};
} // namespace

FormSpec mainFormSpec() {
    using K = ControlSpec::Kind;
    const QString at = QStringLiteral("@");
    FormSpec f;
    f.fontFamily = QStringLiteral("Arial");
    f.pointSize = 9;
    f.width = 545;
    f.height = 365;
    f.controls = {
        // frames first, so the controls inside are drawn over them
        {1058, K::GroupBox, CurveForm::tr("Gerçek zaman eğrisi"), 133, 8, 402, 350},
        {0, K::GroupBox, CurveForm::tr("Gösterge"), 411, 39, 111, 46},
        {1061, K::GroupBox, CurveForm::tr("İmleç"), 146, 87, 375, 59},
        // Why the meter ended the recording, on the curve box's title line.
        {1062, K::Label, {}, 212, 7, 330, 10},

        {1049, K::Custom, QStringLiteral("Durdur"), 21, 292, 49, 20},
        {1050, K::Custom, QStringLiteral("FastSlow"), 21, 316, 49, 20},
        {1051, K::Custom, QStringLiteral("MaxMin"), 21, 338, 49, 20},
        {1052, K::Custom, QStringLiteral("AC"), 73, 292, 49, 20},
        {1053, K::Custom, QStringLiteral("Level"), 73, 316, 49, 20},
        {1054, K::Custom, QStringLiteral("REC"), 73, 338, 49, 20},

        {1000, K::Button, CurveForm::tr("Yakınlaştırma geri"), 149, 19, 67, 21},
        {1059, K::Button, CurveForm::tr("Eğri"), 411, 18, 50, 19},
        {1060, K::Button, CurveForm::tr("Tablo"), 470, 18, 50, 19},

        {0, K::Label, QStringLiteral("DataNo."), 316, 31, 37, 8},
        {1009, K::Edit, {}, 355, 28, 39, 14},
        {0, K::Label, CurveForm::tr("Başlatma saati"), 150, 46, 64, 8},
        {1001, K::Edit, {}, 217, 43, 87, 14},
        {0, K::Label, CurveForm::tr("MİN"), 150, 61, 16, 8},
        {1008, K::Edit, {}, 167, 58, 39, 14},
        {0, K::Label, at, 209, 61, 7, 8},
        {1006, K::Edit, {}, 217, 58, 87, 14},
        {0, K::Label, CurveForm::tr("MAKS"), 145, 76, 21, 8},
        {1002, K::Edit, {}, 167, 73, 39, 14},
        {0, K::Label, at, 209, 76, 7, 8},
        {1003, K::Edit, {}, 217, 73, 87, 14},
        {0, K::Label, CurveForm::tr("Tarama frekansı"), 308, 50, 46, 18},
        {1007, K::DropList, {}, 355, 53, 38, 85},
        {0, K::Label, QStringLiteral("Sec"), 396, 55, 14, 8},
        {0, K::Label, CurveForm::tr("Ortalama"), 316, 74, 37, 8},
        {1005, K::Edit, {}, 355, 71, 39, 14},
        {0, K::Label, QStringLiteral("dB"), 397, 74, 12, 8},

        {0, K::Label, CurveForm::tr("Değer:"), 416, 56, 24, 8},
        {1033, K::Label, {}, 441, 56, 77, 8},
        {0, K::Label, CurveForm::tr("Zaman:"), 416, 71, 24, 8},
        {1034, K::Label, {}, 441, 71, 76, 8},

        {1030, K::Label, CurveForm::tr("İmleç A"), 152, 98, 36, 8},
        {1004, K::Edit, {}, 190, 95, 39, 14},
        {0, K::Label, at, 233, 98, 7, 8},
        {1011, K::Edit, {}, 242, 95, 91, 14},
        {1031, K::Label, CurveForm::tr("İmleç B"), 339, 98, 34, 8},
        {1023, K::Edit, {}, 375, 95, 39, 14},
        {0, K::Label, at, 418, 98, 7, 8},
        {1024, K::Edit, {}, 427, 95, 83, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki MAKS"), 152, 116, 82, 8},
        {1025, K::Edit, {}, 236, 113, 39, 14},
        {0, K::Label, at, 279, 116, 7, 8},
        {1026, K::Edit, {}, 288, 113, 86, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki MİN"), 152, 131, 82, 8},
        {1027, K::Edit, {}, 236, 128, 39, 14},
        {0, K::Label, at, 279, 131, 7, 8},
        {1028, K::Edit, {}, 288, 128, 86, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki ortalama"), 377, 115, 99, 8},
        {1029, K::Edit, {}, 477, 112, 34, 14},
        {0, K::Label, CurveForm::tr("A ve B arasındaki adet"), 377, 130, 99, 8},
        {1032, K::Edit, {}, 477, 127, 33, 14},

        {1010, K::Custom, {}, 145, 151, 370, 187},
        {1037, K::ListView, {}, 145, 151, 369, 186, false},
        {1038, K::HScrollBar, {}, 144, 340, 373, 11},
        {1039, K::VScrollBar, {}, 516, 148, 12, 187},
    };
    // A strip under the cursor box; the curve area moves down below it.
    AcousticGroup::append(f, 146, 148, AcousticGroup::Shape::Flat);
    return f;
}
