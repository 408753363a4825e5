#pragma once

// Drives the real wizard window the way a user does, against the real local Lumora server and
// the real office. Messages and the program's end are recorded instead of blocking or exiting;
// yes/no questions are answered yes. The widgets are found by their object names.
#include "lecture/LectureRecord.h"
#include "pipeline/ModuleSlideFerry.h"
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "platform/ftp/TransferControl.h"
#include "server/ModuleFtp.h"
#include "support/LumoraServer.h"
#include "support/NamedChild.h"
#include "support/TestEnv.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/AdvancedPage.h"
#include "wizard/DirectoryList.h"
#include "wizard/FileList.h"
#include "wizard/FrmMain.h"
#include "wizard/LectureInfoPage.h"
#include "wizard/LumoraInfoPage.h"
#include "wizard/PowerPointFilePage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

// What the wizard keeps to itself and no widget shows: the modules it drives, whether the
// lecture's slides are to be added to an existing lecture, and whether the next Next on the
// Lumora Info page tests the connection again. FrmMain and LumoraInfoPage let this class read
// them (and set the last); it is the tests' only way behind the windows.
class WizardProbe {
public:
    static ModuleSlideFerry& slideFerry(FrmMain& w) { return w.session_.moduleSlideFerry(); }
    static ModuleFtp& ftp(FrmMain& w) { return w.session_.moduleFTP(); }
    static TransferControl& transfer(FrmMain& w) { return w.session_.inet1(); }
    static bool appendSlides(const FrmMain& w) { return w.session_.appendsSlides(); }
    static bool serverChanged(const LumoraInfoPage& p) { return p.serverChanged_; }
    static void setServerChanged(LumoraInfoPage& p, bool changed) { p.serverChanged_ = changed; }
};

// The object names of the wizard's pages, in the order Next shows them.
inline const QStringList wizardPages{"startPage",       "lumoraInfoPage", "powerPointFilePage",
                                     "lectureInfoPage", "advancedPage",   "finishPage"};

// The number of the page the wizard shows (its frame is the one not hidden), -1 when it shows
// none or several. It holds while the window itself is hidden, as it is during a transfer.
inline int shownPage(const QWidget& wizard) {
    QList<int> shown;
    for (int i = 0; i < static_cast<int>(wizardPages.size()); ++i) {
        if (!testUi::named<QWidget>(&wizard, wizardPages[i])->isHidden())
            shown << i;
    }
    return shown.size() == 1 ? shown.first() : -1;
}

// The image size the Advanced page gives the lecture: the named size, or the custom one typed.
inline QSize chosenImageSize(const QWidget& wizard) {
    LectureRecord r;
    testUi::named<AdvancedPage>(&wizard, "advancedPage")->fillLecture(r);
    return {r.width, r.height};
}

struct WizardRun {
    QStringList messages;
    int ends = 0;
    std::unique_ptr<FrmMain> w;

    WizardRun() {
        messages::setSink([this](const QString& text, const QString&) { messages << text; });
        messages::setQuestionSink([](const QString&, const QString&) { return true; });
        programEnd::setHandler([this] { ++ends; });
        w = std::make_unique<FrmMain>();
        w->show();
    }
    ~WizardRun() {
        w.reset();
        programEnd::setHandler({});
        messages::setSink({});
        messages::setQuestionSink({});
    }

    // The wizard's widget of that object name.
    template <typename T> T* named(const QString& name) const {
        return testUi::named<T>(w.get(), name);
    }
    int page() const { return shownPage(*w); }

    void next() { QTest::mouseClick(named<QPushButton>("buttonNext"), Qt::LeftButton); }
    void back() { QTest::mouseClick(named<QPushButton>("buttonBack"), Qt::LeftButton); }
    void finish() { QTest::mouseClick(named<QPushButton>("Finish"), Qt::LeftButton); }
    QString shown() const { return messages.join(QStringLiteral(" | ")); }

