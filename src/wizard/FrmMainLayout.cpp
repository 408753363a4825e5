// The construction of the wizard window's widgets: the step panel, the six pages and the
// buttons, with the object names the user guide and the tests know them by.
#include "wizard/FrmMain.h"

#include "wizard/DirectoryList.h"
#include "wizard/DriveList.h"
#include "wizard/FileList.h"
#include "wizard/WizardSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kStepNames[6] = {"Start",        "Lumora Info", "PowerPoint File",
                                   "Lecture Info", "Advanced",    "Finish"};

void setBackground(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QLabel* heading(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.15);
    l->setFont(f);
    return l;
}

QFrame* newPage(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::NoFrame);
    return f;
}

// The decorative picture of the Start and Finish pages: a slide flying to a server.
QLabel* picture(QWidget* parent) {
    QPixmap pm(120, 90);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(6, 14, 62, 46);
    p.setBrush(QColor(0, 120, 215));
    p.drawRect(12, 20, 50, 8);
    p.setPen(QPen(QColor(120, 120, 120), 2));
    for (int y = 36; y <= 52; y += 8)
        p.drawLine(14, y, 58, y);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(84, 20, 28, 56);
    for (int y = 28; y <= 60; y += 10)
        p.drawLine(88, y, 108, y);
    p.setPen(QPen(QColor(0, 160, 0), 3));
    p.drawLine(70, 40, 80, 40);
    p.drawLine(76, 35, 81, 40);
    p.drawLine(76, 45, 81, 40);
    p.end();
    auto* l = new QLabel(parent);
    l->setPixmap(pm);
    return l;
}
} // namespace

void FrmMain::buildWindow() {
    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->addWidget(buildStepPanel());

    auto* pages = new QWidget(this);
    auto* stack = new QGridLayout(pages);
    stack->setContentsMargins(16, 12, 16, 8);
    QFrame* built[6] = {buildStartPage(),   buildLumoraPage(),   buildFilePage(),
                        buildLecturePage(), buildAdvancedPage(), buildFinishPage()};
    for (int i = 0; i < 6; ++i) {
        frame[i] = built[i];
        frame[i]->setParent(pages);
        stack->addWidget(frame[i], 0, 0);
        frame[i]->setVisible(i == 0);
    }
    setBackground(frame[0], Qt::white);
    top->addWidget(pages, 1);

    Help = new QPushButton(QStringLiteral("Help"), this);
    Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    buttonBack = new QPushButton(QStringLiteral("< Back"), this);
    buttonNext = new QPushButton(QStringLiteral("Next >"), this);
    Finish = new QPushButton(QStringLiteral("Finish"), this);
    for (QPushButton* b : {Help, Cancel, buttonBack, buttonNext, Finish}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
    }
    Help->setObjectName(QStringLiteral("Help"));
    Cancel->setObjectName(QStringLiteral("Cancel"));
    buttonBack->setObjectName(QStringLiteral("buttonBack"));
    buttonNext->setObjectName(QStringLiteral("buttonNext"));
    Finish->setObjectName(QStringLiteral("Finish"));
    buttonNext->setDefault(true);
    buttonBack->setEnabled(false);
    Finish->setEnabled(false);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(12, 8, 12, 10);
    bottom->addWidget(Help);
    bottom->addStretch(1);
    bottom->addWidget(Cancel);
    bottom->addSpacing(10);
    bottom->addWidget(buttonBack);
    bottom->addWidget(buttonNext);
    bottom->addSpacing(10);
    bottom->addWidget(Finish);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top, 1);
    outer->addWidget(line);
    outer->addLayout(bottom);
    resize(660, 440);
}

QWidget* FrmMain::buildStepPanel() {
    auto* boxes = new QFrame(this);
    boxes->setObjectName(QStringLiteral("boxes"));
    setBackground(boxes, Qt::black);
    boxes->setFixedWidth(172);
    auto* grid = new QGridLayout(boxes);
    grid->setContentsMargins(10, 30, 8, 30);
    grid->setVerticalSpacing(22);
    for (int i = 0; i < 6; ++i) {
        box[i] = new QFrame(boxes);
        box[i]->setObjectName(QStringLiteral("box%1").arg(i));
        box[i]->setFixedSize(14, 14);
        box[i]->setFrameShape(QFrame::Box);
        setBackground(box[i], i == 5 ? QColor(0xFF, 0x00, 0x00) : QColor(0xC0, 0xC0, 0xC0));
        boxText[i] = new QLabel(QString::fromLatin1(kStepNames[i]), boxes);
        boxText[i]->setObjectName(QStringLiteral("boxText%1").arg(i));
        QPalette p = boxText[i]->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        boxText[i]->setPalette(p);
        // Squares 0 and 5 stand a little further left than the others.
        const int indent = (i == 0 || i == 5) ? 0 : 8;
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        row->addSpacing(indent);
        row->addWidget(box[i]);
        row->addWidget(boxText[i], 1);
        grid->addLayout(row, i, 0);
    }
    grid->setRowStretch(6, 1);
    return boxes;
}

