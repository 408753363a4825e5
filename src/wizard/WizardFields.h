#pragma once

#include <QString>
#include <QStringList>

// The lecture's values as the wizard window holds them. The server session and the conversion
// pipeline read (and in a few places write) the wizard's fields through this interface, so that
// they can run against the real window or against plain values in tests.
class WizardFields {
public:
    virtual ~WizardFields() = default;

    // Lumora Info page
    virtual QString ftpMachine() const = 0; // server host as typed
    virtual QString id() const = 0;         // Lumora user ID
    virtual QString password() const = 0;   // Lumora password
    virtual QString cvid() const = 0;       // Corvane (FTP) user ID
    virtual QString cvPassword() const = 0; // Corvane (FTP) password

    // Lecture Info page
    virtual QString termText() const = 0;       // class filter "All terms", "Winter", ...
    virtual QString yearFilterText() const = 0; // class filter "All years", "1999", ...
    virtual QString classText() const = 0;      // text of the Classes box
    virtual void clearClasses() = 0;
    virtual void addClass(const QString& name) = 0;
    // Selects `keep` when the list holds it, else the first class (nothing when it is empty).
    virtual void selectClass(const QString& keep) = 0;
    virtual QString title() const = 0;
    virtual QString monthText() const = 0; // "Jan".."Dec"
    virtual QString dayText() const = 0;   // "1".."31"
    virtual QString yearText() const = 0;  // four digits
    virtual QString sessionText() const = 0;
    virtual void setSessionText(const QString& text) = 0;

    // Advanced page
    virtual QString exportPath() const = 0;     // local working directory
    virtual QString imageFormat() const = 0;    // "GIF", "JPG" or typed text
    virtual QString firstSlideText() const = 0; // " 1", " 2", ...
    virtual QString lastSlideText() const = 0;
    virtual int getWidth() const = 0; // image size in pixels for the chosen resolution
    virtual int getHeight() const = 0;
};

// A plain-value implementation for code and tests that run without the wizard window.
class PlainWizardFields : public WizardFields {
public:
    QString ftpMachineV, idV, passwordV, cvidV, cvPasswordV;
    QString termV = QStringLiteral("All terms"), yearFilterV = QStringLiteral("All years");
    QStringList classes;
    QString classV, titleV, monthV = QStringLiteral("Jan"), dayV = QStringLiteral("1"),
                            yearV = QStringLiteral("2026"), sessionV = QStringLiteral("1");
    QString exportPathV, imageFormatV = QStringLiteral("GIF"), firstSlideV = QStringLiteral(" 1"),
                         lastSlideV = QStringLiteral(" 1");
    int width = 1000, height = 700;

    QString ftpMachine() const override { return ftpMachineV; }
    QString id() const override { return idV; }
    QString password() const override { return passwordV; }
    QString cvid() const override { return cvidV; }
    QString cvPassword() const override { return cvPasswordV; }
    QString termText() const override { return termV; }
    QString yearFilterText() const override { return yearFilterV; }
    QString classText() const override { return classV; }
    void clearClasses() override { classes.clear(); }
    void addClass(const QString& name) override { classes.append(name); }
    void selectClass(const QString& keep) override {
        if (classes.contains(keep))
            classV = keep;
        else if (!classes.isEmpty())
            classV = classes.first();
    }
    QString title() const override { return titleV; }
    QString monthText() const override { return monthV; }
    QString dayText() const override { return dayV; }
    QString yearText() const override { return yearV; }
    QString sessionText() const override { return sessionV; }
    void setSessionText(const QString& text) override { sessionV = text; }
    QString exportPath() const override { return exportPathV; }
    QString imageFormat() const override { return imageFormatV; }
    QString firstSlideText() const override { return firstSlideV; }
    QString lastSlideText() const override { return lastSlideV; }
    int getWidth() const override { return width; }
    int getHeight() const override { return height; }
};