    // From Start, with the Lumora account id/password, to the Lecture Info page of presentation
    // `name` of the remembered talks folder; true when it is shown.
    bool walkToLectureInfo(const QString& id, const QString& password, const TestFtpServer& server,
                           const QString& name) {
        next();
        typeAccounts(id, password, server);
        next();
        if (!chooseFile(name))
            return false;
        next();
        return page() == 3;
    }

    void typeAccounts(const QString& id, const QString& password, const TestFtpServer& server) {
        named<QLineEdit>("ID")->setText(id);
        named<QLineEdit>("Password")->setText(password);
        named<QLineEdit>("CVID")->setText(server.user());
        named<QLineEdit>("CVPassword")->setText(server.password());
    }

    // Selects the presentation by name in the file list, as a click would.
    bool chooseFile(const QString& name) {
        auto* files = named<FileList>("fileList");
        const auto items = files->findItems(name, Qt::MatchExactly);
        if (items.isEmpty())
            return false;
        files->setCurrentItem(items.first());
        return named<PowerPointFilePage>("powerPointFilePage")->fileChosen();
    }

    void setDate(const QString& month, const QString& day, const QString& year) {
        named<QComboBox>("comboMonth")->setCurrentText(month);
        named<QComboBox>("comboDay")->setCurrentText(day);
        named<QComboBox>("comboYear")->setCurrentText(year);
    }

    // Answers the next lecture-exists dialog with the option (or -1: Done with none selected),
    // as soon as the dialog shows.
    void answerLectureExists(int option) {
        auto* poll = new QTimer(w.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, option] {
            // The dialog is made the first time a lecture exists.
            auto* d = w->findChild<FrmFTPError*>(QStringLiteral("frmFTPError"));
            if (d == nullptr || !d->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            if (option >= 0)
                testUi::named<QRadioButton>(d, QStringLiteral("ErrorOption_%1").arg(option))
                    ->setChecked(true);
            QTest::mouseClick(testUi::named<QPushButton>(d, "Done"), Qt::LeftButton);
        });
        poll->start(10);
    }

    QListWidget* progressList() {
        return testUi::named<QListWidget>(&w->frmProgress(), "Progress");
    }
    // Runs `action` once, right after the progress list shows `line` (the step it announces has
    // not started yet).
    void onProgressLine(const QString& line, const std::function<void()>& action) {
        QListWidget* list = progressList();
        auto done = std::make_shared<bool>(false);
        QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                         [list, line, action, done](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last && !*done; ++row)
                                 if (list->item(row)->text() == line) {
                                     *done = true;
                                     action();
                                 }
                         });
    }
    QStringList progressLines() {
        QStringList lines;
        for (int i = 0; i < progressList()->count(); ++i)
            lines << progressList()->item(i)->text();
        return lines;
    }
    // After a transfer that failed or was stopped, the progress window offers the way back to
    // the wizard and Quit: true when it does and nothing ended before, with Quit then pressed.
    bool quitAfterTransfer() {
        auto* quit = testUi::named<QPushButton>(&w->frmProgress(), "Quit");
        if (ends != 0 || !quit->isVisible() ||
            !testUi::named<QPushButton>(&w->frmProgress(), "BackToWizard")->isVisible())
            return false;
        QTest::mouseClick(quit, Qt::LeftButton);
        return true;
    }
    bool completed() {
        return progressLines().value(progressLines().size() - 1) == "Slide-Ferry complete";
    }
};

