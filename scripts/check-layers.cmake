# Checks the #include lines under a source folder against the layer table of
# DESIGN.md: a folder may include its own files and folders of lower layers;
# folders on one row (serverlink and hud; the subsystems of layer 7) never
# include each other, and the lowest layers include no Qt Widgets header.
#
#   cmake -DSOURCE=<folder> -P check-layers.cmake
#
# Prints one line per offending include and fails when there is any. Written
# in CMake so that it needs nothing the build does not.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE OR NOT IS_DIRECTORY "${SOURCE}")
  message(FATAL_ERROR "usage: cmake -DSOURCE=<source folder> -P check-layers.cmake")
endif()
get_filename_component(SOURCE "${SOURCE}" ABSOLUTE)

set(layer_platform 1)
set(layer_foundation 2)
set(layer_graphics 3)
set(layer_serverlink 4)
set(layer_hud 4)
set(layer_tabbar 5)
set(layer_status 6)
set(layer_settings 7)
set(layer_content 7)
set(layer_outputs 7)
set(layer_imageremap 7)
set(layer_pixelmap 7)
set(layer_app 8)
# Folders whose Qt modules stop at Gui (with OpenGL).
set(no_widgets platform foundation graphics serverlink)
set(widget_headers
    "<(QtWidgets/[A-Za-z]+|QWidget|QApplication|QMenu|QMenuBar|QAction|QMessageBox|QDialog|QMainWindow|QAbstractButton|QPushButton|QLabel|QLineEdit|QComboBox|QScrollArea|QTableView|QTreeView|QStyle[A-Za-z]*|QFileDialog|QOpenGLWidget)>")

set(found 0)
file(GLOB_RECURSE files RELATIVE "${SOURCE}" "${SOURCE}/*.h" "${SOURCE}/*.cpp")
list(SORT files)
foreach(file ${files})
  string(REGEX MATCH "^[^/]+" top "${file}")
  if(NOT DEFINED layer_${top})
    continue()
  endif()
  file(STRINGS "${SOURCE}/${file}" lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" target "${line}")
    string(STRIP "${target}" target)
    if(target MATCHES "^\"([a-z]+)/")
      set(other "${CMAKE_MATCH_1}")
      if(DEFINED layer_${other} AND NOT other STREQUAL top)
        if(layer_${other} GREATER layer_${top})
          message("${file}: ${top} (layer ${layer_${top}}) includes ${target} from ${other} (layer ${layer_${other}}) above it")
          math(EXPR found "${found} + 1")
        elseif(layer_${other} EQUAL layer_${top})
          message("${file}: ${top} includes ${target} from its sibling ${other}; siblings meet only through interfaces below them")
          math(EXPR found "${found} + 1")
        endif()
      endif()
    endif()
    if(top IN_LIST no_widgets AND target MATCHES "^${widget_headers}")
      message("${file}: ${top} includes the Qt Widgets header ${target}")
      math(EXPR found "${found} + 1")
    endif()
  endforeach()
endforeach()

if(found GREATER 0)
  message(FATAL_ERROR "${found} include(s) break the layer table")
endif()
message("the includes of ${SOURCE} keep the layer table")
