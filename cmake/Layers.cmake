# The layers, checked when the build is configured. Each library has a rank; a library may link
# only libraries of a lower rank, and the core libraries (and halyard-log) must not reach a
# window toolkit through any chain of links, so they build and run without a display.
set(halyard_layer_ranks
  kestrel_sim 1
  halyard_link 1
  halyard_rows 2
  halyard_service_core 2
  halyard_feed 3
  halyard_station 4
  halyard_stop_signals 4
  halyard_log_chart 5
  halyard_logger_core 6
  halyard_logger_plot 7
  halyard_service_options 6
  halyard_ui 8
  halyard_command_windows 9
  halyard_service_windows 9
  halyard_graph_windows 9
  halyard_main_window 10
)
set(halyard_core_libraries kestrel_sim halyard_link halyard_rows halyard_service_core halyard_feed
  halyard_station halyard_stop_signals halyard_logger_core halyard_service_options)

function(halyard_rank target out)
  list(FIND halyard_layer_ranks ${target} at)
  if(at EQUAL -1)
    set(${out} "" PARENT_SCOPE)
  else()
    math(EXPR at "${at} + 1")
    list(GET halyard_layer_ranks ${at} rank)
    set(${out} ${rank} PARENT_SCOPE)
  endif()
endfunction()

function(halyard_direct_links target out)
  set(links)
  foreach(prop INTERFACE_LINK_LIBRARIES LINK_LIBRARIES)
    get_target_property(l ${target} ${prop})
    if(l)
      list(APPEND links ${l})
    endif()
  endforeach()
  set(${out} ${links} PARENT_SCOPE)
endfunction()

function(halyard_collect_links target out)
  set(seen ${${out}})
  if(NOT TARGET ${target} OR target IN_LIST seen)
    return()
  endif()
  list(APPEND seen ${target})
  get_target_property(type ${target} TYPE)
  set(links)
  get_target_property(iface ${target} INTERFACE_LINK_LIBRARIES)
  if(iface)
    list(APPEND links ${iface})
  endif()
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(direct ${target} LINK_LIBRARIES)
    if(direct)
      list(APPEND links ${direct})
    endif()
  endif()
  foreach(lib ${links})
    halyard_collect_links(${lib} seen)
  endforeach()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

list(LENGTH halyard_layer_ranks n)
math(EXPR last "${n} - 1")
foreach(i RANGE 0 ${last} 2)
  list(GET halyard_layer_ranks ${i} lib)
  if(NOT TARGET ${lib})
    continue()
  endif()
  halyard_rank(${lib} own)
  halyard_direct_links(${lib} links)
  foreach(dep ${links})
    halyard_rank(${dep} theirs)
    if(NOT theirs STREQUAL "" AND NOT theirs LESS own)
      message(FATAL_ERROR "${lib} links ${dep}: a library may link only libraries of a lower layer")
    endif()
  endforeach()
endforeach()

foreach(core ${halyard_core_libraries})
  if(TARGET ${core})
    set(reached)
    halyard_collect_links(${core} reached)
    foreach(gui Qt6::Gui Qt6::Widgets Qt6::PrintSupport Qt::Gui Qt::Widgets)
      if(gui IN_LIST reached)
        message(FATAL_ERROR "${core} links ${gui}: the core libraries must build with Qt Core and Qt SerialPort only")
      endif()
    endforeach()
  endif()
endforeach()

# A production line runs halyard-service without a desktop: Qt Core and SerialPort only.
if(TARGET halyard-service)
  set(reached)
  halyard_collect_links(halyard-service reached)
  foreach(gui Qt6::Gui Qt6::Widgets Qt6::PrintSupport Qt::Gui Qt::Widgets QCustomPlotQt6::QCustomPlotQt6)
    if(gui IN_LIST reached)
      message(FATAL_ERROR "halyard-service links ${gui}: it must run with Qt Core and SerialPort only")
    endif()
  endforeach()
endif()

# halyard-log paints its --plot pictures with Qt Gui, but runs on machines without a desktop:
# no widgets, no printing.
foreach(program halyard-log halyard_logger_plot)
  if(TARGET ${program})
    set(reached)
    halyard_collect_links(${program} reached)
    foreach(gui Qt6::Widgets Qt6::PrintSupport Qt::Widgets QCustomPlotQt6::QCustomPlotQt6)
      if(gui IN_LIST reached)
        message(FATAL_ERROR "${program} links ${gui}: halyard-log must run without widgets")
      endif()
    endforeach()
  endif()
endforeach()
