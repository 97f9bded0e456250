#include "ui/FormBuilder.h"

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

FormSpec sampleForm(int pointSize) {
    using K = ControlSpec::Kind;
    FormSpec f;
    f.fontFamily = QStringLiteral("DejaVu Sans");
    f.pointSize = pointSize;
    f.width = 236;
    f.height = 160;
    f.caption = QStringLiteral("Gerçek zaman ayarları");
    f.controls = {
        {0, K::Label, QStringLiteral("Saniye"), 176, 55, 58, 8},
        {1044, K::Edit, {}, 164, 17, 40, 12},
        {1007, K::DropList, {}, 123, 52, 48, 54},
        {1048, K::Edit, {}, 119, 104, 62, 12, false},
        {1, K::DefaultButton, QStringLiteral("Başlat"), 60, 126, 41, 15},
        {2, K::Button, QStringLiteral("İptal"), 137, 125, 40, 16},
    };
    return f;
}

} // namespace

TEST(FormBuilder, PlacesControlsInDialogUnitsOfTheFormFont) {
    QDialog dialog;
    const FormSpec spec = sampleForm(10);
    const Form form = FormBuilder().build(spec, &dialog);
    const DialogBaseUnits base = FormBuilder::baseUnits(FormBuilder::formFont(spec));
    EXPECT_EQ(form.base.x, base.x);
    EXPECT_GT(base.x, 3);
    EXPECT_GT(base.y, 8);

    QWidget* edit = form.control(1044);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->objectName(), QStringLiteral("1044"));
    EXPECT_NE(qobject_cast<QLineEdit*>(edit), nullptr);
    EXPECT_EQ(edit->geometry(), QRect(duToPixelsX(164, base), duToPixelsY(17, base),
                                      duToPixelsX(40, base), duToPixelsY(12, base)));
    EXPECT_EQ(dialog.size(), QSize(duToPixelsX(236, base), duToPixelsY(160, base)));
    EXPECT_EQ(dialog.windowTitle(), spec.caption);
    EXPECT_TRUE(form.control(1048)->isHidden());

    // a drop-down list is as high as its closed box, not as its open list
    auto* combo = form.get<QComboBox>(1007);
    ASSERT_NE(combo, nullptr);
    EXPECT_LT(combo->height(), duToPixelsY(54, base));
}

TEST(FormBuilder, LargerFontsScaleTheWholeForm) {
    QDialog small, large;
    const Form a = FormBuilder().build(sampleForm(8), &small);
    const Form b = FormBuilder().build(sampleForm(16), &large);
    EXPECT_GT(b.base.x, a.base.x);
    EXPECT_GT(b.base.y, a.base.y);
    EXPECT_GT(b.control(1044)->x(), a.control(1044)->x());
    EXPECT_GT(large.width(), small.width() * 3 / 2);
}

TEST(FormBuilder, ButtonsOneAndTwoCloseTheDialog) {
    QDialog dialog;
    const Form form = FormBuilder().build(sampleForm(9), &dialog);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    form.get<QPushButton>(1)->click();
    form.get<QPushButton>(2)->click();
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_EQ(rejected.count(), 1);
    EXPECT_TRUE(form.get<QPushButton>(1)->isDefault());
}

TEST(FormBuilder, CustomControlsComeFromTheFactory) {
    QWidget parent;
    FormSpec spec = sampleForm(9);
    spec.controls.push_back({1010, ControlSpec::Kind::Custom, {}, 10, 10, 100, 50});
    FormBuilder builder;
    QWidget* made = nullptr;
    builder.setFactory([&made](const ControlSpec& c, QWidget* p) -> QWidget* {
        if (c.id != 1010)
            return nullptr;
        made = new QWidget(p);
        return made;
    });
    const Form form = builder.build(spec, &parent);
    EXPECT_EQ(form.control(1010), made);
    EXPECT_EQ(made->objectName(), QStringLiteral("1010"));
}
