cmake_minimum_required(VERSION 3.25)
# Reads every #include of source/ and cli/ under ROOT and fails when a file reaches a folder its
# layer may not use, or includes a Qt Widgets header outside the widgets and the program.
#   cmake -DROOT=<tree> [-DWIDGETS_INCLUDE=<QtWidgets include dir>] -P check-layers.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT not set")
endif()

# What each layer may include, by the first folder of the include path.
set(allowed_base base)
set(allowed_imaging base imaging)
set(allowed_project base imaging project)
set(allowed_media base imaging project media)
set(allowed_disc base disc)
# Inside the disc layer, by subfolder: the image code stands alone, the drive side never reaches
# the image or the jobs, and the jobs (burn) join the two. The device (scsi) reads the MMC
# capabilities when a drive is selected and picks the virtual transport when asked to.
set(allowed_disc/iso base disc/iso)
set(allowed_disc/scsi base disc/scsi disc/mmc disc/virtual)
set(allowed_disc/mmc base disc/scsi disc/mmc)
set(allowed_disc/virtual base disc/scsi disc/virtual)
set(allowed_disc/burn base disc/scsi disc/mmc disc/virtual disc/iso disc/burn)
# The widgets of each layer keep that layer's arrows: a ui/ folder may use its own layer, the
# layers below it and their ui/ folders, and the forms (ui_*.h). The interface texts and their
# keys live in base, so every ui/ folder may show them.
set(_disc_all disc/scsi disc/mmc disc/iso disc/burn disc/virtual)
set(allowed_base/ui base base/ui forms)
set(allowed_imaging/ui ${allowed_base/ui} imaging imaging/ui)
set(allowed_project/ui ${allowed_imaging/ui} project project/ui)
set(allowed_media/ui ${allowed_project/ui} media media/ui)
set(allowed_disc/ui ${allowed_base/ui} disc ${_disc_all} disc/ui)
set(allowed_app base imaging project media disc ${_disc_all} base/ui imaging/ui project/ui
  media/ui disc/ui forms app)
set(allowed_cli base imaging project media disc cli)

# Known crossings, each one file and one header, left until that file is reshaped; any other
# crossing fails. The effects dialog still edits a copy of the show's record through the show's
# slide edits and backups instead of taking and returning plain values.
set(known_source/imaging/ui/EffectsDialog.h project/ShowModel.h project/SlideEdits.h)
set(known_source/imaging/ui/EffectsDialog.cpp project/EditBackups.h project/Import.h)
set(known_source/imaging/ui/EffectsDialogPicture.cpp project/EditBackups.h)
set(known_used 0)

# Qt Widgets headers that a core file could reach by accident, for trees checked without the
# Widgets include folder at hand.
set(widget_headers QApplication QWidget QDialog QMainWindow QMessageBox QFileDialog QLabel
  QPushButton QToolButton QMenu QAction QLayout QBoxLayout QVBoxLayout QHBoxLayout QScrollArea
  QSlider QComboBox QLineEdit QSpinBox QCheckBox QRadioButton QProgressBar QColorDialog
  QFontDialog QStyle QGroupBox QTabWidget QStackedWidget QFrame QSplitter QStatusBar QToolBar)

file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/source/*.cpp" "${ROOT}/source/*.h"
  "${ROOT}/cli/*.cpp" "${ROOT}/cli/*.h")
set(failures 0)
foreach(rel IN LISTS files)
  if(rel MATCHES "^cli/")
    set(layer cli)
  elseif(rel MATCHES "^source/app/")
    set(layer app)
  elseif(rel MATCHES "^source/([a-z]+)/ui/")
    set(layer ${CMAKE_MATCH_1}/ui)
  elseif(rel MATCHES "^source/disc/([a-z]+)/")
    set(layer disc/${CMAKE_MATCH_1})
  elseif(rel MATCHES "^source/([a-z]+)/")
    set(layer ${CMAKE_MATCH_1})
  else()
    continue()
  endif()
  if(NOT DEFINED allowed_${layer})
    message("layer error: ${rel}: folder source/${layer} is no layer of the program")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  set(widgets_ok FALSE)
  if(layer MATCHES "/ui$" OR layer STREQUAL "app")
    set(widgets_ok TRUE)
  endif()

  file(STRINGS "${ROOT}/${rel}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line IN LISTS lines)
    if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
      set(inc "${CMAKE_MATCH_1}")
      if(inc MATCHES "^([a-z]+)/ui/")
        set(target ${CMAKE_MATCH_1}/ui)
      elseif((layer MATCHES "^disc/" OR layer STREQUAL "app") AND inc MATCHES "^disc/([a-z]+)/")
        set(target disc/${CMAKE_MATCH_1})
      elseif(inc MATCHES "^([a-z]+)/")
        set(target ${CMAKE_MATCH_1})
      elseif(inc MATCHES "^ui_")
        set(target forms)
      elseif(inc STREQUAL "bass.h")
        set(target media)
      else()
        continue()
      endif()
      list(FIND allowed_${layer} ${target} found)
      if(found EQUAL -1 AND "${inc}" IN_LIST known_${rel})
        math(EXPR known_used "${known_used} + 1")
      elseif(found EQUAL -1)
        message("layer error: ${rel}: the ${layer} layer may not include \"${inc}\"")
        math(EXPR failures "${failures} + 1")
      endif()
    elseif(NOT widgets_ok AND line MATCHES "#[ \t]*include[ \t]*<(Qt[A-Za-z]*/)?(Q[A-Za-z]+)>")
      set(module "${CMAKE_MATCH_1}")
      set(header "${CMAKE_MATCH_2}")
      set(is_widget FALSE)
      if(module STREQUAL "QtWidgets/")
        set(is_widget TRUE)
      elseif(WIDGETS_INCLUDE AND EXISTS "${WIDGETS_INCLUDE}/${header}")
        set(is_widget TRUE)
      elseif(header IN_LIST widget_headers)
        set(is_widget TRUE)
      endif()
      if(is_widget)
        message("layer error: ${rel}: the ${layer} layer may not include the widget header <${module}${header}>")
        math(EXPR failures "${failures} + 1")
      endif()
    endif()
  endforeach()
endforeach()

list(LENGTH files count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) cross the layers")
endif()
message(STATUS "layers hold: ${count} files checked, ${known_used} known crossing(s) left")
