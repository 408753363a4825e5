# The pure text rules: the text files written beside the slides, the lecture's description, the
# code-page check, the hidden slides' rule, the account file and the class listing, with the
# text, number and file helpers they stand on. They need Qt Core and nothing else of the program, so they are built
# once into sf_text_rules (src/CMakeLists.txt), which the area libraries, the text tests and the
# fuzz regressions link; the fuzz build (fuzz/CMakeLists.txt) compiles this same list again with
# the fuzzer's instrumentation. The files stay in their areas' folders; the area libraries leave
# them out of their globs.
set(SF_TEXT_RULES_SOURCES
  ${PROJECT_SOURCE_DIR}/src/platform/AnsiText.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/FileSystem.cpp
  ${PROJECT_SOURCE_DIR}/src/platform/NumberText.cpp
  ${PROJECT_SOURCE_DIR}/src/server/AccountFile.cpp
  ${PROJECT_SOURCE_DIR}/src/server/ClassListing.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/SlideText.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/TextMerge.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/Description.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/WorkingFiles.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/CodePageCheck.cpp
  ${PROJECT_SOURCE_DIR}/src/pipeline/HiddenSlides.cpp)