// The Start and Finish pages: the picture, the wizard's name and a few centred lines.
QFrame* FrmMain::buildTitlePage(const QString& pictureName, const QString& textName,
                                const QString& text) {
    QFrame* page = newPage(this);
    auto* v = new QVBoxLayout(page);
    v->addStretch(1);
    auto* pic = picture(page);
    pic->setObjectName(pictureName);
    v->addWidget(pic, 0, Qt::AlignHCenter);
    auto* title = heading(QStringLiteral("Slide-Ferry Wizard"), page);
    title->setAlignment(Qt::AlignHCenter);
    v->addWidget(title);
    auto* label = new QLabel(text, page);
    label->setObjectName(textName);
    label->setAlignment(Qt::AlignHCenter);
    v->addWidget(label);
    v->addStretch(2);
    return page;
}

QFrame* FrmMain::buildStartPage() {
    return buildTitlePage(QStringLiteral("Picture1_1"), QStringLiteral("Label2"),
                          QStringLiteral("The Slide-Ferry Wizard allows\n"
                                         "users to easly transfer PowerPoint\n"
                                         "presentations into Lumora"));
}

QFrame* FrmMain::buildLumoraPage() {
    QFrame* page = newPage(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(heading(QStringLiteral("Lumora Info:"), page));
    auto* form = new QFormLayout;
    form->setVerticalSpacing(10);
    FTPMachine = new QLineEdit(page);
    ID = new QLineEdit(page);
    Password = new QLineEdit(page);
    CVID = new QLineEdit(page);
    CVPassword = new QLineEdit(page);
    Password->setEchoMode(QLineEdit::Password);
    CVPassword->setEchoMode(QLineEdit::Password);
    // Password fields show "*" for every character, whatever the style's own mask is.
    for (QLineEdit* e : {Password, CVPassword})
        e->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    FTPMachine->setObjectName(QStringLiteral("FTPMachine"));
    ID->setObjectName(QStringLiteral("ID"));
    Password->setObjectName(QStringLiteral("Password"));
    CVID->setObjectName(QStringLiteral("CVID"));
    CVPassword->setObjectName(QStringLiteral("CVPassword"));
    FTPMachine->setText(QStringLiteral("localhost"));
    form->addRow(QStringLiteral("Tessan:"), FTPMachine);
    form->addRow(QStringLiteral("Lumora user ID:"), ID);
    form->addRow(QStringLiteral("Lumora password:"), Password);
    form->addRow(QStringLiteral("Corvane user ID:"), CVID);
    form->addRow(QStringLiteral("Corvane password:"), CVPassword);
    v->addLayout(form);
    connecting =
        new QLabel(QString(26, QLatin1Char(' ')) + QStringLiteral("Connecting to Server..."), page);
    connecting->setObjectName(QStringLiteral("connecting"));
    connecting->setVisible(false);
    v->addWidget(connecting);
    v->addStretch(1);
    setTabOrder(FTPMachine, ID);
    setTabOrder(ID, Password);
    setTabOrder(Password, CVID);
    setTabOrder(CVID, CVPassword);
    return page;
}

QFrame* FrmMain::buildFilePage() {
    QFrame* page = newPage(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(heading(QStringLiteral("Choose PowerPoint Presentation:"), page));
    driveList = new DriveList(page);
    dirList = new DirectoryList(page);
    fileList = new FileList(page);
    driveList->setObjectName(QStringLiteral("driveList"));
    dirList->setObjectName(QStringLiteral("dirList"));
    fileList->setObjectName(QStringLiteral("fileList"));
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Folders:"), page), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Presentations (*.ppt):"), page), 0, 1);
    grid->addWidget(dirList, 1, 0);
    grid->addWidget(fileList, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Drive:"), page), 2, 0);
    grid->addWidget(driveList, 3, 0);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    v->addLayout(grid, 1);
    return page;
}

