#pragma once

#include "wizard/WizardFields.h"

class FrmMain;

// The wizard window's fields seen as the lecture's values.
class FrmMainFields : public WizardFields {
public:
    explicit FrmMainFields(FrmMain& w) : w_(w) {}

    QString ftpMachine() const override;
    QString id() const override;
    QString password() const override;
    QString cvid() const override;
    QString cvPassword() const override;
    QString termText() const override;
    QString yearFilterText() const override;
    QString classText() const override;
    void clearClasses() override;
    void addClass(const QString& name) override;
    void selectClass(const QString& keep) override;
    QString title() const override;
    QString monthText() const override;
    QString dayText() const override;
    QString yearText() const override;
    QString sessionText() const override;
    void setSessionText(const QString& text) override;
    QString exportPath() const override;
    QString imageFormat() const override;
    QString firstSlideText() const override;
    QString lastSlideText() const override;
    int getWidth() const override;
    int getHeight() const override;

private:
    FrmMain& w_;
};
