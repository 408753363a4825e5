// The PowerPoint File page against the real server and office: it lists every kind of
// presentation the program takes (and says which), and a path typed into its field chooses the
// file, or opens the folder, as choosing it in the lists would.
#include "WizardRun.h"

#include "wizard/DirectoryList.h"
#include "wizard/FileList.h"
#include "wizard/PowerPointFilePage.h"

#include <QLabel>
#include <QLineEdit>

class TestWizardFilePage : public QObject {
    Q_OBJECT
    LectureWizard fx_;

private slots:
    void initTestCase() { QVERIFY(fx_.start({"basic_test_ppt_file.ppt"})); }
    void init() { QVERIFY(fx_.reset()); }

    // Presentations, shows and templates of both PowerPoint generations and the office's own
    // format, in any case; no other file, and no name that only contains an extension.
    void everyPresentationKindIsListed() {
        for (const auto& [name, listed] : {std::pair("talk.PPT", true),
                                           {"talk.pptx", true},
                                           {"show.pps", true},
                                           {"show.PPSX", true},
                                           {"template.pot", true},
                                           {"template.potx", true},
                                           {"deck.odp", true},
                                           {"macros.pptm", false},
                                           {"talk.ppt.bak", false},
                                           {"notes.txt", false},
                                           {"ppt", false},
                                           {".odp", false}})
            QVERIFY2(FileList::matchesPattern(name) == listed, name);

        WizardRun r;
        QVERIFY(fx_.toFilePage(r));
        const QString label = r.named<FileList>("fileList")->accessibleName();
        QVERIFY(!label.isEmpty());
        bool named = false;
        for (QLabel* l : r.w->findChildren<QLabel*>())
            named = named || l->text().contains(".ppt, .pptx, .pps, .ppsx, .pot, .potx, .odp");
        QVERIFY2(named, "the list's label names the kinds it lists");
    }

    // A file's path typed into the field (and confirmed) chooses it in its folder; a folder's
    // path opens the folder; a choice in the list shows its path in the field.
    void typedPathChoosesTheFile() {
        QTemporaryDir other;
        for (const char* name : {"Second Talk.odp", "notes.txt"})
            QVERIFY(
                QFile::copy(fx_.talks.filePath("basic_test_ppt_file.ppt"), other.filePath(name)));
        const QString folder = QDir(other.path()).canonicalPath();
        WizardRun r;
        QVERIFY(fx_.toFilePage(r));
        auto* path = r.named<QLineEdit>("filePath");
        auto* dirs = r.named<DirectoryList>("dirList");
        auto* files = r.named<FileList>("fileList");
        auto* page = r.named<PowerPointFilePage>("powerPointFilePage");

        path->setText(folder);
        emit path->editingFinished();
        QCOMPARE(dirs->path(), folder);
        QVERIFY(!page->fileChosen());
        QCOMPARE(files->count(), 1);

        path->setText(other.filePath("Second Talk.odp"));
        emit path->editingFinished();
        QCOMPARE(files->fileName(), QString("Second Talk.odp"));
        QVERIFY(page->fileChosen() && r.named<QPushButton>("buttonNext")->isEnabled());

        path->setText(other.filePath("notes.txt")); // not a presentation: nothing is chosen
        emit path->editingFinished();
        QVERIFY(!page->fileChosen());

        path->clear();
        files->setCurrentRow(0);
        QCOMPARE(QDir::fromNativeSeparators(path->text()), folder + "/Second Talk.odp");
        r.next();
        QCOMPARE(r.page(), 3);
        QCOMPARE(r.messages, QStringList());
    }
};

QTEST_MAIN(TestWizardFilePage)
#include "test_wizard_file_page.moc"