QFrame* FrmMain::buildLecturePage() {
    QFrame* page = newPage(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(heading(QStringLiteral("Lecture Information:"), page));
    Term = new QComboBox(page);
    cbYear = new QComboBox(page);
    Classes = new QComboBox(page);
    Classes->setEditable(true); // its text may name a remembered class; typing is refused
    Title = new QLineEdit(page);
    comboMonth = new QComboBox(page);
    comboDay = new QComboBox(page);
    comboYear = new QComboBox(page);
    Session = new QLineEdit(QStringLiteral("1"), page);
    Term->setObjectName(QStringLiteral("Term"));
    cbYear->setObjectName(QStringLiteral("cbYear"));
    Classes->setObjectName(QStringLiteral("Classes"));
    Title->setObjectName(QStringLiteral("Title"));
    comboMonth->setObjectName(QStringLiteral("comboMonth"));
    comboDay->setObjectName(QStringLiteral("comboDay"));
    comboYear->setObjectName(QStringLiteral("comboYear"));
    Session->setObjectName(QStringLiteral("Session"));
    Session->setMaximumWidth(70);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(10);
    auto* filters = new QHBoxLayout;
    filters->addWidget(Term, 1);
    filters->addWidget(new QLabel(QStringLiteral("Year:"), page));
    filters->addWidget(cbYear, 1);
    form->addRow(QStringLiteral("Term:"), filters);
    form->addRow(QStringLiteral("Classes:"), Classes);
    form->addRow(QStringLiteral("Lecture title:"), Title);
    codePageNote = new QLabel(page);
    codePageNote->setObjectName(QStringLiteral("codePageNote"));
    codePageNote->setWordWrap(true);
    codePageNote->setVisible(false);
    form->addRow(QString(), codePageNote);
    auto* date = new QHBoxLayout;
    date->addWidget(comboMonth);
    date->addWidget(comboDay);
    date->addWidget(comboYear);
    date->addStretch(1);
    form->addRow(QStringLiteral("Lecture date:"), date);
    form->addRow(QStringLiteral("Session Number:"), Session);
    v->addLayout(form);
    v->addStretch(1);
    return page;
}

QFrame* FrmMain::buildAdvancedPage() {
    QFrame* page = newPage(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(heading(QStringLiteral("Advanced features:"), page));
    Resolution = new QComboBox(page);
    imageWidth = new QLineEdit(page);
    imageHeight = new QLineEdit(page);
    imageWidthText = new QLabel(QStringLiteral("Width:"), page);
    imageHeightText = new QLabel(QStringLiteral("Height:"), page);
    imageFormat = new QComboBox(page);
    imageFormat->setEditable(true);
    ExportPath = new QLineEdit(wizardSettings::defaultExportPath(), page);
    Resolution->setObjectName(QStringLiteral("Resolution"));
    imageWidth->setObjectName(QStringLiteral("imageWidth"));
    imageHeight->setObjectName(QStringLiteral("imageHeight"));
    imageWidthText->setObjectName(QStringLiteral("imageWidthText"));
    imageHeightText->setObjectName(QStringLiteral("imageHeightText"));
    imageFormat->setObjectName(QStringLiteral("imageFormat"));
    ExportPath->setObjectName(QStringLiteral("ExportPath"));
    for (QLineEdit* e : {imageWidth, imageHeight}) {
        e->setMaximumWidth(70);
        e->setMaxLength(5);
        e->setVisible(false);
    }
    imageWidthText->setVisible(false);
    imageHeightText->setVisible(false);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(10);
    auto* size = new QHBoxLayout;
    size->addWidget(Resolution);
    size->addSpacing(8);
    size->addWidget(imageWidthText);
    size->addWidget(imageWidth);
    size->addWidget(imageHeightText);
    size->addWidget(imageHeight);
    size->addStretch(1);
    form->addRow(QStringLiteral("Lumora Resolution:"), size);
    form->addRow(QStringLiteral("Image Format:"), imageFormat);
    form->addRow(QStringLiteral("Local temporary file path:"), ExportPath);
    v->addLayout(form);

    rangeFrame = new QGroupBox(QStringLiteral("Slide Range"), page);
    rangeFrame->setObjectName(QStringLiteral("rangeFrame"));
    firstSlide = new QComboBox(rangeFrame);
    lastSlide = new QComboBox(rangeFrame);
    firstSlide->setObjectName(QStringLiteral("firstSlide"));
    lastSlide->setObjectName(QStringLiteral("lastSlide"));
    auto* range = new QHBoxLayout(rangeFrame);
    range->addWidget(new QLabel(QStringLiteral("First Slide:"), rangeFrame));
    range->addWidget(firstSlide, 1);
    range->addSpacing(16);
    range->addWidget(new QLabel(QStringLiteral("Last Slide:"), rangeFrame));
    range->addWidget(lastSlide, 1);
    v->addWidget(rangeFrame);
    v->addStretch(1);
    return page;
}

QFrame* FrmMain::buildFinishPage() {
    return buildTitlePage(QStringLiteral("Picture1_0"), QStringLiteral("Label14"),
                          QStringLiteral("Press finish to create lecture."));
}
