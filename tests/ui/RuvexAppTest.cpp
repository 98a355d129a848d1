#include "tests/support/TestVolumes.h"
#include "tests/ui/StepTestSupport.h"
#include "ui/RuvexApp.h"

#include <QCoreApplication>
#include <QDialog>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using testing_support::VolumePath;

// Runs the start-up sequence with one step per dialog; the dialogs seen.
QStringList RunSequence(std::vector<ModalScript::Step> steps) {
    CRuvexApp& application = *CRuvexApp::Current();
    application.m_driveLetter = 0;
    ModalScript script(std::move(steps));
    EXPECT_FALSE(application.InitInstance());
    return script.seen;
}

void Accept(QWidget& dialog) { static_cast<QDialog&>(dialog).accept(); }
const QString kMode = QStringLiteral("modeDialog");
const QString kDrive = QStringLiteral("driveDialog");
const QString kProgress = QStringLiteral("progressDialog");
const QString kResults = QStringLiteral("resultsWindow");
ModalScript::Action Mode(int item) {
    return [item](QWidget& dialog) { ChooseMode(dialog, item); };
}
ModalScript::Action Drive(char16_t letter) {
    return [letter](QWidget& dialog) { ChooseDrive(dialog, letter); };
}

TEST(RuvexAppTest, SettingsLiveInTheDocumentsFolder) {
    EXPECT_EQ(CRuvexApp::Current()->m_iniFile.GetPath(), std::string(getenv("RUVEX_HOME")) + "/ruvex/config.ini");
    EXPECT_EQ(CRuvexApp::Current()->m_driveLetter, 0);
}

TEST(RuvexAppTest, QtsOwnDialogsSpeakChinese) {
    ASSERT_TRUE(CRuvexApp::Current()->HasQtTranslations()) << "qtbase_zh_CN.qm (package qt6-translations-l10n)";
    for (const char* english : {"Look in:", "Find Directory", "&Choose"}) {
        const QString text = QCoreApplication::translate("QFileDialog", english);
        EXPECT_NE(text, QString::fromUtf8(english));
        EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("[\\x{4e00}-\\x{9fff}]")))) << text.toStdString();
    }
    EXPECT_NE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

TEST(RuvexAppTest, EscapeOnTheModeDialogEndsTheProgram) {
    UseDrives({{u'D', VolumePath("ntfs-small")}});
    EXPECT_EQ(RunSequence({{kMode, PressEscape}}), QStringList{QStringLiteral("modeDialog")});
}

TEST(RuvexAppTest, EscapeOnTheDriveDialogEndsTheProgramWithoutAScan) {
    UseDrives({{u'D', VolumePath("ntfs-small")}});
    const QStringList seen = RunSequence({{kMode, Mode(0)}, {kDrive, PressEscape}});
    EXPECT_EQ(seen, (QStringList{kMode, kDrive}));
    EXPECT_EQ(CRuvexApp::Current()->m_driveLetter, 0);
}

TEST(RuvexAppTest, EscapeDuringTheScanEndsTheProgramAndNoResultsWindowOpens) {
    UseDrives({{u'X', testing_support::MakeSparseFile("sequence-blank", 8ULL << 30)}});
    const QStringList seen = RunSequence({{kMode, Mode(1)}, {kDrive, Drive(u'X')}, {kProgress, PressEscape}});
    EXPECT_EQ(seen, (QStringList{kMode, kDrive, kProgress}));
    EXPECT_EQ(CRuvexApp::Current()->m_driveLetter, u'X');
}

TEST(RuvexAppTest, AFinishedScanOpensTheResultsWindowAndTheProgramEndsWhenItCloses) {
    UseDrives({{u'D', VolumePath("ntfs-small")}, {u'F', VolumePath("fat32-small")}});
    const QStringList seen = RunSequence({{kMode, Mode(0)}, {kDrive, Drive(u'F')}, {kResults, Accept}});
    EXPECT_EQ(seen.front(), kMode);
    EXPECT_EQ(seen.back(), kResults);
    EXPECT_EQ(seen.count(kDrive), 1);
    EXPECT_EQ(CRuvexApp::Current()->m_scanContext.recoveryMode, 1);
    EXPECT_FALSE(CRuvexApp::Current()->m_scanContext.deletedFiles.empty());
}

TEST(RuvexAppTest, ADriveThatCannotBeScannedLeadsBackToTheDriveSelection) {
    MessageRecorder messages;
    UseDrives({{u'Q', "/nonexistent/disk.img"}, {u'D', VolumePath("ntfs-small")}});
    const QStringList seen = RunSequence({{kMode, Mode(0)}, {kDrive, Drive(u'Q')}, {kDrive, PressEscape}});
    EXPECT_EQ(seen.front(), QStringLiteral("modeDialog"));
    EXPECT_EQ(seen.back(), QStringLiteral("driveDialog"));
    EXPECT_EQ(seen.count(QStringLiteral("driveDialog")), 2);
    EXPECT_FALSE(seen.contains(QStringLiteral("resultsWindow")));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].contains(QStringLiteral("no such file or device")));
}

}  // namespace
