#pragma once

// The real wizard on its way to a new lecture of cs101fall26 on 5 March 2026, against the real
// local Lumora server (account ann/pw123) and the real office: the set-up shared by the wizard
// runs of the fault and bad-input tests.
#include "../wizard/WizardRun.h"

#include <functional>
#include <optional>

class LectureWizard {
public:
    // Each run points the working directory at `work` from the start: a run that ends before
    // the Advanced page (which loads the remembered one) cleans up there, not in the system's
    // temporary directory that other test processes may be using.
    QTemporaryDir settings, talks, work;
    std::optional<LumoraServer> server;

    // Copies the presentations into the talks folder and starts the server.
    bool start(const QStringList& presentations, const LumoraServer::Options& options = {}) {
        settingsStore::useDirectory(settings.path());
        for (const QString& name : presentations)
            if (!QFile::copy(testEnv::presentationsDir() + "/" + name, talks.filePath(name)))
                return false;
        server.emplace(options);
        return server->start();
    }
    // Before each run: a running server holding only the empty class and the account file, and
    // remembered settings pointing at it, the talks folder and the working directory.
    bool reset() {
        if (!server->isRunning() && !server->restart())
            return false;
        writeSetting("System", server->host());
        writeSetting("Directory", talks.path());
        writeSetting("ExportPath", work.path());
        return QDir(server->lumoraDir() + "/classes").removeRecursively() &&
               server->makeDir("lumora/classes/cs101fall26") &&
               server->writeFile("lumora/admin/passwd", "ann:pw123:Ann\n");
    }

    // From Start to the filled-in Lumora Info page.
    void toAccounts(WizardRun& r) {
        r.w->ExportPath->setText(work.path());
        r.next();
        r.typeAccounts("ann", "pw123", *server);
    }
    // On to the lecture page with the presentation `name` (onFilePage runs when the file page
    // shows), the class and date chosen.
    bool toLecturePage(WizardRun& r, const QString& name,
                       const std::function<void()>& onFilePage = {}) {
        if (r.w->currentPage < 1)
            toAccounts(r);
        r.next();
        if (r.w->currentPage != 2)
            return false;
        if (onFilePage)
            onFilePage();
        if (!r.chooseFile(name))
            return false;
        r.next();
        if (r.w->currentPage != 3 || r.w->Classes->findText("cs101fall26") < 0)
            return false;
        r.w->Classes->setCurrentText("cs101fall26");
        r.setDate("Mar", "5", "2026");
        return true;
    }
    // On to the Advanced page, which takes the remembered working directory.
    bool toAdvancedPage(WizardRun& r, const QString& name,
                        const std::function<void()>& onFilePage = {}) {
        if (!toLecturePage(r, name, onFilePage))
            return false;
        r.w->Session->setText("1");
        r.next();
        return r.w->currentPage == 4 && r.w->ExportPath->text() == work.path() &&
               r.w->Finish->isEnabled();
    }
    static void finish(WizardRun& r) { QTest::mouseClick(r.w->Finish, Qt::LeftButton); }

    QStringList lectures() const {
        return QDir(server->lumoraDir() + "/classes/cs101fall26")
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
};
