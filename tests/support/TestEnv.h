#pragma once

#include <QString>

// Paths the tests share: the read-only test data and the project's tools.
namespace testEnv {
inline QString testdataDir() { return QStringLiteral(SF_TESTDATA_DIR); }
inline QString presentationsDir() { return QStringLiteral(SF_TESTDATA_DIR "/presentations"); }
inline QString toolsDir() { return QStringLiteral(SF_TOOLS_DIR); }
} // namespace testEnv
