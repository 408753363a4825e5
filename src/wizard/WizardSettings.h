#pragma once

#include <QString>

class FrmMain;

// The choices the wizard remembers between runs: loaded into a page's fields when the page is
// entered by Next, saved all together when a transfer is closed with Done.
namespace wizardSettings {

extern const QString kAppName; // "Slide-Ferry"
extern const QString kSection; // "Settings"

QString defaultServerHost();
QString defaultDrive();      // the volume that stands in for drive "c:\"
QString defaultExportPath(); // the platform's temporary directory, where "C:\TEMP" was

void loadLumoraPage(FrmMain& w);   // System, UserID
void loadFilePage(FrmMain& w);     // Drive, Directory
void loadFilters(FrmMain& w);      // Term, Year
void loadClass(FrmMain& w);        // Class
void loadAdvancedPage(FrmMain& w); // ExportPath, ImageType, Resolution, CustomWidth, CustomHeight

void save(FrmMain& w);

} // namespace wizardSettings
