// The survey window on a meter's survey in a real PostgreSQL archive, opened
// from the main window's menu as a user would.

#include "PgServer.h"
#include "ToolRunner.h"
#include "app/MainFrame.h"
#include "pgarchive/PgArchive.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QAction>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace {

// Two hours at one reading a second, louder in the second, and a mark.
void fillSurvey(const PgSettings& settings) {
    PgArchive archive(settings);
    std::string error;
    ASSERT_TRUE(archive.connect(error)) << error;
    for (int hour : {2, 3}) {
        std::string text = "Kovra Sound Level Meter SamplingRate:1;\r\n";
        for (int s = 0; s < 3600; ++s) {
            char line[64];
            std::snprintf(line, sizeof line, "9-12-2026,%d:%02d:%02d, %d.%d, dBA\r\n", hour, s / 60,
                          s % 60, (hour == 2 ? 45 : 58) + s % 11, s % 10);
            text += line;
        }
        char name[64];
        std::snprintf(name, sizeof name, "survey-2026-12-09T%02d.txt", hour);
        archive.receive("north", "m1", {name, 0, text});
    }
    archive.receive("north", "m1",
                    {"markers.csv", 0,
                     "start,end,kind,label,note\r\n"
                     "2026-12-09T02:10:00+00:00,2026-12-09T02:20:00+00:00,exclude,truck,\r\n"});
    ASSERT_TRUE(archive.commit(error)) << error;
}

// libpq's password file, for the window and vrel-cli alike.
void usePassword(const std::string& password) {
    const std::string path =
        writeTempFile("pgpass-" + std::to_string(std::hash<std::string>{}(password)),
                      "*:" + std::to_string(pgServer().port()) + ":*:vrel:" + password + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    qputenv("PGPASSFILE", QByteArray::fromStdString(path));
}

std::map<std::string, std::string> cliStats(const std::string& url) {
    QProcess p;
    p.start(QStringLiteral(VREL_CLI), {QStringLiteral("stats"), QString::fromStdString(url)});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::map<std::string, std::string> values;
    std::istringstream lines(p.readAllStandardOutput().toStdString());
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, value;
        if (fields >> name >> value)
            values.emplace(name, value);
    }
    return values;
}

// Answers the menu's question with url and gives the window it opened.
CSurveyWnd* openFromMenu(CMainFrame& frame, ScriptedPrompt& answers, const std::string& url) {
    auto* command = frame.findChild<QAction*>(QStringLiteral("openDatabase"));
    EXPECT_NE(command, nullptr);
    if (!command)
        return nullptr;
    answers.textNext(QString::fromStdString(url));
    command->trigger();
    const auto windows = frame.findChildren<CSurveyWnd*>();
    return windows.isEmpty() ? nullptr : windows.back();
}

} // namespace

TEST(DatabaseSurveyWindow, OpensFromTheMenuWithTheCompanionsFiguresAndSaysAWrongPassword) {
    ASSERT_TRUE(pgServer().ready()) << pgServer().log();
    const std::string db = pgServer().newDatabase("survey_window");
    fillSurvey({db, pgServer().passwordFile().string()});
    const std::string url = db + "?site=north&meter=m1";
    usePassword(PgServer::password);

    ScriptedPrompt answers;
    ScopedPrompt scoped(answers);
    CMainFrame frame;
    CSurveyWnd* w = openFromMenu(frame, answers, url);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->loaded(); }, 30000))
        << w->statusLabel()->text().toStdString();
    for (const Prompt::Message& m : answers.messages())
        ADD_FAILURE() << m.text.toStdString();
    EXPECT_EQ(w->series().size(), 7200u);
    EXPECT_EQ(w->marks().marks().size(), 1u);
    EXPECT_TRUE(w->statusLabel()->text().contains(QStringLiteral("salt okunur")));
    EXPECT_FALSE(w->findChild<QPushButton*>(QStringLiteral("mark"))->isEnabled());

    // The figures leave out the marked span, as vrel-cli stats does.
    const auto cli = cliStats(url);
    QTableWidget* f = w->figuresTable();
    int compared = 0;
    for (int r = 0; r < f->rowCount(); ++r) {
        const std::string name = f->item(r, 0)->text().toStdString();
        if (!cli.count(name) || (name != "Leq" && name != "Lmax" && name != "Lmin" &&
                                 name != "L10" && name != "L50" && name != "L90"))
            continue;
        ++compared;
        EXPECT_NEAR(f->item(r, CSurveyWnd::WholeSurvey + 1)->text().toDouble(),
                    std::stod(cli.at(name)), 0.051)
            << name;
    }
    EXPECT_EQ(compared, 6);
    const std::filesystem::path shot = std::filesystem::path(VREL_TEST_TMP) / "database-survey.png";
    w->showNormal();
    w->resize(1200, 800);
    QTest::qWait(100);
    EXPECT_TRUE(w->grab().save(QString::fromStdString(shot.string())));
    w->close();

    // The next question offers the last address.
    answers.clear();
    usePassword("not it");
    CSurveyWnd* refused = openFromMenu(frame, answers, url);
    ASSERT_NE(refused, nullptr);
    ASSERT_NE(refused, w);
    EXPECT_EQ(answers.textRequests().back().value.toStdString(), url);
    ASSERT_TRUE(QTest::qWaitFor([&answers] { return !answers.messages().empty(); }, 30000));
    EXPECT_FALSE(refused->loaded());
    EXPECT_TRUE(answers.messages()[0].text.contains(
        QStringLiteral("password authentication failed for user \"vrel\"")))
        << answers.messages()[0].text.toStdString();
    refused->close();
}