inline void writeSetting(const QString& key, const QString& value) {
    settingsStore::write(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"), key, value);
}
inline QString readSetting(const QString& key, const QString& otherwise = {}) {
    return settingsStore::read(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"), key,
                               otherwise);
}

// The set-up the wizard suites share: the real wizard on its way to a lecture of cs101fall26 on
// 5 March 2026 against a real local server (account ann/pw123), with settings, talks and
// working folders of its own. Every run points the working directory at `work` from the start:
// a run that ends before the Advanced page (which loads the remembered one) cleans up there, not
// in the system's temporary directory that other test processes may be using.
class LectureWizard {
public:
    QTemporaryDir settings, talks, work;
    std::unique_ptr<TestFtpServer> server;
    QStringList classes{QStringLiteral("cs101fall26")}; // what reset() leaves on the server

    // Copies the presentations (names in the test data, or paths) into the talks folder and
    // starts the server, a LumoraServer unless another is given.
    bool start(const QStringList& presentations,
               std::unique_ptr<TestFtpServer> s = std::make_unique<LumoraServer>()) {
        settingsStore::useDirectory(settings.path());
        for (const QString& p : presentations) {
            const QString source = p.contains('/') ? p : testEnv::presentationsDir() + "/" + p;
            if (!QFile::copy(source, talks.filePath(QFileInfo(p).fileName())))
                return false;
        }
        server = std::move(s);
        return server->start() && reset();
    }
    // Before a run: nothing remembered but the server, talks folder and working directory, and
    // a running server holding only `classes` and the account file.
    bool reset() {
        QFile::remove(settings.filePath("Slide-Ferry.ini"));
        if (!server->isRunning() && !server->restart())
            return false;
        writeSetting("System", server->server());
        writeSetting("Directory", talks.path());
        writeSetting("ExportPath", work.path());
        bool ok = QDir(server->lumoraDir() + "/classes").removeRecursively() &&
                  server->writeFile("lumora/admin/passwd", "ann:pw123:Ann\n");
        for (const QString& c : classes)
            ok = ok && server->makeDir("lumora/classes/" + c);
        return ok;
    }

    // From Start to the filled-in Lumora Info page.
    void toAccounts(WizardRun& r) {
        r.named<QLineEdit>("ExportPath")->setText(work.path());
        r.next();
        r.typeAccounts("ann", "pw123", *server);
    }
    bool toFilePage(WizardRun& r) {
        toAccounts(r);
        r.next();
        return r.page() == 2;
    }
    // On to the lecture page with the presentation `name` (onFilePage runs when the file page
    // shows), the class and date chosen.
    bool toLecturePage(WizardRun& r, const QString& name,
                       const std::function<void()>& onFilePage = {}) {
        if (r.page() < 1)
            toAccounts(r);
        r.next();
        if (r.page() != 2)
            return false;
        if (onFilePage)
            onFilePage();
        if (!r.chooseFile(name))
            return false;
        r.next();
        auto* classList = r.named<QComboBox>("Classes");
        if (r.page() != 3 || classList->findText("cs101fall26") < 0)
            return false;
        classList->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        r.named<QLineEdit>("Session")->setText("1");
        return true;
    }
    // On to the Advanced page of session 1, which takes the remembered working directory.
    bool toAdvancedPage(WizardRun& r, const QString& name,
                        const std::function<void()>& onFilePage = {}) {
        if (!toLecturePage(r, name, onFilePage))
            return false;
        r.next();
        return r.page() == 4 && r.named<QLineEdit>("ExportPath")->text() == work.path() &&
               r.named<QPushButton>("Finish")->isEnabled();
    }

    QStringList lectures() const {
        return QDir(server->lumoraDir() + "/classes/cs101fall26")
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    // The working files of a transfer left in `work`: none once a run has ended.
    QStringList workingFilesLeft() const {
        return QDir(work.path())
            .entryList({"Slide*", "blank.*", "extract*", "description", ".slide-ferry*"},
                       QDir::Files | QDir::Hidden);
    }
    // The files of lecture session 1 on the server.
    QStringList lectureFiles(const QString& session = QStringLiteral("1")) const {
        return QDir(server->lumoraDir() + "/classes/cs101fall26/Mar.5.2026." + session)
            .entryList(QDir::Files, QDir::Name);
    }
};
