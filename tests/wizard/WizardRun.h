#pragma once

// Drives the real wizard window the way a user does, against the real local Lumora server and
// the real office. Messages and the program's end are recorded instead of blocking or exiting.
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "support/SelectedFtpServer.h"
#include "support/TestEnv.h"
#include "windows/FrmFTPError.h"
#include "windows/FrmProgress.h"
#include "windows/Messages.h"
#include "wizard/DirectoryList.h"
#include "wizard/FileList.h"
#include "wizard/FrmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

struct WizardRun {
    QStringList messages;
    QStringList questions; // yes/no questions put to the user
    bool answerYes = true; // how they are answered
    int ends = 0;
    std::unique_ptr<FrmMain> w;

    WizardRun() {
        messages::setSink([this](const QString& text, const QString&) { messages << text; });
        messages::setQuestionSink([this](const QString& text, const QString&) {
            questions << text;
            return answerYes;
        });
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

    void next() { QTest::mouseClick(w->buttonNext, Qt::LeftButton); }
    void back() { QTest::mouseClick(w->buttonBack, Qt::LeftButton); }

    void typeAccounts(const QString& id, const QString& password, const TestFtpServer& server) {
        w->ID->setText(id);
        w->Password->setText(password);
        w->CVID->setText(server.user());
        w->CVPassword->setText(server.password());
    }

    // Selects the presentation by name in the file list, as a click would.
    bool chooseFile(const QString& name) {
        const auto items = w->fileList->findItems(name, Qt::MatchExactly);
        if (items.isEmpty())
            return false;
        w->fileList->setCurrentItem(items.first());
        return w->fileChosen;
    }

    void setDate(const QString& month, const QString& day, const QString& year) {
        w->comboMonth->setCurrentText(month);
        w->comboDay->setCurrentText(day);
        w->comboYear->setCurrentText(year);
    }

    // Answers the next lecture-exists dialog with the option (or -1: Done with none selected),
    // as soon as the dialog shows.
    void answerLectureExists(int option) {
        auto* poll = new QTimer(w.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, option] {
            FrmFTPError& d = w->frmFTPError();
            if (!d.isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            if (option >= 0)
                d.option(option)->setChecked(true);
            QTest::mouseClick(d.doneButton(), Qt::LeftButton);
        });
        poll->start(10);
    }

    QStringList progressLines() {
        QStringList lines;
        QListWidget* list = w->frmProgress().progressList();
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
};

// The presentation the end-to-end runs convert: SF_E2E_PRESENTATION, or a file of the test data.
inline QString e2ePresentation() {
    const QString chosen = qEnvironmentVariable("SF_E2E_PRESENTATION");
    return chosen.isEmpty()
               ? testEnv::presentationsDir() + QStringLiteral("/basic_test_ppt_file.ppt")
               : chosen;
}

inline void writeSetting(const QString& key, const QString& value) {
    settingsStore::write(QStringLiteral("Slide-Ferry"), QStringLiteral("Settings"), key, value);
}
