cmake_minimum_required(VERSION 3.25)
# Fails when a widget, layout, spacer or action of forms/*.ui under ROOT has a numbered name
# ("Label3", "BitBtn1", "Page0", "horizontalLayout_2"), or when the code under ROOT (source/, tests/,
# cli/) reaches a widget by such a name: `Form->Label3`, `findChild<...>("Label3")`,
# `setObjectName("Form7")`. Names say the widget's role: `okButton`, `captionEdit`.
#   cmake -DROOT=<tree> -P check-widget-names.cmake
if(NOT ROOT)
  message(FATAL_ERROR "ROOT not set")
endif()

# In the forms every name ending in digits is numbered, and so is one with a counted kind inside
# (`Panel1Layout`): a role never ends in a counter, and `mp4Button` keeps its digits inside. A role
# that truly ends in digits goes here, by its whole name.
set(role_names)

# In the code a numbered name is a kind of widget followed by a counter, standing alone
# (`Label3`, `SaveButton0`, `"Panel14"`), or a name the form designer gives by default
# (`label_2`, `horizontalLayout_3`); `int32`, `kMp3FrameSamples` or `x264` are no widget.
set(kinds BitBtn SpeedButton Button Label StaticText Edit MaskEdit Memo RichEdit Panel Frame Bevel
  Shape Image PaintBox ComboBox Combo CheckBox RadioButton RadioGroup GroupBox ListBox SpinEdit
  SpinBox Spin UpDown TrackBar ProgressBar ProgrBar ScrollBar Slider Timer PageControl TabSheet
  Page Splitter ToolBar StatusBar Form Icon Align Effect Layout Spacer)
set(designer_names label pushButton toolButton lineEdit textEdit comboBox checkBox radioButton
  groupBox spinBox doubleSpinBox horizontalSlider verticalSlider progressBar listWidget tabWidget
  tab frame widget horizontalLayout verticalLayout gridLayout formLayout horizontalSpacer
  verticalSpacer action)
list(JOIN kinds "|" kinds_alternation)
list(JOIN designer_names "|" designer_alternation)
# A counted name inside a longer one (`Panel1Layout`) is numbered too.
set(counted "[A-Za-z]*(${kinds_alternation})[0-9]+([A-Z][A-Za-z]*)?|(${designer_alternation})_[0-9]+")
set(code_pattern "(^|[^A-Za-z0-9_])(${counted})([^A-Za-z0-9_]|$)")


set(failures 0)

file(GLOB forms RELATIVE "${ROOT}" "${ROOT}/forms/*.ui")
foreach(rel IN LISTS forms)
  file(STRINGS "${ROOT}/${rel}" lines REGEX "<(widget|layout|spacer|action|addaction)[ \t>]")
  foreach(line IN LISTS lines)
    # One line may hold several elements; each name is read on its own.
    string(REGEX MATCHALL "<(widget|layout|spacer|action|addaction)[^>]* name=\"[^\"]*\"" elements
      "${line}")
    foreach(element IN LISTS elements)
      string(REGEX MATCH "name=\"([^\"]*)\"" _ "${element}")
      set(name "${CMAKE_MATCH_1}")
      if((name MATCHES "[0-9]$" OR name MATCHES "(${kinds_alternation})[0-9]")
         AND NOT name IN_LIST role_names)
        message("numbered name: ${rel}: \"${name}\" (name it by its role)")
        math(EXPR failures "${failures} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

file(GLOB_RECURSE code RELATIVE "${ROOT}" "${ROOT}/source/*.cpp" "${ROOT}/source/*.h"
  "${ROOT}/tests/*.cpp" "${ROOT}/tests/*.h" "${ROOT}/cli/*.cpp" "${ROOT}/cli/*.h")
foreach(rel IN LISTS code)
  # The planted trees of the check's own refusal tests are read only when checked as a root.
  if(rel MATCHES "^tests/names/")
    continue()
  endif()
  # Only the lines that hold such a name are read into the script.
  file(STRINGS "${ROOT}/${rel}" lines REGEX "${code_pattern}")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "${code_pattern}" _ "${line}")
    message("numbered name: ${rel}: ${CMAKE_MATCH_2} (name it by its role)")
    math(EXPR failures "${failures} + 1")
  endforeach()
endforeach()

list(LENGTH forms form_count)
list(LENGTH code code_count)
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} numbered widget name(s)")
endif()
message(STATUS "widget names hold: ${form_count} forms and ${code_count} files checked")
