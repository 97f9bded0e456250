#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/PortDlg.h"
#include "app/Translation.h"
#include "live/RtSetupDlg.h"
#include "logger/DataLogDlg.h"
#include "logger/LogState.h"
#include "settings/DlgColorSet.h"
#include "ui/AcousticGroup.h"
#include "ui/FormBuilder.h"
#include "ui/ReportDlg.h"
#include "ui/SurveyDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Every window and dialog in both languages: no text wider than its control,
// no control widened over its neighbour or out of its frame; an English
// screenshot of each.

namespace {

struct Window {
    const char* name;
    std::function<std::unique_ptr<QWidget>()> make;
};

RecordList loggerRecords; // the DATALOGGER window's, outliving it

const std::vector<Window>& windows() {
    static const std::vector<Window> all{
        {"main",
         [] {
             auto frame = std::make_unique<CMainFrame>();
             frame->view()->setPortEnumerator([] { return std::vector<SSerInfo>{}; });
             frame->view()->initialUpdate();
             frame->resize(1100, 720);
             return std::unique_ptr<QWidget>(std::move(frame));
         }},
        {"datalogger", [] { return std::make_unique<CDataLogDlg>(loggerRecords); }},
        {"download", [] { return std::make_unique<CLogState>(); }},
        {"setup", [] { return std::make_unique<CRTSetup>(1000); }},
        {"colours", [] { return std::make_unique<CDlgColorSet>(); }},
        {"about", [] { return std::make_unique<CAboutDlg>(); }},
        {"port", [] { return std::make_unique<CPort>(); }},
        {"report", [] { return std::make_unique<ReportDlg>(nullptr, Prompt::ReportRequest{}); }},
        {"survey",
         [] {
             Prompt::SurveyRequest r;
             r.folder = QStringLiteral("/home/ölçüm/yol-kenarı-2026-12");
             r.resumes = true;
             r.broker = QStringLiteral("mqtts://broker.lan:8883");
             r.publish = true;
             r.site = QStringLiteral("yard");
             r.meter = QStringLiteral("gate");
             r.events = true;
             r.eventAbove = 72.5;
             r.eventHysteresis = 3;
             r.eventMinSeconds = 2;
             r.archivedBy = QStringLiteral("north,south");
             return std::make_unique<SurveyDlg>(nullptr, r);
         }},
    };
    return all;
}

bool isTextControl(const QWidget* w) {
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QLineEdit*>(w);
}

QString describe(const QWidget* w) {
    QString text;
    if (auto* l = qobject_cast<const QLabel*>(w))
        text = l->text();
    else if (auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    else if (auto* g = qobject_cast<const QGroupBox*>(w))
        text = g->title();
    else if (auto* e = qobject_cast<const QLineEdit*>(w))
        text = e->text();
    return QStringLiteral("%1 \"%2\"").arg(w->objectName(), text);
}

void checkTexts(QWidget* window, const char* language, const char* name) {
    const QList<QWidget*> all = window->findChildren<QWidget*>();
    std::vector<QWidget*> placed;
    std::vector<QGroupBox*> frames;
    for (QWidget* w : all)
        if (auto* g = qobject_cast<QGroupBox*>(w); g && g->isVisibleTo(window))
            frames.push_back(g);
    for (QWidget* w : all) {
        if (!w->isVisibleTo(window) || qobject_cast<QMenuBar*>(w->parentWidget()))
            continue;
        EXPECT_EQ(textOverflow(w), 0) << language << " " << name << ": " << qPrintable(describe(w));
        if (!isTextControl(w) || w->inherits("CMeterButton"))
            continue;
        placed.push_back(w);
        // a control reaching into a frame lies inside it
        for (QGroupBox* g : frames) {
            const QRect inside = g->contentsRect().translated(g->pos());
            if (g->parentWidget() == w->parentWidget() && inside.contains(w->pos())) {
                EXPECT_TRUE(inside.contains(w->geometry()))
                    << language << " " << name << ": " << qPrintable(describe(w)) << " leaves "
                    << qPrintable(describe(g));
            }
        }
    }
    // text controls side by side on one form never overlap
    for (std::size_t i = 0; i < placed.size(); ++i)
        for (std::size_t j = i + 1; j < placed.size(); ++j)
            if (placed[i]->parentWidget() == placed[j]->parentWidget()) {
                EXPECT_FALSE(placed[i]->geometry().intersects(placed[j]->geometry()))
                    << language << " " << name << ": " << qPrintable(describe(placed[i]))
                    << " over " << qPrintable(describe(placed[j]));
            }
}

class WindowTexts : public ::testing::TestWithParam<Language> {
  protected:
    void TearDown() override { useLanguage(Language::Turkish); }
};

} // namespace

TEST_P(WindowTexts, FitTheirControls) {
    ASSERT_TRUE(useLanguage(GetParam()));
    const char* language = languageCode(GetParam());
    auto screenshot = [&](QWidget* window, const QString& name) {
        if (GetParam() == Language::English) {
            EXPECT_TRUE(
                window->grab().save(QStringLiteral(VREL_TEST_OUT "/english-%1.png").arg(name)));
        }
    };
    for (const Window& w : windows()) {
        std::unique_ptr<QWidget> window = w.make();
        window->show();
        checkTexts(window.get(), language, w.name);
        screenshot(window.get(), QLatin1String(w.name));
        // the "Akustik" group's second page, and back
        if (QAbstractButton* page = AcousticGroup::pageButton(window.get())) {
            const std::string second = std::string(w.name) + " rules";
            page->click();
            checkTexts(window.get(), language, second.c_str());
            screenshot(window.get(), QLatin1String(w.name) + QStringLiteral("-rules"));
            page->click();
            checkTexts(window.get(), language, w.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, WindowTexts,
                         ::testing::Values(Language::Turkish, Language::English),
                         [](const auto& param) {
                             return std::string(param.param == Language::English ? "English"
                                                                                 : "Turkish");
                         });

TEST(Translation, SwitchesTheTextsOfWindowsBuiltLater) {
    ASSERT_TRUE(useLanguage(Language::English));
    EXPECT_EQ(CAboutDlg().windowTitle(), QStringLiteral("About"));
    ASSERT_TRUE(useLanguage(Language::Turkish));
    EXPECT_EQ(CAboutDlg().windowTitle(), QStringLiteral("Hakkında"));
}

TEST(Translation, EnglishMenusKeepNoTurkishOrOriginalCaptions) {
    ASSERT_TRUE(useLanguage(Language::English));
    CMainFrame frame;
    QStringList shown;
    for (QAction* top : frame.menuBar()->actions()) {
        shown << top->text();
        if (QMenu* menu = top->menu())
            for (QAction* a : menu->actions())
                if (!a->isSeparator())
                    shown << a->text();
    }
    useLanguage(Language::Turkish);
    EXPECT_TRUE(shown.contains(QStringLiteral("&Data Logger"))) << qPrintable(shown.join('|'));
    EXPECT_TRUE(shown.contains(QStringLiteral("&Stop")));
    for (const QString& caption : shown)
        EXPECT_FALSE(caption.contains(QRegularExpression(QStringLiteral("\\(&?[A-Z]\\)"))))
            << "a Turkish-style accelerator in " << qPrintable(caption);
}

TEST_P(WindowTexts, TheAcousticPageToggleIsAButton) {
    ASSERT_TRUE(useLanguage(GetParam()));
    for (const Window& w : windows()) {
        std::unique_ptr<QWidget> window = w.make();
        QAbstractButton* page = AcousticGroup::pageButton(window.get());
        if (!page)
            continue;
        window->show();
        auto* tool = qobject_cast<QToolButton*>(page);
        ASSERT_NE(tool, nullptr) << w.name;
        EXPECT_FALSE(tool->autoRaise()) << w.name << ": framed";
        EXPECT_EQ(tool->arrowType(), Qt::RightArrow) << w.name;
        EXPECT_EQ(tool->cursor().shape(), Qt::PointingHandCursor) << w.name;
        EXPECT_FALSE(tool->toolTip().isEmpty()) << w.name;
        EXPECT_TRUE(tool->focusPolicy() & Qt::TabFocus) << w.name;
        // the keyboard turns the page, and the arrow points back
        tool->setFocus();
        QTest::keyClick(tool, Qt::Key_Space);
        EXPECT_TRUE(AcousticGroup::rulesShown(window.get())) << w.name;
        EXPECT_EQ(tool->arrowType(), Qt::LeftArrow) << w.name;
        QTest::keyClick(tool, Qt::Key_Space);
        EXPECT_FALSE(AcousticGroup::rulesShown(window.get())) << w.name;
    }
}
