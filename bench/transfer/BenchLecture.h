#pragma once

// The bench's lecture: its values, its name on the server and the check of what arrived there.

#include "lecture/LectureRecord.h"

#include <QString>

class LumoraServer;

inline constexpr int width = 1000;
inline constexpr int height = 700;
inline const QString className = QStringLiteral("bench");

// "Sep.14.2026.<session>"
QString lectureName(int session);
// The lecture record of a transfer to `server`, made in `workDir`.
LectureRecord lectureFields(const LumoraServer& server, const QString& workDir,
                            const QString& session);
// Checks the lecture directory on the server: `slides` images "Slide<n>.<ext>" of width x height
// (plus "blank.<ext>" when `blank`), "description", and an extract.stml with one slide element
// per slide. "" when all is there, else what is wrong.
QString checkLecture(const LumoraServer& server, const QString& lecture, const QString& ext,
                     int slides, bool blank);
