// The Notes and Session Logs tabs on the real files: the notes are kept exactly as
// typed and never lost without a word; the log is shown as the sessions left it.
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTextBlock>
#include <filesystem>

#include <gtest/gtest.h>

#include "panel/NotesAndLogs.h"
#include "session/SessionLog.h"
#include "widget/PanelRig.h"

namespace quorvel::test {
namespace {

using namespace std::string_literals;

class NotesPageTest : public PanelRig {
  protected:
    std::string NotesFile() const { return panel::NotesPath(dir.file("program")); }
    QPlainTextEdit* Text1() { return Control<QPlainTextEdit>("Text1"); }
    void Save() { Control<QPushButton>("Command3")->click(); }
    // The panel closed and opened again, as the next admin sign-in opens it.
    void Reopen() {
        ClosePanel();
        Panel();
    }
};

TEST_F(NotesPageTest, TheNotesAreKeptExactlyAsTypedAndShownOnceOnReopening) {
    WriteFileBytes(NotesFile(), "A");
    EXPECT_EQ(Text1()->toPlainText(), "A");
    Text1()->moveCursor(QTextCursor::End);
    Text1()->insertPlainText("B");
    Save();
    EXPECT_EQ(ReadFileBytes(NotesFile()), "AB");
    Reopen();
    EXPECT_EQ(Text1()->toPlainText(), "AB");

    // Lines, non-ASCII text and no line break added at the end.
    const QString typed =
        QString::fromUtf8("Till float: \xE2\x82\xAC 50\nCaf\xC3\xA9 \xE6\x97\xA5\n\nend");
    Text1()->setPlainText(typed);
    Save();
    EXPECT_EQ(ReadFileBytes(NotesFile()), typed.toUtf8().toStdString());
    Reopen();
    EXPECT_EQ(Text1()->toPlainText(), typed);
    EXPECT_TRUE(boxes.shown.empty());

    // Typed and not saved: gone on reopening.
    Text1()->setPlainText("typed, not saved");
    Reopen();
    EXPECT_EQ(Text1()->toPlainText(), typed);
}

// The notes as another editor left them: opened and saved, not a byte changes.
TEST_F(NotesPageTest, OpenAndSaveLeaveTheFileAsItWas) {
    for (const std::string& notes :
         {std::string("one\r\ntwo\r\n"), std::string("one\rtwo\r"), std::string("one\ntwo"),
          std::string("lf\ncrlf\r\ncr\rcr lf\r\r\n\n"),
          "till \x80\xFE\r\ncaf\xE9\r\n\xC3\r\n\xC3\xA9\xA0 end"s,
          "nbsp\xC2\xA0tab\t\x00nul\r\n"s}) {
        WriteFileBytes(NotesFile(), notes);
        ClosePanel();
        Save();
        EXPECT_EQ(ReadFileBytes(NotesFile()), notes);
        Save();
        EXPECT_EQ(ReadFileBytes(NotesFile()), notes) << "saved twice";
    }
}

TEST_F(NotesPageTest, ASaveThatFailsIsReportedAndTheTextStaysInTheBox) {
    std::filesystem::remove_all(dir.path() / "program" / "Systemfiles");
    Text1()->setPlainText("do not lose me");
    Save();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(boxes.shown[0].text.find("not saved"), std::string::npos) << boxes.shown[0].text;
    EXPECT_EQ(boxes.shown[0].flags, ui::kMbExclamation);
    EXPECT_EQ(boxes.shown[0].title, "Quorvel (DE)");
    EXPECT_EQ(Text1()->toPlainText(), "do not lose me");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "program" / "Systemfiles"));
}

// Several megabytes, and bytes that are not text: the page loads and the panel works.
TEST_F(NotesPageTest, LargeOrGarbledFilesLoadWithoutHarm) {
    std::string garbled(4 << 20, 'x');
    for (std::size_t i = 0; i < garbled.size(); i += 97) garbled[i] = '\n';
    garbled.replace(1000, 6, std::string("\xFF\xFE\x00\xC3\x28\x80", 6));
    WriteFileBytes(NotesFile(), garbled);
    WriteFileBytes(session::SessionLogPath(dir.file("system")), garbled);
    // Read to the end, the bytes that are not text shown as replacement marks.
    const QString tail = QString::fromLatin1(garbled.substr(garbled.size() - 300));
    EXPECT_TRUE(Text1()->toPlainText().endsWith(tail));
    EXPECT_TRUE(Text1()->toPlainText().contains(QChar::ReplacementCharacter));
    EXPECT_TRUE(Control<QPlainTextEdit>("txtLogs")->toPlainText().endsWith(tail));
    Control<QTabBar>("tbrOptions")->setCurrentIndex(6);
    QApplication::processEvents();
    EXPECT_TRUE(Control<QPlainTextEdit>("txtLogs")->isVisible());
}

class SessionLogsPageTest : public PanelRig {
  protected:
    std::string LogFile() const { return session::SessionLogPath(dir.file("system")); }
    QString Shown() { return Control<QPlainTextEdit>("txtLogs")->toPlainText(); }
};

TEST_F(SessionLogsPageTest, ShowsTheLogOrNoLogsFound) {
    // No log yet, as after every start of the program: made empty, nothing to show.
    EXPECT_EQ(Shown(), "No Logs Found");
    EXPECT_TRUE(std::filesystem::exists(LogFile()));
    EXPECT_EQ(ReadFileBytes(LogFile()), "");

    // Two sessions, shown with the line breaks of the box. (What counts as no log at
    // all: SessionLogFile.BlankOrMissingShowsNoLogsFound.)
    const std::string log =
        "\r\nguest|12/5/2026 | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20"
        "\r\nguest|12/5/2026 | 11:00:00 AM | 0 : 5 : 0 | 11:05:00 AM | 5";
    WriteFileBytes(LogFile(), log);
    ClosePanel();
    const QString shown =
        "\nguest|12/5/2026 | 10:00:00 AM | 0 : 45 : 12 | 10:45:12 AM | 20"
        "\nguest|12/5/2026 | 11:00:00 AM | 0 : 5 : 0 | 11:05:00 AM | 5";
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(ReadFileBytes(LogFile()), log) << "the page never writes the log";

    // What the page shows is the log as the panel opened.
    WriteFileBytes(LogFile(), "changed later");
    Control<QTabBar>("tbrOptions")->setCurrentIndex(6);
    QApplication::processEvents();
    EXPECT_EQ(Shown(), shown);
}

}  // namespace
}  // namespace quorvel::test
