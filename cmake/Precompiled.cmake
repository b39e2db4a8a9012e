# Precompiled headers: every library and program parses Qt's and the test framework's headers once
# instead of once a source file. Each target gets the set that fits what it links (Qt Core, Qt
# Widgets, GoogleTest), so a core library never sees a widget header.
option(HALYARD_PCH "Precompile the Qt and GoogleTest headers of every target" ON)
if(NOT HALYARD_PCH)
  return()
endif()

set(halyard_pch_core
  <algorithm> <array> <cstdint> <cstdio> <functional> <map> <memory> <optional> <set> <string>
  <string_view> <vector>
  <QByteArray> <QDateTime> <QDir> <QFile> <QFileInfo> <QHash> <QList> <QObject> <QString>
  <QStringList> <QTimer> <QVector>)
set(halyard_pch_widgets
  <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGroupBox> <QHBoxLayout> <QLabel> <QLineEdit>
  <QMainWindow> <QMessageBox> <QPainter> <QPlainTextEdit> <QPushButton> <QRadioButton>
  <QVBoxLayout> <QWidget>)
set(halyard_pch_tests <gtest/gtest.h>)

function(halyard_targets_in dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    halyard_targets_in(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

halyard_targets_in(${PROJECT_SOURCE_DIR} halyard_every_target)
foreach(target ${halyard_every_target})
  get_target_property(type ${target} TYPE)
  if(NOT type STREQUAL "STATIC_LIBRARY" AND NOT type STREQUAL "EXECUTABLE")
    continue()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  if(count LESS 2)
    continue() # a single source gains nothing from a header compiled apart
  endif()
  set(reached)
  halyard_collect_links(${target} reached)
  set(headers ${halyard_pch_core})
  if(Qt6::Widgets IN_LIST reached)
    list(APPEND headers ${halyard_pch_widgets})
  endif()
  if(GTest::gtest IN_LIST reached OR GTest::gtest_main IN_LIST reached OR GTest::GTest IN_LIST reached)
    list(APPEND headers ${halyard_pch_tests})
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endforeach()
